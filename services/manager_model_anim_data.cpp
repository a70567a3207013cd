#include "services/manager_model_anim_data.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "basics/Tok.h"
#include "basics/helpers.h"
#include "importers/models.h"
#include "kernel/assert_quoting.h"
#include "kernel/scripts.h"
#include "services/itexture.h"
#include "services/manager_model_anim_res.h"
#include "services/manager_model_kinds.h"

data_entity_c *make_animated_model_data(manager_model_c *manager, const char *name)
{
    return new skelanim_data_c(manager, name);
}

namespace {

[[noreturn]] void parse_error(tok_c &tok, const std::string &what)
{
    ENGINE_THROW(parser_exception_c, std::string(tok.position_string()) + what);
}

void copy_name(char (&out)[SKELANIM_NAME_SIZE], const char *name)
{
    std::snprintf(out, sizeof out, "%s", name);
}

bool valid_delay(float d) { return d >= 0.001f && d <= 1000.0f; }

} // namespace

skelanim_data_c::skelanim_data_c(manager_model_c *manager, const char *name)
    : model_data_c(manager, "skelanim_data_tpl", name), m_transform(1.0f), m_default_time(0.0f)
{
    m_geometry.reserve(16);
    m_parts.reserve(16);
    m_gestures.reserve(8);
    m_morphs.reserve(64);
    m_delays.reserve(8);
    read_definition(name);
    add_default_morphs();
}

skelanim_data_c::~skelanim_data_c() { free_contents(); }

void skelanim_data_c::on_shutdown() { free_contents(); }

void skelanim_data_c::free_contents()
{
    m_parts.clear();
    m_geometry.clear();
    m_skeleton.reset();
}

resource_entity_c *skelanim_data_c::create_resource(int) { return new skelanim_resource_c(m_manager, this); }

void skelanim_data_c::read_definition(const char *model)
{
    const std::string file = std::string(model) + "/animated.def";
    tok_c tok(file.c_str());
    try {
        vec3 scale, angles, offset;
        tok_c::scan(&tok, "transform scale @vec3 angles @vec3 offset @vec3 ;", &scale, &angles, &offset);
        make_matrix(m_transform, placement{offset, angles, scale});

        char skeleton[SKELANIM_NAME_SIZE];
        tok_c::scan(&tok, "skeleton @str 32;", &skeleton);
        m_skeleton = std::make_unique<skeleton_instance_c>((std::string(model) + "/" + skeleton + ".skl").c_str(),
                                                           m_transform);
        const int frames_count = (int)m_skeleton->frames_count();
        // Key frames are stored as 16-bit indices.
        if (frames_count > INT16_MAX)
            ENGINE_THROW(exception_c, std::string("Skeleton '") + skeleton + "' has too many frames");

        tok_c::scan(&tok, "parts {");
        std::unique_ptr<itexture_mgr_c> textures;
        while (!tok.accept("}")) {
            char part_name[SKELANIM_NAME_SIZE], geometry[SKELANIM_NAME_SIZE], texture[SKELANIM_NAME_SIZE];
            char default_word[128];
            tok_c::scan(&tok, "part @str 32 : geometry @str 32, texture @str 32, default @id;", &part_name, &geometry,
                        &texture, &default_word);
            skelanim_part_s part{};
            copy_name(part.name, part_name);
            if (std::strcmp(default_word, "on") == 0)
                part.default_on = 1;
            else if (std::strcmp(default_word, "off") == 0)
                part.default_on = 0;
            else
                parse_error(tok, "Invalid 'default' parameter");

            part.geometry_index = -1;
            for (size_t g = 0; g < m_geometry.size(); ++g) {
                if (same_name_ignoring_case(m_geometry[g].name, geometry)) {
                    part.geometry_index = (int)g;
                    break;
                }
            }
            if (part.geometry_index < 0) {
                geometry_s entry{};
                copy_name(entry.name, geometry);
                entry.geometry = std::make_unique<skinned_mesh_c>(
                    d3d(), (std::string(model) + "/" + geometry + ".sgm").c_str(), m_skeleton.get());
                m_geometry.push_back(std::move(entry));
                part.geometry_index = (int)m_geometry.size() - 1;
            }
            if (!textures)
                textures = std::make_unique<itexture_mgr_c>();
            part.texture = textures->create_texture((std::string(model) + "/" + texture).c_str(), 0);
            m_parts.push_back(std::move(part));
        }
        tok.expect(";");
        if (m_parts.empty())
            ENGINE_THROW(parser_exception_c, "Model has no parts");

        tok_c::scan(&tok, "gestures {");
        while (!tok.accept("}")) {
            char word[128];
            if (tok.peek_identifier(word, sizeof word) && std::strcmp(word, "define") == 0) {
                float value;
                tok_c::scan(&tok, "define @id = @float;", &word, &value);
                if (std::strlen(word) >= SKELANIM_NAME_SIZE)
                    parse_error(tok, std::string(": Animation delay '") + word + "' name is too long");
                if (!valid_delay(value))
                    parse_error(tok, ": Invalid frame delay");
                delay_s delay{};
                copy_name(delay.name, word);
                delay.value = value;
                m_delays.push_back(delay);
                continue;
            }

            skelanim_gesture_s g{};
            char gesture_name[SKELANIM_NAME_SIZE];
            tok_c::scan(&tok, "gesture @str 32 @id {", &gesture_name, &word);
            copy_name(g.name, gesture_name);
            g.mode = select_by_name(word, GESTURE_OSCILLATING, "oscillating", GESTURE_WRAPPING, "wrapping",
                                    GESTURE_FINITE, "finite", GESTURE_STATIC, "static", -1, nullptr);
            if (g.mode < 0)
                parse_error(tok, ": Invalid gesture mode");

            float delays[MAX_GESTURE_FRAMES - 1];
            int delays_count = 0, frames_count_read = 0;
            for (;;) {
                int frame;
                tok_c::scan(&tok, "frame @int;", &frame);
                if (frame < 0 || frame >= frames_count)
                    parse_error(tok, ": Invalid frame index");
                g.frames[frames_count_read++] = (int16_t)frame;
                if (delays_count > 0 || g.mode == GESTURE_STATIC) {
                    if (tok.accept("}"))
                        break;
                    if (g.mode == GESTURE_STATIC)
                        parse_error(tok, ": static gestures must have only one frame");
                }
                tok_c::scan(&tok, "delay");
                float delay = 0.0f;
                if (tok.peek_identifier(word, sizeof word)) {
                    tok.read_identifier(word, sizeof word);
                    int found = -1;
                    for (size_t d = 0; d < m_delays.size() && found < 0; ++d)
                        if (std::strcmp(m_delays[d].name, word) == 0)
                            found = (int)d;
                    if (found < 0)
                        parse_error(tok, std::string(": Unknown animation delay '") + word + "'");
                    delay = m_delays[found].value;
                } else {
                    delay = tok.read_float();
                    if (!valid_delay(delay))
                        parse_error(tok, ": Invalid frame delay");
                }
                tok.expect(";");
                if (delays_count == MAX_GESTURE_FRAMES - 1)
                    parse_error(tok, ": Too many gesture frames");
                delays[delays_count++] = delay;
            }
            tok.expect(";");
            g.branches_count = delays_count;
            float sum = 0.0f;
            for (int i = 0; i < delays_count; ++i)
                g.times[i] = sum += delays[i];
            m_gestures.push_back(g);
        }
        tok.expect(";");
        if (m_gestures.empty())
            ENGINE_THROW(parser_exception_c, "Model has no gestures");

        tok_c::scan(&tok, "morphs { default_time @float;", &m_default_time);
        if (m_default_time < 0.0f)
            parse_error(tok, ": Invalid default morph time");
        while (!tok.accept("}")) {
            char src[SKELANIM_NAME_SIZE], dst[SKELANIM_NAME_SIZE];
            tok_c::scan(&tok, "morph @str 32", &src);
            int src_frame = -1;
            if (!tok.accept("*"))
                src_frame = tok.read_int();
            int dst_frame;
            float time;
            tok_c::scan(&tok, "to @str 32 @int by_time @float;", &dst, &dst_frame, &time);
            const int s = find_gesture(src);
            if (s < 0)
                parse_error(tok, std::string(": Undefined source gesture '") + src + "'");
            if (src_frame != -1 && !gesture_has_frame(s, src_frame))
                parse_error(tok, ": Invalid source frame " + std::to_string(src_frame) + " for gesture '" + src + "'");
            const int d = find_gesture(dst);
            if (d < 0)
                parse_error(tok, std::string(": Undefined destination gesture '") + dst + "'");
            if (!gesture_has_frame(d, dst_frame))
                parse_error(tok, ": Invalid destination frame " + std::to_string(dst_frame) + " for gesture '" + dst +
                                     "'");
            if (time < 0.0f) {
                char text[64];
                std::snprintf(text, sizeof text, "%g", time);
                parse_error(tok, std::string(": Invalid morph time ") + text + " to gesture '" + dst + "'");
            }
            m_morphs.push_back(skelanim_morph_s{s, src_frame, d, dst_frame, time});
        }
        tok.expect(";");
        if (!tok.skip_space())
            parse_error(tok, ": end of file expected");
    } catch (const parser_exception_c &e) {
        ENGINE_THROW(exception_c, "Loading model script '" + file + "' failed: " + e.get_message());
    }
}

void skelanim_data_c::add_default_morphs()
{
    const int n = (int)m_gestures.size();
    const size_t declared = m_morphs.size();
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < n; ++k) {
            if (i == k)
                continue;
            bool exists = false;
            for (size_t m = 0; m < declared && !exists; ++m)
                exists = m_morphs[m].src_gesture == i && m_morphs[m].dst_gesture == k;
            if (!exists)
                m_morphs.push_back(skelanim_morph_s{i, -1, k, m_gestures[k].frames[0], m_default_time});
        }
    }
}

int skelanim_data_c::find_gesture(const char *name) const
{
    for (size_t i = 0; i < m_gestures.size(); ++i)
        if (same_name_ignoring_case(m_gestures[i].name, name))
            return (int)i;
    return -1;
}

int skelanim_data_c::find_gesture_or_throw(const char *name) const
{
    const int g = find_gesture(name);
    if (g < 0)
        ENGINE_THROW(exception_c, std::string("Gesture '") + name + "' not found");
    return g;
}

const skelanim_gesture_s &skelanim_data_c::gesture(int gest_index) const
{
    ENGINE_ASSERT_QUOTING(gest_index >= 0 && gest_index < (int)m_gestures.size(),
                   "gest_index >= 0 && gest_index < m_gestures.size()");
    return m_gestures[gest_index];
}

int skelanim_data_c::gesture_has_frame(int gest_index, int frame) const
{
    const skelanim_gesture_s &g = gesture(gest_index);
    for (int i = 0; i <= g.branches_count; ++i)
        if (g.frames[i] == frame)
            return 1;
    return 0;
}

float skelanim_data_c::gesture_playtime(const char *name) const
{
    const skelanim_gesture_s &g = m_gestures[find_gesture_or_throw(name)];
    if (g.mode == GESTURE_STATIC)
        ENGINE_THROW(exception_c, std::string("Static gesture '") + name + "' has no playtime");
    ENGINE_ASSERT(g.branches_count > 0);
    return g.times[g.branches_count - 1];
}

int skelanim_data_c::find_morph(int src_gesture, int frame, int dst_gesture) const
{
    for (size_t i = 0; i < m_morphs.size(); ++i) {
        const skelanim_morph_s &m = m_morphs[i];
        if (m.src_gesture == src_gesture && m.dst_gesture == dst_gesture && (m.src_frame == frame || m.src_frame == -1))
            return (int)i;
    }
    return -1;
}

skelanim_morph_s skelanim_data_c::get_morph(int index) const
{
    ENGINE_ASSERT_QUOTING(index >= 0 && index < (int)m_morphs.size(), "index >= 0 && index < m_morphs.size()");
    return m_morphs[index];
}

int skelanim_data_c::find_part(const char *name) const
{
    for (size_t i = 0; i < m_parts.size(); ++i)
        if (std::strcmp(m_parts[i].name, name) == 0)
            return (int)i;
    ENGINE_THROW(exception_c, std::string("Undefined part '") + name + "'");
}

const skelanim_part_s &skelanim_data_c::part(int index) const
{
    if (index < 0 || index >= (int)m_parts.size())
        ENGINE_THROW(exception_c, "Invalid part index " + std::to_string(index));
    return m_parts[index];
}

skinned_mesh_c *skelanim_data_c::part_geometry(int index) const
{
    const skelanim_part_s &part = this->part(index);
    ENGINE_ASSERT_QUOTING(part.geometry_index >= 0 && part.geometry_index < (int)m_geometry.size(),
                   "part.geometry_index >= 0 && part.geometry_index < m_geometry.size()");
    return m_geometry[part.geometry_index].geometry.get();
}

void skelanim_data_c::pose(int from, int to, float factor)
{
    const int frames = (int)m_skeleton->frames_count();
    if (from < 0 || to < 0 || from >= frames || to >= frames)
        ENGINE_THROW(exception_c, "Invalid frame index(es): " + std::to_string(from) + ", " + std::to_string(to));
    m_skeleton->set_pose((unsigned)from, (unsigned)to, factor);
}
