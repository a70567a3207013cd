// The tokenizer: the input is a text file read through the file object. Every reader runs over
// it: characters one by one, the testing readers token by token, the demanding ones (whose
// parser errors are clean refusals) and scan with patterns of every parameter kind. Each pass
// ends when the text does (the throwing ones after a number of errors); a testing reader that
// succeeds must move forward, or the harness reports a stall.
#include "basics/Tok.h"
#include "fuzz/fuzz_support.h"
#include "kernel/exception.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char *const input_name = "input.txt";

// A reader that reports success without moving is a stall: the engine's loops would spin.
void check_progress(tok_c &tok, int before_line, int before_column, const char *reader)
{
    if (tok.line() == before_line && tok.column() == before_column && !tok.at_end()) {
        std::fprintf(stderr, "fuzz_tok: %s succeeded without moving at %s\n", reader, tok.position_string());
        std::abort();
    }
}

// Every failing demanding reader throws, which is slow; a pass stops after this many.
constexpr int most_errors = 48;

// Moves over the next token with the testing readers, or over one character.
void skip_token(tok_c &tok)
{
    char word[128], text[512], sym[4];
    float f;
    tok.save(1);
    if (tok.parse_identifier(word, sizeof word))
        return;
    tok.restore(1);
    if (tok.parse_float(&f))
        return;
    tok.restore(1);
    if (tok.parse_string(text, sizeof text))
        return;
    tok.restore(1);
    if (tok.parse_symbol(sym))
        return;
    tok.restore(1);
    tok.read_char();
}

void testing_readers()
{
    tok_c tok(input_name);
    char word[128];
    char text[64];
    char sym[4];
    float v[3];
    rect r;
    int i;
    while (!tok.skip_space()) {
        const int line = tok.line(), column = tok.column();
        tok.save(0);
        if (tok.peek_identifier(word, sizeof word) && tok.parse_identifier(word, sizeof word)) {
            check_progress(tok, line, column, "parse_identifier");
            continue;
        }
        tok.restore(0);
        tok.save(1);
        if (tok.parse_int(&i)) {
            tok.restore(1);
            if (tok.parse_float(v)) {
                check_progress(tok, line, column, "parse_float");
                continue;
            }
        }
        tok.restore(1);
        if (tok.parse_vec3(v) || (tok.restore(1), tok.parse_vec2(v)) || (tok.restore(1), tok.parse_rect(&r))) {
            check_progress(tok, line, column, "a vector reader");
            continue;
        }
        tok.restore(1);
        if (tok.parse_string(text, sizeof text)) {
            check_progress(tok, line, column, "parse_string");
            continue;
        }
        tok.restore(1);
        if (tok.peek_symbol(sym) && tok.accept(sym)) {
            check_progress(tok, line, column, "accept");
            continue;
        }
        tok.restore(1);
        tok.peek_char();
        tok.read_char();
    }
}

void demanding_readers()
{
    tok_c tok(input_name);
    char text[512];
    int errors = 0;
    for (int kind = 0; !tok.skip_space() && errors < most_errors; kind = (kind + 1) % 8) {
        tok.save(0);
        try {
            switch (kind) {
            case 0: tok.get_identifier(); break;
            case 1: tok.read_int(); break;
            case 2: tok.read_float(); break;
            case 3: tok.read_vec2(); break;
            case 4: tok.read_vec3(); break;
            case 5: tok.read_rect(); break;
            case 6: tok.read_string(text, sizeof text); break;
            default: tok.expect(";"); break;
            }
        } catch (const parser_exception_c &) {
            ++errors;
            tok.restore(0);
            skip_token(tok);
        }
    }
}

void scanning()
{
    static const char *const patterns[] = {
        "@id @id = ;",
        "transform scale @vec3 angles @vec3 offset @vec3 ;",
        "@int @float @vec2 @rect @str 32",
        "{ @id : @str 8 } ;",
    };
    tok_c tok(input_name);
    int n;
    float f;
    float v2[2], v3[3];
    rect r;
    char a[128], b[128], s32[32], s8[8];
    int errors = 0;
    for (int k = 0; !tok.skip_space() && errors < most_errors; ++k) {
        tok.save(0);
        try {
            switch (k % 4) {
            case 0: tok_c::scan(&tok, patterns[0], &a, &b); break;
            case 1: tok_c::scan(&tok, patterns[1], &v3, &v3, &v3); break;
            case 2: tok_c::scan(&tok, patterns[2], &n, &f, &v2, &r, &s32); break;
            default: tok_c::scan(&tok, patterns[3], &a, &s8); break;
            }
        } catch (const parser_exception_c &) {
            ++errors;
            tok.restore(0);
            skip_token(tok);
        }
    }
}

void characters()
{
    tok_c tok(input_name);
    int last_line = tok.line();
    while (!tok.at_end()) {
        const int peeked = tok.peek_char();
        if (tok.read_char() != peeked) {
            std::fprintf(stderr, "fuzz_tok: peek_char and read_char differ at %s\n", tok.position_string());
            std::abort();
        }
        if (tok.line() < last_line) {
            std::fprintf(stderr, "fuzz_tok: the line count went back at %s\n", tok.position_string());
            std::abort();
        }
        last_line = tok.line();
    }
    if (tok.read_char() != 0 || tok.peek_char() != 0 || !tok.skip_space()) {
        std::fprintf(stderr, "fuzz_tok: the end of the text is not final\n");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data(input_name, data, size);
    try {
        characters();
        testing_readers();
        demanding_readers();
        scanning();
    } catch (const exception_c &) {
        // File errors and parser errors outside the passes' own handling: a clean refusal.
    }
    return 0;
}
