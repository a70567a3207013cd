// Sound description files: name + ".sfd" says how a sound's samples are stored and how it plays.
// A file is a list of statements "keyword = value;" (keywords in any letter case, comments and
// white space as the tokenizer reads them):
//   format = PCM | Ogg;          exact case; exactly one format statement
//   sound_is_3D = yes | no;      looped = yes | no;      music = yes | no;   (yes/no in any case)
//   volume = <float>;            distances = <max float> / <min float>;
// "no" clears nothing: a flag once set stays set. Defaults: no flags, volume 1.0, distances
// 128.0 / 1.0. Every syntax error is a parser_exception_c that starts with the position; a file
// without a format statement fails with "format was not specified". load_sound_descr wraps all
// of these as exception_c "Loading objects data from '<file>' failed: <message>"; a missing file
// throws the file object's error unchanged.
#pragma once

class tok_c;

enum
{
    SOUND_FILE_PCM = 1,
    SOUND_FILE_Ogg = 2,
    SOUND_3D = 4,
    SOUND_LOOPED = 8,
    SOUND_MUSIC = 16,
    // Only in the copy a streamed instance keeps: its buffer always loops.
    SOUND_STREAMED = 0x20,
};

struct sound_descr
{
    int flags = 0;
    float volume = 1.0f;
    float min_distance = 1.0f;
    float max_distance = 128.0f;
};

// Reads statements up to the end of the text into out (which starts from the defaults).
void parse_sound_descr(tok_c &tok, sound_descr &out);
// The description of sound `name`, from name + ".sfd" behind the data directory.
sound_descr load_sound_descr(const char *name);
