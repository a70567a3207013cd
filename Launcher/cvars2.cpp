#include "Launcher/cvars2.h"

#include "Launcher/messages.h"
#include "Launcher/vaultfile_obj.h"
#include "platform/sys/replace_file.h"
#include "basics/Tok.h"
#include "kernel/exception.h"
#include "vaultis/Vaultis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

cvar_c *cvar_c::m_first = nullptr;

namespace {

// A configuration file larger than this is refused as unreadable rather than held in memory.
constexpr unsigned long most_config_bytes = 16ul << 20;

// The longest text a string variable takes.
constexpr size_t most_string_chars = 4095;

// Room for a name of 127 characters and its zero.
constexpr int statement_name_buffer = 129;

std::string quoted(const char *text, bool file_form)
{
    std::string out = "\"";
    for (const char *p = text; *p; ++p) {
        if (!file_form)
            out += *p;
        else if (*p == '"' || *p == '\\')
            out += {'\\', *p};
        else if (*p == '\n')
            out += "\\n";
        else if (*p == '\r')
            out += "\\r";
        else
            out += *p;
    }
    return out + "\"";
}

std::string format_number(const char *format, double a, double b = 0, double c = 0)
{
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// A float as a configuration file keeps it: enough digits to read back the same float.
std::string file_float(float value)
{
    return format_number(std::isfinite(value) ? "%.9g" : "%+g", value);
}

// Reads a vector of three floats, or fails with the position.
void read_vector(tok_c &tok, float *out)
{
    if (!tok.parse_vec3(out))
        ENGINE_THROW(parser_exception_c, std::string(tok.position_string()) + ": vector expected");
}

// The whole text of a configuration file, read through the pack-file library.
std::string read_config_text(const char *file_name)
{
    VT::auto_file file(VT::open(file_name));
    if (!file)
        ENGINE_THROW(parser_exception_c, std::string("Could not open file '") + file_name + "'");
    const unsigned long size = VT::size(file);
    std::string text;
    if (size > most_config_bytes)
        ENGINE_THROW(parser_exception_c, std::string("Could not read file '") + file_name + "'");
    text.resize(size);
    if (size && !VT::read(file, text.data(), size))
        ENGINE_THROW(parser_exception_c, std::string("Could not read file '") + file_name + "'");
    return text;
}

} // namespace

const char *cvar_type_name(int type)
{
    static const char *const names[] = {"void", "int", "float", "vector", "string", "command", "save_proc"};
    return type >= 0 && type <= CVAR_SAVE_PROC ? names[type] : "<unknown type>";
}

void cvar_c::register_variable(const char *name, int type, int size)
{
    if (m_type != CVAR_VOID)
        ENGINE_THROW(exception_c, std::string("cvar '") + m_name + "' already initialized, trying to rewrite by '" +
                                      name + "'");
    const size_t nl = std::strlen(name);
    ENGINE_ASSERT(nl);
    if (name[0] == '*') {
        ENGINE_ASSERT(nl > 1);
        ENGINE_ASSERT(nl <= MAX_CVAR_NAME);
        m_saved = 0;
        std::memcpy(m_name, name + 1, nl - 1);
    } else {
        ENGINE_ASSERT(nl < MAX_CVAR_NAME);
        m_saved = 1;
        std::memcpy(m_name, name, nl);
    }
    m_size = size;
    m_type = type;
    cvar_c **link = &m_first;
    for (; *link; link = &(*link)->m_next) {
        if (strcasecmp((*link)->m_name, m_name) == 0) {
            const std::string taken = m_name;
            m_type = CVAR_VOID;
            ENGINE_THROW(exception_c, "Duplicate config variable '" + taken + "'");
        }
    }
    *link = this;
}

cvar_c::cvar_c(const char *name, int type, int size)
{
    register_variable(name, type, size);
}

cvar_c::cvar_c(const char *name, int value)
{
    register_variable(name, CVAR_INT, 4);
    m_data.m_int = value;
}

cvar_c::cvar_c(const char *name, float value)
{
    register_variable(name, CVAR_FLOAT, 4);
    m_data.m_float = value;
}

cvar_c::cvar_c(const char *name, float x, float y, float z)
{
    register_variable(name, CVAR_VECTOR, 12);
    set_vector(x, y, z);
}

cvar_c::cvar_c(const char *name, const char *text)
{
    const int size = std::max((int)std::strlen(text) + 1, 32);
    register_variable(name, CVAR_STRING, size);
    m_data.m_string = new char[size]();
    std::strcpy(m_data.m_string, text);
}

cvar_c::~cvar_c()
{
    for (cvar_c **link = &m_first; *link; link = &(*link)->m_next) {
        if (*link == this) {
            *link = m_next;
            break;
        }
    }
    if (m_type == CVAR_STRING)
        delete[] m_data.m_string;
    m_type = CVAR_VOID;
    m_data = {};
    m_size = 0;
    m_saved = 0;
    m_next = nullptr;
}

cvar_c *cvar_c::find(const char *name)
{
    for (cvar_c *v = m_first; v; v = v->m_next)
        if (v->m_type != CVAR_SAVE_PROC && strcasecmp(v->m_name, name) == 0)
            return v;
    return nullptr;
}

int cvar_c::get_int() const
{
    ENGINE_ASSERT(m_type == CVAR_INT);
    return m_data.m_int;
}

void cvar_c::set_int(int value)
{
    ENGINE_ASSERT(m_type == CVAR_INT);
    m_data.m_int = value;
}

float cvar_c::get_float() const
{
    ENGINE_ASSERT(m_type == CVAR_FLOAT);
    return m_data.m_float;
}

void cvar_c::set_float(float value)
{
    ENGINE_ASSERT(m_type == CVAR_FLOAT);
    m_data.m_float = value;
}

const float *cvar_c::get_vector() const
{
    ENGINE_ASSERT(m_type == CVAR_VECTOR);
    return m_data.m_vector;
}

void cvar_c::set_vector(float x, float y, float z)
{
    ENGINE_ASSERT(m_type == CVAR_VECTOR);
    m_data.m_vector[0] = x;
    m_data.m_vector[1] = y;
    m_data.m_vector[2] = z;
}

const char *cvar_c::get_string() const
{
    ENGINE_ASSERT(m_type == CVAR_STRING);
    return m_data.m_string;
}

void cvar_c::set_string(const char *text)
{
    ENGINE_ASSERT(m_type == CVAR_STRING);
    const size_t l = std::strlen(text);
    ENGINE_ASSERT(l < 4096);
    static_assert(most_string_chars + 1 == 4096);
    if ((size_t)m_size < l + 1) {
        // The recorded size stays: a later longer text gets a new buffer again.
        char *buffer = new char[l + 1];
        delete[] m_data.m_string;
        m_data.m_string = buffer;
    }
    std::memmove(m_data.m_string, text, l + 1);
}

std::string cvar_c::value_text(bool file_form) const
{
    switch (m_type) {
    case CVAR_INT:
        return std::to_string(m_data.m_int);
    // A file gets every float in full (nine digits read back to the same float, "%+g" spells
    // infinities and NaNs as the tokenizer reads them); the short forms are for showing.
    case CVAR_FLOAT:
        return file_form ? file_float(m_data.m_float) : format_number("%#.6g", m_data.m_float);
    case CVAR_VECTOR:
        if (file_form)
            return "[" + file_float(m_data.m_vector[0]) + " " + file_float(m_data.m_vector[1]) + " " +
                   file_float(m_data.m_vector[2]) + "]";
        return format_number("[%.2f %.2f %.2f]", m_data.m_vector[0], m_data.m_vector[1], m_data.m_vector[2]);
    case CVAR_STRING:
        return quoted(m_data.m_string, file_form);
    case CVAR_COMMAND: {
        std::string usage = std::string("Usage: ") + m_name + " ";
        const auto *command = static_cast<const cvar_command_c *>(this);
        for (int i = 0; i < command->parameter_count(); ++i)
            usage += std::string(i ? " " : "") + cvar_type_name(command->parameter(i).m_type);
        return usage;
    }
    case CVAR_SAVE_PROC:
        return "No string representation";
    default:
        ENGINE_THROW(exception_c, "Unsupported cvar type");
    }
}

void cvar_c::value_to_text(char *buffer, size_t buffer_size) const
{
    ENGINE_ASSERT(buffer_size >= 256);
    if (m_type == CVAR_STRING)
        ENGINE_ASSERT(strlen(m_data.m_string) + 2 < buffer_size);
    const std::string text = value_text(false);
    // Only a command with very many parameters can be longer: its usage is cut.
    std::snprintf(buffer, buffer_size, "%s", text.c_str());
}

void cvar_c::write_value(launcher::vaultfile_c &file)
{
    if (m_type < CVAR_INT || m_type > CVAR_STRING)
        ENGINE_THROW(exception_c, "Unsupported cvar type");
    const std::string text = value_text(true);
    file.write(text.data(), (unsigned long)text.size());
}

void cvar_c::parse_value(tok_c &tok)
{
    switch (m_type) {
    case CVAR_INT:
        m_data.m_int = tok.read_int();
        break;
    case CVAR_FLOAT:
        m_data.m_float = tok.read_float();
        break;
    case CVAR_VECTOR:
        read_vector(tok, m_data.m_vector);
        break;
    case CVAR_STRING: {
        // Room for every text set_string takes, so that whatever was saved reads back whole.
        std::string text(most_string_chars + 2, '\0');
        tok.read_string(text.data(), int(text.size()));
        set_string(text.c_str());
        break;
    }
    default:
        ENGINE_THROW(exception_c, "Unsupported cvar type");
    }
}

cvar_command_c::cvar_command_c(const char *name, std::initializer_list<int> parameter_types)
    : cvar_c(name, CVAR_COMMAND, 0)
{
    m_params = new cvar_param_c[parameter_types.size()]();
    for (int type : parameter_types) {
        cvar_param_c &p = m_params[m_param_count++];
        p.m_type = type;
        if (type == CVAR_STRING)
            p.m_value.m_string = p.m_text;
    }
}

cvar_command_c::~cvar_command_c()
{
    delete[] m_params;
}

const cvar_param_c &cvar_command_c::parameter(int i) const
{
    ENGINE_ASSERT(i >= 0 && i < m_param_count);
    return m_params[i];
}

void cvar_command_c::parse_value(tok_c &tok)
{
    for (int i = 0; i < m_param_count; ++i) {
        cvar_param_c &p = m_params[i];
        switch (p.m_type) {
        case CVAR_INT:
            p.m_value.m_int = tok.read_int();
            break;
        case CVAR_FLOAT:
            p.m_value.m_float = tok.read_float();
            break;
        case CVAR_VECTOR:
            read_vector(tok, p.m_value.m_vector);
            break;
        case CVAR_STRING:
            tok.read_string(p.m_text, sizeof p.m_text);
            break;
        default:
            ENGINE_THROW(exception_c, "Invalid parameter type");
        }
    }
}

void cvar_parse(tok_c &tok)
{
    while (!tok.skip_space()) {
        char name[statement_name_buffer];
        if (!tok.parse_identifier(name, sizeof name))
            ENGINE_THROW(parser_exception_c, std::string(tok.position_string()) + ": config variable name expected");
        cvar_c *v = cvar_c::find(name);
        if (!v)
            ENGINE_THROW(parser_exception_c, std::string("Unknown variable or command '") + name + "'");
        if (v->type() == CVAR_COMMAND) {
            v->parse_value(tok);
            tok.expect(";");
            v->execute();
        } else if (tok.accept(";")) {
            launcher_print_message("%s = %s\n", v->name(), v->value_text(false).c_str());
        } else {
            v->parse_value(tok);
            tok.expect(";");
        }
    }
}

int cvar_exec(const char *file_name)
{
    launcher_print_message("Executing '%s'...\n", file_name);
    try {
        const std::string text = read_config_text(file_name);
        tok_c tok{std::string_view(text)};
        cvar_parse(tok);
        return 1;
    } catch (const parser_exception_c &e) {
        launcher_print_message("Parse error: %s\n", e.get_message().c_str());
        return 0;
    }
}

void cvar_save(const char *file_name)
{
    std::string text;
    launcher::vaultfile_c file(&text);
    file.printf("//\r\n//Automatically written configuration file\r\n//Config Lib by Orlevant\r\n//\r\n\r\n");
    for (cvar_c *v = cvar_c::first(); v; v = v->next()) {
        // A command has no value to keep: its usage text would stop the file when read back.
        if (!v->saved() || v->type() == CVAR_COMMAND)
            continue;
        if (v->type() == CVAR_SAVE_PROC) {
            v->write_value(file);
            continue;
        }
        file.printf("%s ", v->name());
        v->write_value(file);
        file.printf(";\r\n");
    }
    // Written whole beside the file and renamed over it, so that a kill or a full disk leaves
    // the old settings or the new ones, never a part; what a killed save left goes now.
    const std::string name = file_name;
    const size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    const std::string temp_prefix = "." + name.substr(slash == std::string::npos ? 0 : slash + 1) + "-";
    sys_remove_stale_temporaries(dir, temp_prefix.c_str());
    const sys_replace_result saved = sys_replace_file(name, text.data(), text.size(), temp_prefix.c_str(), 0666);
    if (saved.step == SYS_REPLACE_WRITE)
        ENGINE_THROW(exception_c, "Could not write data to file '" + name + "'");
    if (saved.step != SYS_REPLACE_DONE)
        ENGINE_THROW(exception_c, "Could not create file '" + name + "'");
}
