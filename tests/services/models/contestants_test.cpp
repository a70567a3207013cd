// The 24 contestants as the demo build makes them (make_models' skeleton, make_contestants'
// figures, textures and portraits, the game's player definition), loaded through the model
// manager and skinned by the engine.
#include "anim_fixture.h"

#include "importers/bitmap.h"
#include "importers/models.h"
#include "tools/modelgen/figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

class contestants : public anim_fixture
{
protected:
    void SetUp() override
    {
        anim_fixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(load_demo_player(player));
        ASSERT_EQ(modelgen::CONTESTANTS, player->anim()->part_count());
    }
    void TearDown() override
    {
        if (player)
            release(player);
        anim_fixture::TearDown();
    }

    static std::string part(int n) { return "contestant" + std::to_string(n); }

    // The skinned vertices of figure n in key frame f, through the engine's skinning.
    std::vector<vec3> skinned(int n, int f)
    {
        skelanim_data_c *d = player->anim();
        d->pose(f, f, 0.0f);
        const skinned_mesh_c *mesh = d->part_geometry(d->find_part(part(n).c_str()));
        std::vector<lit_vertex_s> out(mesh->vertices_count());
        mesh->skin(out.data());
        std::vector<vec3> points;
        for (const lit_vertex_s &v : out)
            points.push_back({v.x, v.y, v.z});
        return points;
    }

    skelanim_resource_c *player = nullptr;
};

vec3 cross_of(const vec3 &a, const vec3 &b)
{
    vec3 out;
    out.cross(a, b);
    return out;
}

// The closest point of triangle abc to p (Ericson's region tests).
vec3 closest_on_triangle(const vec3 &p, const vec3 &a, const vec3 &b, const vec3 &c)
{
    const vec3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return a;
    const vec3 bp = p - b;
    const float d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return b;
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return a + ab * (d1 / (d1 - d3));
    const vec3 cp = p - c;
    const float d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return c;
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return a + ac * (d2 / (d2 - d6));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const float denom = 1 / (va + vb + vc);
    return a + ab * (vb * denom) + ac * (vc * denom);
}

// Distance from p to the surface of the faces, negative inside: the sign is that of the
// closest face that p lies most squarely in front of or behind. Faces are stored so that
// (p1 - p0) x (p2 - p0) points inwards.
float signed_distance(const vec3 &p, const std::vector<vec3> &v, const std::vector<geo_face_s> &faces,
                      const std::vector<uint32_t> &candidates)
{
    float best = 1e9f, sign = 1, squareness = -1;
    for (uint32_t k : candidates) {
        const geo_face_s &f = faces[k];
        const vec3 &a = v[f.index[0]], &b = v[f.index[1]], &c = v[f.index[2]];
        const vec3 q = closest_on_triangle(p, a, b, c);
        const float d = (p - q).length();
        vec3 inward = cross_of(b - a, c - a);
        const float area = inward.length();
        if (area < 1e-12f)
            continue;
        inward *= 1 / area;
        const float facing = d > 1e-7f ? std::abs(dot(inward, p - q)) / d : 1.0f;
        if (d < best - 1e-6f || (d < best + 1e-6f && facing > squareness)) {
            best = std::min(best, d);
            squareness = facing;
            sign = dot(inward, p - q) > 0 ? -1.0f : 1.0f;
        }
    }
    return sign * best;
}

TEST_F(contestants, every_figure_keeps_its_parts_together_in_every_key_frame)
{
    // Every piece sinks into the piece it hangs on in the bind pose, and in every key frame
    // its part near that contact still sinks at least half as deep: a piece that turns in
    // its socket keeps filling it, one that comes away leaves a gap. Within a piece the
    // surface stays closed and no edge grows to twice its length.
    skelanim_data_c *d = player->anim();
    const int frames = int(d->skeleton()->frames_count());
    ASSERT_EQ(20, frames);
    for (int n = 0; n < modelgen::CONTESTANTS; ++n) {
        SCOPED_TRACE(part(n));
        const modelgen::figure_mesh figure = modelgen::build_figure(modelgen::contestant_of(n));
        const skinned_mesh_c *mesh = d->part_geometry(d->find_part(part(n).c_str()));
        ASSERT_EQ(figure.mesh.vertices.size(), mesh->vertices_count());
        ASSERT_EQ(figure.mesh.faces.size(), mesh->faces_count());
        const std::vector<geo_face_s> &faces = figure.mesh.faces;
        const std::vector<vec3> bind = skinned(n, 0);

        struct contact
        {
            std::vector<uint32_t> region, candidates;
            float depth;
        };
        std::vector<contact> contacts;
        // The deepest point of the region, or the first found at least `enough` deep.
        auto deepest = [&](const contact &c, const std::vector<vec3> &v, float enough) {
            float depth = 1e9f;
            for (uint32_t i : c.region)
                if ((depth = std::min(depth, signed_distance(v[i], v, faces, c.candidates))) <= enough)
                    break;
            return depth;
        };
        for (const modelgen::figure_piece &piece : figure.pieces) {
            SCOPED_TRACE(piece.name);
            // Closed: every edge, its ends welded by position, borders exactly two faces.
            std::map<std::pair<uint32_t, uint32_t>, int> edges;
            std::map<std::tuple<long, long, long>, uint32_t> welded;
            auto weld = [&](uint32_t i) {
                const vec3 &p = bind[i];
                const auto key = std::make_tuple(std::lround(p.x * 1e5), std::lround(p.y * 1e5), std::lround(p.z * 1e5));
                return welded.emplace(key, uint32_t(welded.size())).first->second;
            };
            for (uint32_t f = piece.first_face; f < piece.first_face + piece.face_count; ++f)
                for (int e = 0; e < 3; ++e) {
                    const uint32_t a = weld(faces[f].index[e]), b = weld(faces[f].index[(e + 1) % 3]);
                    ++edges[{std::min(a, b), std::max(a, b)}];
                }
            EXPECT_TRUE(std::all_of(edges.begin(), edges.end(), [](const auto &e) { return e.second == 2; }))
                << "an open or torn surface";
            if (piece.parent < 0)
                continue;
            const modelgen::figure_piece &parent = figure.pieces[piece.parent];
            contact c{{}, {}, 0};
            std::vector<uint32_t> all, sunk;
            // The parent's faces within reach of the piece.
            vec3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
            for (uint32_t i = piece.first_vertex; i < piece.first_vertex + piece.vertex_count; ++i)
                for (int a = 0; a < 3; ++a) {
                    low[a] = std::min(low[a], bind[i][a] - 0.3f);
                    high[a] = std::max(high[a], bind[i][a] + 0.3f);
                }
            for (uint32_t f = parent.first_face; f < parent.first_face + parent.face_count; ++f) {
                const vec3 &p = bind[faces[f].index[0]];
                if (p.x > low.x && p.y > low.y && p.z > low.z && p.x < high.x && p.y < high.y && p.z < high.z)
                    all.push_back(f);
            }
            for (uint32_t i = piece.first_vertex; i < piece.first_vertex + piece.vertex_count; ++i)
                if (signed_distance(bind[i], bind, faces, all) < 0)
                    sunk.push_back(i);
            auto near_sunk = [&](const vec3 &p, float r) {
                return std::any_of(sunk.begin(), sunk.end(), [&](uint32_t i) { return (bind[i] - p).length() < r; });
            };
            std::map<std::tuple<long, long, long>, uint32_t> distinct; // a pole is one point
            for (uint32_t i = piece.first_vertex; i < piece.first_vertex + piece.vertex_count; ++i)
                if (near_sunk(bind[i], 0.1f))
                    distinct.emplace(std::make_tuple(std::lround(bind[i].x * 1e5), std::lround(bind[i].y * 1e5),
                                                     std::lround(bind[i].z * 1e5)),
                                     i);
            for (const auto &entry : distinct)
                c.region.push_back(entry.second);
            // The parent's faces near the contact, which is all a key frame can bring closer.
            for (uint32_t f : all)
                if (near_sunk((bind[faces[f].index[0]] + bind[faces[f].index[1]] + bind[faces[f].index[2]]) * (1 / 3.0f), 0.15f))
                    c.candidates.push_back(f);
            // Deepest first, where a key frame most likely still finds it.
            std::vector<std::pair<float, uint32_t>> order;
            for (uint32_t i : c.region)
                order.push_back({signed_distance(bind[i], bind, faces, c.candidates), i});
            std::sort(order.begin(), order.end());
            for (size_t r = 0; r < order.size(); ++r)
                c.region[r] = order[r].second;
            c.depth = order.empty() ? 1e9f : order[0].first;
            EXPECT_LT(c.depth, -0.002f) << piece.name << " does not sink into " << parent.name;
            contacts.push_back(c);
        }

        for (int f = 1; f < frames; ++f) {
            SCOPED_TRACE("key frame " + std::to_string(f));
            const std::vector<vec3> posed = skinned(n, f);
            size_t k = 0;
            for (const modelgen::figure_piece &piece : figure.pieces) {
                float stretch = 0;
                for (uint32_t i = piece.first_face; i < piece.first_face + piece.face_count; ++i)
                    for (int e = 0; e < 3; ++e) {
                        const uint32_t a = faces[i].index[e], b = faces[i].index[(e + 1) % 3];
                        const float before = (bind[a] - bind[b]).length();
                        if (before > 1e-4f)
                            stretch = std::max(stretch, (posed[a] - posed[b]).length() / before);
                    }
                EXPECT_LT(stretch, 2.0f) << piece.name;
                if (piece.parent < 0)
                    continue;
                const contact &c = contacts[k++];
                EXPECT_LE(deepest(c, posed, c.depth / 2), c.depth / 2) << piece.name << " comes away from "
                                                          << figure.pieces[piece.parent].name;
            }
        }
    }
}

TEST_F(contestants, every_figure_plays_every_gesture_of_the_skeleton)
{
    skelanim_data_c *d = player->anim();
    for (int n = 0; n < modelgen::CONTESTANTS; ++n) {
        SCOPED_TRACE(part(n));
        for (int other = 0; other < modelgen::CONTESTANTS; ++other)
            player->switch_part(part(other).c_str(), other == n);
        ASSERT_EQ(1u, player->active_parts().size());
        for (int g = 0; g < d->gesture_count(); ++g) {
            const skelanim_gesture_s &gesture = d->gesture(g);
            SCOPED_TRACE(gesture.name);
            player->play_gesture(gesture.name);
            float waited = 0;
            while (text_query(player, "model_get_current_gesture") != gesture.name && waited < 5) {
                tick(0.05f);
                waited += 0.05f;
            }
            ASSERT_LT(waited, 5.0f) << "never started";
            // Through its play time the figure stays whole and moves.
            const float playtime = gesture.mode == GESTURE_STATIC ? 0.1f : gesture.times[gesture.branches_count - 1];
            IDirect3DVertexBuffer8 *vb = player->active_parts()[0].vertex_buffer;
            const UINT count = d->part_geometry(player->active_parts()[0].part_index)->vertices_count();
            float moved = 0;
            std::vector<vec3> first;
            for (float t = 0; t < playtime; t += 0.05f) {
                tick(0.05f);
                const auto *v = static_cast<const lit_vertex_s *>(d3d->lock_vbuffer(sizeof(lit_vertex_s), vb, 0, count));
                float low = 1e9f, high = -1e9f, wide = 0;
                for (UINT i = 0; i < count; ++i) {
                    low = std::min(low, v[i].z);
                    high = std::max(high, v[i].z);
                    wide = std::max({wide, std::abs(v[i].x), std::abs(v[i].y)});
                    if (first.size() < count)
                        first.push_back({v[i].x, v[i].y, v[i].z});
                    else
                        moved = std::max(moved, (first[i] - vec3{v[i].x, v[i].y, v[i].z}).length());
                }
                d3d->unlock_vbuffer(vb);
                ASSERT_GT(low, -0.1f);
                ASSERT_LT(high, 2.8f);
                ASSERT_LT(wide, 1.3f);
            }
            if (gesture.mode != GESTURE_STATIC) {
                EXPECT_GT(moved, 0.05f) << "no visible motion";
            }
        }
    }
}

TEST_F(contestants, the_figures_keep_the_budget_the_ground_and_the_store_s_sexes)
{
    // The sex of every portrait in the player store.
    std::ifstream store(std::filesystem::path(ENGINE_SOURCE_DIR) / "data/scripts/players.isc", std::ios::binary);
    std::stringstream text;
    text << store.rdbuf();
    const std::string s = text.str();
    const std::regex record("portr_nmb = (\\d+);[^}]*int sex = (\\d);");
    int records = 0;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), record); it != std::sregex_iterator(); ++it, ++records)
        EXPECT_EQ(modelgen::contestant_of(std::stoi((*it)[1])).female, (*it)[2] == "1") << (*it)[1];
    EXPECT_EQ(modelgen::CONTESTANTS, records);

    skelanim_data_c *d = player->anim();
    float shortest = 1e9f, tallest = 0;
    for (int n = 0; n < modelgen::CONTESTANTS; ++n) {
        SCOPED_TRACE(part(n));
        EXPECT_LE(d->part_geometry(d->find_part(part(n).c_str()))->faces_count(), 3000u);
        bitmap_c texture;
        ASSERT_TRUE(texture.load(("models/player/" + part(n) + ".bmp").c_str()));
        EXPECT_EQ(256, texture.width());
        EXPECT_EQ(256, texture.height());
        const std::vector<vec3> bind = skinned(n, 0);
        float low = 1e9f, high = 0;
        for (const vec3 &p : bind) {
            low = std::min(low, p.z);
            high = std::max(high, p.z);
        }
        EXPECT_NEAR(0.0f, low, 1e-4f) << "the soles on the ground";
        shortest = std::min(shortest, high);
        tallest = std::max(tallest, high);
    }
    EXPECT_LE(tallest / shortest, 1.1f);
    EXPECT_GE(tallest / shortest, 1.03f) << "short and tall";
}

TEST_F(contestants, the_24_portraits_differ_from_each_other)
{
    bitmap_c sheet;
    ASSERT_TRUE(sheet.load("textures/vote_portraits.tga"));
    ASSERT_EQ(512, sheet.width());
    ASSERT_EQ(256, sheet.height());
    auto cell = [&](int n) {
        std::vector<int> channels;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const uint32_t c = sheet.get_pixel(n % 8 * 64 + x, n / 8 * 64 + y);
                for (int shift : {0, 8, 16})
                    channels.push_back(int(c >> shift & 0xFF));
            }
        return channels;
    };
    auto difference = [](const std::vector<int> &a, const std::vector<int> &b) {
        double sum = 0;
        for (size_t i = 0; i < a.size(); ++i)
            sum += std::abs(a[i] - b[i]);
        return sum / double(a.size());
    };
    std::vector<std::vector<int>> cells;
    for (int n = 0; n < modelgen::CONTESTANTS; ++n)
        cells.push_back(cell(n));
    const std::vector<int> empty = cell(modelgen::CONTESTANTS);
    for (int a = 0; a < modelgen::CONTESTANTS; ++a) {
        EXPECT_GT(difference(cells[a], empty), 20.0) << a << " shows nobody";
        for (int b = a + 1; b < modelgen::CONTESTANTS; ++b)
            EXPECT_GT(difference(cells[a], cells[b]), 10.0) << a << " and " << b << " look alike";
    }
}

} // namespace
