// Configuration variables: named, typed values (int, float, vector, string) and commands that
// register themselves in one global list when they are constructed (normally as static
// objects), are set by running a configuration file and are written back to configuration
// files. Save procedures are list members that write what they like when a file is saved.
//
// Names: at most 31 characters, unique without regard to case. A name given with a leading
// '*' registers a variable that is not saved (the star is not part of the name). A broken
// name ("nl", "nl > 1", "nl <= MAX_CVAR_NAME", "nl < MAX_CVAR_NAME") or a duplicate
// ("Duplicate config variable '<name>'") throws exception_c from the constructor.
//
// Configuration files: statements "name value ;" with // and /* */ comments. "name ;" of a
// variable prints "name = value"; a command reads its parameters, the ';', then executes. The
// first error (parser_exception_c) ends the file; what came before it keeps its effect.
// Strings are written between double quotes; a quote, a backslash or a line break in them is
// escaped as the tokenizer reads it back, so that every saved value reads back the same
// (strings up to 4095 characters, as many as set_string takes; a longer one in a file is an
// error).
//
// Printing goes to the launcher's message list (Launcher/messages.h).
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

class tok_c;
namespace launcher {
class vaultfile_c;
}

constexpr int MAX_CVAR_NAME = 32;

enum
{
    CVAR_VOID = 0,
    CVAR_INT = 1,
    CVAR_FLOAT = 2,
    CVAR_VECTOR = 3,
    CVAR_STRING = 4,
    CVAR_COMMAND = 5,
    CVAR_SAVE_PROC = 6
};

// "void", "int", "float", "vector", "string", "command", "save_proc" or "<unknown type>".
const char *cvar_type_name(int type);

class cvar_c
{
public:
    cvar_c(const char *name, int value);
    cvar_c(const char *name, float value);
    cvar_c(const char *name, float x, float y, float z);
    cvar_c(const char *name, const char *text);
    virtual ~cvar_c();
    cvar_c(const cvar_c &) = delete;
    cvar_c &operator=(const cvar_c &) = delete;

    int get_int() const;
    void set_int(int value);
    float get_float() const;
    void set_float(float value);
    const float *get_vector() const;
    void set_vector(float x, float y, float z);
    const char *get_string() const;
    // Texts of 4096 characters and more are refused ("l < 4096").
    void set_string(const char *text);

    const char *name() const { return m_name; }
    int type() const { return m_type; }
    // The string buffer's size as registered, or 4 for an int.
    int size() const { return m_size; }
    int saved() const { return m_saved; }
    cvar_c *next() const { return m_next; }
    static cvar_c *first() { return m_first; }
    // The variable of that name (without regard to case), save procedures excepted; or null.
    static cvar_c *find(const char *name);

    // The value as text into buffer (at least 256 bytes): "%i", "%#.6g", "[%.2f %.2f %.2f]",
    // a string between quotes, a command's usage, "No string representation" for a save
    // procedure.
    void value_to_text(char *buffer, size_t buffer_size) const;
    // The same text of any length; file_form escapes a string as the tokenizer reads it back
    // and writes floats with every digit ("%.9g"; "+inf", "-inf", "+nan" for the rest).
    std::string value_text(bool file_form) const;

    // Writes the value as a configuration file holds it (types int to string).
    virtual void write_value(launcher::vaultfile_c &file);
    // Reads the value (a command: its parameters) from a configuration file.
    virtual void parse_value(tok_c &tok);
    // A command's action; nothing for a variable.
    virtual void execute() {}

protected:
    cvar_c(const char *name, int type, int size);

    int m_type = CVAR_VOID;
    char m_name[MAX_CVAR_NAME] = {};
    union
    {
        int m_int;
        float m_float;
        float m_vector[3];
        char *m_string;
    } m_data = {};
    int m_size = 0;
    int m_saved = 0;

private:
    void register_variable(const char *name, int type, int size);

    cvar_c *m_next = nullptr;
    static cvar_c *m_first;
};

// One parameter of a command: its type (CVAR_INT to CVAR_STRING), its value and the text a
// string parameter's value points to.
struct cvar_param_c
{
    int m_type;
    union
    {
        int m_int;
        float m_float;
        float m_vector[3];
        char *m_string;
    } m_value;
    char m_text[128];
};

// A command: derive and give execute() its action; it reads its parameters first.
class cvar_command_c : public cvar_c
{
public:
    cvar_command_c(const char *name, std::initializer_list<int> parameter_types);
    ~cvar_command_c() override;
    int parameter_count() const { return m_param_count; }
    const cvar_param_c &parameter(int i) const;
    void parse_value(tok_c &tok) override;

private:
    int m_param_count = 0;
    cvar_param_c *m_params = nullptr;
};

// A save procedure: derive and give write_value() what it writes when a file is saved.
class cvar_save_proc_c : public cvar_c
{
public:
    explicit cvar_save_proc_c(const char *name) : cvar_c(name, CVAR_SAVE_PROC, 0) {}
};

// Runs the statements of tok until its end; parser_exception_c on the first error.
void cvar_parse(tok_c &tok);
// Prints "Executing '<name>'...", runs the file; 1, or 0 after printing "Parse error: <why>"
// when it could not be read ("Could not open file '<name>'", "Could not read file '<name>'")
// or had an error.
int cvar_exec(const char *file_name);
// Writes the header and every saved variable, in the order of registration, as the whole new
// content of the file, which is replaced only once the new one is whole on disk (see
// platform/sys/replace_file.h); exception_c "Could not create file '<name>'" when it cannot be
// made or put in place, "Could not write data to file '<name>'" when writing it fails (a full
// disk), the old file left as it was in both cases.
void cvar_save(const char *file_name);
