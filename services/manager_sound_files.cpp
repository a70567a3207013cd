#include "services/manager_sound_files.h"

#include "basics/Tok.h"
#include "services/manager_basic.h"
#include "kernel/exception.h"

#include <cstring>
#include <string>

namespace {

[[noreturn]] void fail_at(tok_c &tok, const std::string &what)
{
    ENGINE_THROW(parser_exception_c, std::string(tok.position_string()) + what);
}

// 1 for yes, 0 for no.
int read_yes_no(tok_c &tok)
{
    char word[128];
    tok.read_identifier(word, sizeof word);
    if (same_name_ignoring_case(word, "yes"))
        return 1;
    if (same_name_ignoring_case(word, "no"))
        return 0;
    fail_at(tok, ": 'yes' or 'no' expected");
}

} // namespace

void parse_sound_descr(tok_c &tok, sound_descr &out)
{
    static const struct
    {
        const char *keyword;
        int flag;
    } flag_keywords[] = {{"sound_is_3D", SOUND_3D}, {"looped", SOUND_LOOPED}, {"music", SOUND_MUSIC}};

    char keyword[128];
    while (!tok.skip_space()) {
        tok_c::scan(&tok, "@id =", &keyword);
        if (same_name_ignoring_case(keyword, "format")) {
            char format[128];
            tok.read_identifier(format, sizeof format);
            if (out.flags & (SOUND_FILE_PCM | SOUND_FILE_Ogg))
                fail_at(tok, ": duplicate format specification");
            if (std::strcmp(format, "PCM") == 0)
                out.flags |= SOUND_FILE_PCM;
            else if (std::strcmp(format, "Ogg") == 0)
                out.flags |= SOUND_FILE_Ogg;
            else
                fail_at(tok, ": invalid format specification, expected 'PCM' or 'Ogg'");
        } else if (same_name_ignoring_case(keyword, "volume")) {
            out.volume = tok.read_float();
        } else if (same_name_ignoring_case(keyword, "distances")) {
            const float max_distance = tok.read_float();
            tok.expect("/");
            out.min_distance = tok.read_float();
            out.max_distance = max_distance;
        } else {
            bool known = false;
            for (const auto &k : flag_keywords)
                if (same_name_ignoring_case(keyword, k.keyword)) {
                    if (read_yes_no(tok))
                        out.flags |= k.flag;
                    known = true;
                    break;
                }
            if (!known)
                fail_at(tok, std::string(": unknown keyword '") + keyword + "'");
        }
        tok.expect(";");
    }
    if (!(out.flags & (SOUND_FILE_PCM | SOUND_FILE_Ogg)))
        ENGINE_THROW(parser_exception_c, "format was not specified");
}

sound_descr load_sound_descr(const char *name)
{
    const std::string file = std::string(name) + ".sfd";
    tok_c tok(file.c_str());
    sound_descr descr;
    try {
        parse_sound_descr(tok, descr);
    } catch (const parser_exception_c &e) {
        ENGINE_THROW(exception_c, "Loading objects data from '" + file + "' failed: " + e.get_message());
    }
    return descr;
}
