#include "render_fixture.h"

#include "ui/ui_vis_image.h"

#include <cstring>

namespace {

// A grid whose points lie 10 pixels apart from its corner, coloured by their index.
class probe_grid_c : public ui_vis_grid_c
{
public:
    probe_grid_c(abstract_c *parent, int columns, int rows, const attribute_list_c *attributes = nullptr)
        : ui_vis_grid_c(parent, attributes)
    {
        m_x_tile = columns;
        m_y_tile = rows;
    }
    void vertex_at(const vec2 &offset, const vec2 &p, float *x, float *y, float *u, float *v,
                   unsigned *colour) override
    {
        *x = m_screen_rect.left + 10 * p.x + offset.x;
        *y = m_screen_rect.top + 10 * p.y + offset.y;
        *u = p.x;
        *v = p.y;
        *colour = 0xFF000000u | unsigned(p.y) << 8 | unsigned(p.x);
    }
};

} // namespace

TEST_F(ui_render_test, grids_build_a_vertex_per_point_and_two_triangles_per_cell)
{
    struct
    {
        int columns, rows;
        std::vector<WORD> indices;
    } cases[] = {
        {1, 1, {0, 1, 2, 3, 2, 1}},
        {3, 2, {0, 1, 4, 5, 4, 1, 1, 2, 5, 6, 5, 2, 2, 3, 6, 7, 6, 3,
                4, 5, 8, 9, 8, 5, 5, 6, 9, 10, 9, 6, 6, 7, 10, 11, 10, 7}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + " x " + std::to_string(c.rows));
        attribute_list_c list = attrs({{"screen_rect", value_c(rect(100, 200, 10, 10))}, {"z_depth", value_c(0.25f)}});
        probe_grid_c *grid = new probe_grid_c(root, c.columns, c.rows, &list);
        render();
        const int points = (c.columns + 1) * (c.rows + 1);
        EXPECT_EQ(grid->vertex_count(), points);
        EXPECT_EQ(grid->primitive_count(), 2 * c.columns * c.rows);
        ASSERT_NE(grid->vertex_buffer(), nullptr);
        EXPECT_EQ(grid->vertex_buffer()->fvf(), 0x144u);
        EXPECT_EQ(grid->vertex_buffer()->pool(), D3DPOOL_MANAGED);
        EXPECT_EQ(grid->index_buffer()->format(), D3DFMT_INDEX16);
        EXPECT_EQ(indices(grid->index_buffer()), c.indices);
        std::vector<unlit_vertex_s> v = vertices(grid->vertex_buffer());
        ASSERT_EQ(v.size(), size_t(points));
        for (int j = 0; j <= c.rows; ++j)
            for (int i = 0; i <= c.columns; ++i) {
                const unlit_vertex_s &p = v[(c.columns + 1) * j + i];
                EXPECT_EQ(p.x, 100 + 10 * i);
                EXPECT_EQ(p.y, 200 + 10 * j);
                EXPECT_EQ(p.z, 0.25f);
                EXPECT_EQ(p.rhw, 1.0f);
                EXPECT_EQ(p.diffuse, 0xFF000000u | unsigned(j) << 8 | unsigned(i));
            }
        std::vector<recording_call_s> draws = rec->calls(recording_call_e::draw_indexed);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].a, D3DPT_TRIANGLELIST);
        EXPECT_EQ(draws[0].b, DWORD(2 * c.columns * c.rows));
        EXPECT_EQ(draws[0].c, 0u);
        EXPECT_EQ(draws[0].d, DWORD(points));
        grid->shutdown_tree();
    }
}

TEST_F(ui_render_test, grids_without_cells_or_hidden_draw_nothing_but_hidden_ones_still_build)
{
    probe_grid_c *empty = new probe_grid_c(root, 0, 3);
    probe_grid_c *hidden = new probe_grid_c(root, 2, 2);
    hidden->set_visible(0);
    render();
    EXPECT_EQ(empty->vertex_buffer(), nullptr);
    EXPECT_EQ(empty->vertex_count(), 0);
    ASSERT_NE(hidden->vertex_buffer(), nullptr);
    EXPECT_EQ(hidden->vertex_count(), 9);
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 0u);

    // Buffers are made anew each frame: the old ones are released, not reused.
    IDirect3DVertexBuffer8 *first = hidden->vertex_buffer();
    first->AddRef();
    render();
    EXPECT_NE(hidden->vertex_buffer(), first);
    EXPECT_EQ(first->Release(), 0u) << "the grid kept no reference to last frame's buffer";
}

TEST_F(ui_render_test, draw_sets_its_states_around_the_indexed_draw)
{
    probe_grid_c *grid = new probe_grid_c(root, 1, 1);
    render();
    const std::vector<recording_call_s> &log = rec->log;
    size_t draw = 0;
    while (draw < log.size() && log[draw].call != recording_call_e::draw_indexed)
        ++draw;
    ASSERT_LT(draw, log.size());
    auto stage_before = [&](DWORD state) {
        for (size_t i = draw; i-- > 0;)
            if (log[i].call == recording_call_e::stage_state && log[i].b == state)
                return log[i].c;
        return DWORD(~0u);
    };
    EXPECT_EQ(stage_before(D3DTSS_MAGFILTER), D3DTEXF_LINEAR);
    EXPECT_EQ(stage_before(D3DTSS_MINFILTER), D3DTEXF_LINEAR);
    EXPECT_EQ(stage_before(D3DTSS_ADDRESSU), D3DTADDRESS_CLAMP);
    EXPECT_EQ(stage_before(D3DTSS_ADDRESSV), D3DTADDRESS_CLAMP);
    const d3d_device_state_s &s = d3d->device()->state();
    EXPECT_EQ(s.stage[0][D3DTSS_MAGFILTER], D3DTEXF_POINT) << "filters go back to point after drawing";
    EXPECT_EQ(s.stage[0][D3DTSS_MINFILTER], D3DTEXF_POINT);
    EXPECT_EQ(s.streams[0].buffer, grid->vertex_buffer());
    EXPECT_EQ(s.streams[0].stride, 28u);
    EXPECT_EQ(s.indices, grid->index_buffer());
    EXPECT_EQ(s.textures[0], nullptr) << "no texture: drawn untextured";
    EXPECT_EQ(s.vertex_shader, 0x144u);
    EXPECT_EQ(s.render[D3DRS_LIGHTING], 0u);
    EXPECT_EQ(s.render[D3DRS_ALPHABLENDENABLE], 0u) << "no blend flag: opaque";
    EXPECT_EQ(s.render[D3DRS_ZWRITEENABLE], 1u);
}

TEST_F(ui_render_test, buffer_failures_raise_their_texts)
{
    struct
    {
        unsigned fail;
        const char *text;
    } cases[] = {
        {RECORDING_FAIL_CREATE_VBUFFER, "Could not create vertex buffer"},
        {RECORDING_FAIL_LOCK_VBUFFER, "Could not lock vertex buffer"},
        {RECORDING_FAIL_UNLOCK_VBUFFER, "Could not unlock vertex buffer"},
        {RECORDING_FAIL_CREATE_IBUFFER, "Could not create index buffer"},
        {RECORDING_FAIL_LOCK_IBUFFER, "Could not lock index buffer"},
        {RECORDING_FAIL_UNLOCK_IBUFFER, "Could not unlock index buffer"},
    };
    probe_grid_c *grid = new probe_grid_c(root, 2, 1);
    for (const auto &c : cases) {
        rec->fail = c.fail;
        EXPECT_EQ(thrown_text([&] { render(); }), c.text);
        rec->fail = 0;
    }
    render();
    EXPECT_EQ(grid->vertex_count(), 6) << "a failed frame leaves nothing that spoils the next";
    EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 1u);
}

TEST_F(ui_render_test, blending_follows_the_colour_and_the_texture_alpha)
{
    struct
    {
        const char *texture;
        unsigned colour;
        uint32_t flags;
        DWORD alpha_arg; // D3DTSS_ALPHAARG1 when blended
    } cases[] = {
        {"states", 0xFFFFFFFFu, 0, 0},
        {"states", 0x80FFFFFFu, ui_vis_renderable_c::UI_BLEND_VERTEX, D3DTA_DIFFUSE},
        {"states_alpha", 0xFFFFFFFFu, ui_vis_renderable_c::UI_BLEND_TEXTURE, D3DTA_TEXTURE},
        {"states_alpha", 0x80FFFFFFu, ui_vis_renderable_c::UI_BLEND_BOTH, D3DTA_DIFFUSE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.texture) + " " + std::to_string(c.colour >> 24));
        attribute_list_c list = image_attrs(c.texture, 1, 1, rect());
        multistate_image *image = new multistate_image(root, &list);
        image->set_color(c.colour);
        EXPECT_EQ(image->blend_flags(), c.flags);
        render();
        const d3d_device_state_s &s = d3d->device()->state();
        EXPECT_EQ(s.render[D3DRS_ALPHABLENDENABLE], c.flags ? 1u : 0u);
        EXPECT_EQ(s.textures[0], image->texture()->attribute("handle")->get_ptr());
        if (c.flags) {
            EXPECT_EQ(s.render[D3DRS_DESTBLEND], DWORD(D3DBLEND_INVSRCALPHA));
            EXPECT_EQ(s.stage[0][D3DTSS_ALPHAARG1], c.alpha_arg);
            EXPECT_EQ(s.stage[0][D3DTSS_ALPHAOP],
                      c.flags == ui_vis_renderable_c::UI_BLEND_BOTH ? DWORD(D3DTOP_MODULATE) : DWORD(D3DTOP_SELECTARG1));
        }
        std::vector<unlit_vertex_s> v = vertices(image->vertex_buffer());
        EXPECT_EQ(v[0].diffuse, c.colour);
        image->shutdown_tree();
    }

    probe_grid_c *glow = new probe_grid_c(root, 1, 1);
    glow->set_blend(1, 1, 0);
    render();
    EXPECT_EQ(d3d->device()->state().render[D3DRS_DESTBLEND], DWORD(D3DBLEND_ONE)) << "additive";
    EXPECT_EQ(glow->blend_flags(), ui_vis_renderable_c::UI_BLEND_VERTEX | ui_vis_renderable_c::UI_BLEND_ADDITIVE);
}

TEST_F(ui_render_test, image_states_map_cells_of_the_texel_rectangle)
{
    abstract_c *panel_parent = new probe_visual_c(root, nullptr);
    attribute_list_c panel_list = attrs({{"screen_rect", value_c(rect(30, 40, 500, 500))}});
    probe_visual_c *panel = new probe_visual_c(panel_parent, &panel_list);
    attribute_list_c list = image_attrs("states", 4, 2, rect(0, 0, 256, 128));
    multistate_image *image = new multistate_image(panel, &list);
    EXPECT_EQ(rect_text(image->screen_rect()), "30,40,94,104") << "one 64 x 64 cell at the parent's corner";
    EXPECT_EQ(image->texture_path(), "textures/states");
    EXPECT_EQ(textures->prms, std::vector<int>{1});

    struct
    {
        unsigned column, row;
        int expected_column, expected_row;
    } steps[] = {{3, 0, 3, 0}, {4, 0, 3, 0}, {unsigned(-1), 0, 3, 0}, {2, 1, 2, 1}, {2, 2, 2, 1}};
    for (const auto &s : steps) {
        image->set_column(s.column);
        image->set_row(s.row);
        EXPECT_EQ(image->column(), s.expected_column) << int(s.column);
        EXPECT_EQ(image->row(), s.expected_row) << int(s.row);
    }
    render();
    std::vector<unlit_vertex_s> v = vertices(image->vertex_buffer());
    ASSERT_EQ(v.size(), 4u);
    const float expected[4][4] = {{30, 40, 0.5f, 0.5f}, {94, 40, 0.75f, 0.5f}, {30, 104, 0.5f, 1.0f}, {94, 104, 0.75f, 1.0f}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(v[k].x, expected[k][0]);
        EXPECT_EQ(v[k].y, expected[k][1]);
        EXPECT_FLOAT_EQ(v[k].u, expected[k][2]);
        EXPECT_FLOAT_EQ(v[k].v, expected[k][3]);
        EXPECT_EQ(v[k].diffuse, 0xFFFFFFFFu) << "the script's colour is not applied";
    }

    attribute_list_c whole = image_attrs("wide", 2, 1, rect(0, 0, 0, 0), rect(5, 6, 100, 50));
    multistate_image *full = new multistate_image(root, &whole);
    EXPECT_EQ(rect_text(full->tex_rect()), "0,0,512,256") << "a zero texel rectangle is the whole texture";
    EXPECT_EQ(rect_text(full->screen_rect()), "5,6,100,50") << "a given rectangle is kept";
    attribute_list_c edge = image_attrs("wide", 1, 1, rect(32, 16, 32, 24));
    multistate_image *strip = new multistate_image(root, &edge);
    EXPECT_EQ(rect_text(strip->tex_rect()), "32,16,544,24") << "a zero width runs the texture's width from left";
}

// Clear texels add nothing under the texture's alpha: an image draws only the part of its
// cell that shows, with a texel's margin for filtering (so the neighbour cell's edge, which a
// filtered sample reaches, still draws), and a cell that is clear throughout not at all.
TEST_F(ui_render_test, images_draw_only_the_part_of_their_cell_that_shows)
{
    // Four 32 x 16 cells; one block of texels shows: x 32..35, y 4..7, at cell (1, 0)'s corner.
    imagegen::picture cells(64, 32, 0xFFFFFF, 0);
    cells.fill_rect(32, 4, 4, 4, 0xFF0000);
    textures->textures["textures/cells"] = {64, 32, 1, &cells};
    attribute_list_c list = image_attrs("cells", 2, 2, rect(), rect(100, 200, 420, 360));
    multistate_image *image = new multistate_image(root, &list);
    ASSERT_EQ(image->blend_flags(), ui_vis_renderable_c::UI_BLEND_TEXTURE);
    struct
    {
        unsigned column, row;
        const char *drawn; // the rectangle drawn, "" for no draw
    } cases[] = {
        {0, 0, "410,230,420,290"},  // the neighbour's first column is within a filtered sample's reach
        {1, 0, "100,230,150,290"},
        {0, 1, ""},
        {1, 1, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + "," + std::to_string(c.row));
        image->set_column(c.column);
        image->set_row(c.row);
        render();
        if (!*c.drawn) {
            EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 0u);
            continue;
        }
        EXPECT_EQ(rec->count(recording_call_e::draw_indexed), 1u);
        const std::vector<unlit_vertex_s> v = vertices(image->vertex_buffer());
        ASSERT_EQ(v.size(), 4u);
        EXPECT_EQ(rect_text(rect(v[0].x, v[0].y, v[3].x, v[3].y)), c.drawn);
        // The texture coordinates follow the part: the same texel lands on the same pixel.
        const float texel_x = (v[0].x - 100) / 10 + 32 * float(c.column), texel_y = (v[0].y - 200) / 10;
        EXPECT_FLOAT_EQ(v[0].u, texel_x / 64);
        EXPECT_FLOAT_EQ(v[0].v, texel_y / 32);
    }

    image->shutdown_tree();
}

TEST_F(ui_render_test, images_give_back_their_own_textures_and_keep_shared_ones)
{
    vec2 corner(3, 4);
    multistate_image *a = new multistate_image(root, corner, "textures/states", 1, 1, rect());
    multistate_image *b = new multistate_image(root, corner, "textures/states", 1, 1, rect());
    stub_texture_c *states = textures->entry("textures/states");
    ASSERT_NE(states, nullptr);
    EXPECT_EQ(states->ref_count(), 2);
    EXPECT_EQ(a->shared_texture(), 0);
    EXPECT_EQ(rect_text(a->screen_rect()), "3,4,259,132");

    // A texture handed in stays the caller's.
    abstract_c *panel = textures->load_res("textures/panel", 1);
    multistate_image *c = new multistate_image(root, panel, 1, 1, rect());
    EXPECT_EQ(c->shared_texture(), 1);
    EXPECT_EQ(static_cast<stub_texture_c *>(panel)->ref_count(), 1);

    // Replacing an own texture gives it back; replacing a shared one does not.
    b->set_texture(panel, 1, 1, rect());
    EXPECT_EQ(states->ref_count(), 1);
    c->set_texture_by_name("textures/states", 1, 1, rect());
    EXPECT_EQ(states->ref_count(), 2);
    EXPECT_EQ(static_cast<stub_texture_c *>(panel)->ref_count(), 1);
    c->set_texture_by_name("textures/states", 1, 1, rect());
    EXPECT_EQ(states->ref_count(), 2) << "the same name again keeps one reference";

    for (multistate_image *image : {a, b, c})
        image->shutdown_tree();
    EXPECT_FALSE(states->alive()) << "both own references given back";
    EXPECT_TRUE(panel->alive());
    EXPECT_EQ(static_cast<stub_texture_c *>(panel)->ref_count(), 1);
    release_res(panel);
}

TEST_F(ui_render_test, images_refuse_bad_counts_and_missing_attributes_without_holding_a_texture)
{
    struct
    {
        int columns, rows;
        const char *text;
    } counts[] = {
        {0, 1, "Invalid column number 0"},
        {-1, 1, "Invalid column number -1"},
        {2, 0, "Invalid row number 0"},
    };
    for (const auto &c : counts) {
        attribute_list_c list = image_attrs("states", c.columns, c.rows, rect());
        EXPECT_EQ(thrown_text([&] { new multistate_image(root, &list); }), c.text);
        EXPECT_EQ(textures->entry("textures/states"), nullptr) << c.text << ": the loaded texture went back";
    }
    for (const char *missing : {"color", "tex_name", "columns", "rows", "tex"}) {
        attribute_list_c list;
        attribute_list_c full = image_attrs("states", 1, 1, rect());
        for (attribute_c *a = full.first(); a; a = a->next())
            if (a->name_id() != string_to_id(missing))
                add_attribute_by_id(nullptr, list, a->name_id(), a->value());
        EXPECT_EQ(thrown_text([&] { new multistate_image(root, &list); }),
                  std::string("Could not find required attribute '") + missing + "'");
    }
    attribute_list_c unknown = image_attrs("nothing", 1, 1, rect());
    EXPECT_EQ(thrown_text([&] { new multistate_image(root, &unknown); }), "Texture 'textures/nothing' not found");
    EXPECT_EQ(root->first_child(), textures) << "failed images leave nothing in the tree";
}
