// Sound description files (.sfd): the statements, their defaults and every refusal, read from
// files as the manager reads them.
#include "services/manager_sound_files.h"

#include "basics/Tok.h"
#include "basics/Vaultis.h"
#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class sound_descr_file : public ::testing::Test
{
protected:
    sound_descr_file() : m_enter(m_dir.path())
    {
        VT::init(nullptr);
        set_data_directory("data");
    }
    // The description of a file holding text, or the message it fails with.
    std::string load(const std::string &text, sound_descr &out)
    {
        fixture::write_file("data/sounds/s.sfd", text);
        try {
            out = load_sound_descr("sounds/s");
        } catch (const exception_c &e) {
            return e.get_message();
        }
        return "";
    }

    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
};

TEST_F(sound_descr_file, statements_set_flags_volume_and_distances)
{
    struct
    {
        const char *text;
        int flags;
        float volume, min_distance, max_distance;
    } cases[] = {
        {"format = PCM;", SOUND_FILE_PCM, 1.0f, 1.0f, 128.0f},
        {"format = PCM; sound_is_3D = yes; volume = 0.5; distances = 64.0 / 2.0;", 5, 0.5f, 2.0f, 64.0f},
        {"format = Ogg;\r\nlooped = yes;\r\nmusic = YES;\r\n", SOUND_FILE_Ogg | SOUND_LOOPED | SOUND_MUSIC, 1.0f, 1.0f,
         128.0f},
        // Keywords and yes/no in any case; comments; "no" keeps what an earlier "yes" set.
        {"// a comment\nFORMAT = PCM; Volume = 0.25; LOOPED = Yes; looped = no; Sound_Is_3d = No; /* x */",
         SOUND_FILE_PCM | SOUND_LOOPED, 0.25f, 1.0f, 128.0f},
        // The tokenizer's float suffixes: c divides by 255.
        {"format = Ogg; volume = 51c; distances = 10 / 20;", SOUND_FILE_Ogg, 0.2f, 20.0f, 10.0f},
    };
    for (const auto &c : cases) {
        sound_descr d;
        ASSERT_EQ(load(c.text, d), "") << c.text;
        EXPECT_EQ(d.flags, c.flags) << c.text;
        EXPECT_FLOAT_EQ(d.volume, c.volume) << c.text;
        EXPECT_FLOAT_EQ(d.min_distance, c.min_distance) << c.text;
        EXPECT_FLOAT_EQ(d.max_distance, c.max_distance) << c.text;
    }
}

TEST_F(sound_descr_file, broken_texts_name_the_file_and_the_fault)
{
    const std::string prefix = "Loading objects data from 'sounds/s.sfd' failed: ";
    struct
    {
        const char *text;
        const char *message;
    } cases[] = {
        {"", "format was not specified"},
        {"looped = yes;", "format was not specified"},
        {"format = pcm;", "L1,13: invalid format specification, expected 'PCM' or 'Ogg'"},
        {"format = OGG;", "L1,13: invalid format specification, expected 'PCM' or 'Ogg'"},
        {"format = PCM; format = PCM;", "L1,27: duplicate format specification"},
        {"format = PCM; format = Ogg;", "L1,27: duplicate format specification"},
        {"format = PCM; looped = maybe;", "L1,29: 'yes' or 'no' expected"},
        {"format = PCM; echo = yes;", "L1,21: unknown keyword 'echo'"},
        {"format = PCM; volume = loud;", "L1,24: float expected"},
        {"format = PCM; distances = 1.0 2.0;", "L1,31: '/' expected"},
        {"format = Ogg;\r\nvolume = 1.0;\r\nmusic = on;", "L3,11: 'yes' or 'no' expected"},
        {"format = PCM", "L1,13: ';' expected"},
        {"format PCM;", "L1,8: '=' expected"},
    };
    for (const auto &c : cases) {
        sound_descr d;
        EXPECT_EQ(load(c.text, d), prefix + c.message) << c.text;
    }
}

TEST_F(sound_descr_file, a_missing_file_fails_with_the_file_error)
{
    try {
        load_sound_descr("sounds/none");
        FAIL() << "no exception";
    } catch (const file_io_exception_c &e) {
        EXPECT_NE(e.get_message().find("sounds/none.sfd"), std::string::npos) << e.get_message();
    }
}

} // namespace
