#include "kernel/scripts.h"

#include "basics/Tok.h"
#include "basics/console_log.h"
#include "basics/vaultfile_obj.h"
#include "basics/rect.h"
#include "basics/vec3.h"
#include "kernel/exception.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

struct creator_entry
{
    const char *name;
    creator_fn creator;
};

creator_entry creators[MAX_CREATORS];
int creators_count = 0;

constexpr int name_buffer = 128;
constexpr int include_name_buffer = 256;
constexpr int string_value_buffer = 512;
constexpr size_t max_include_path = 1022;

[[noreturn]] void parser_error(tok_c &tok, const std::string &what)
{
    ENGINE_THROW(parser_exception_c, tok.position_string() + what);
}

// A string value. The tokenizer refuses one longer than the buffer as if no string came; here
// that is said as it is, at the string's opening quote.
void read_string_value(tok_c &tok, char *text, int size)
{
    tok.skip_space();
    if (tok.peek_char() != '"') {
        tok.read_string(text, size);
        return;
    }
    tok.save(0);
    if (!tok.parse_string(text, size)) {
        tok.restore(0);
        ENGINE_THROW(parser_exception_c, tok.position_string() + std::string(": quoted string too long (at most ") +
                                             std::to_string(size - 2) + " characters)");
    }
}

// The folder part of a script's name, separator included ("" when it has none).
std::string script_folder(const char *script_name)
{
    std::string folder(std::strlen(script_name) + 1, '\0');
    if (!path_directory(folder.data(), script_name))
        return std::string();
    return folder.c_str();
}

} // namespace

creator_fn find_creator(const char *class_name, creator_fn creator)
{
    int low = 0, high = creators_count;
    while (low < high) {
        int middle = (low + high) / 2;
        int order = std::strcmp(creators[middle].name, class_name);
        if (order == 0)
            return creators[middle].creator;
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (creator && creators_count < MAX_CREATORS) {
        for (int i = creators_count; i > low; --i)
            creators[i] = creators[i - 1];
        creators[low] = {class_name, creator};
        creators_count++;
    }
    return nullptr;
}

void register_creator(const char *class_name, creator_fn creator)
{
    if (creators_count >= MAX_CREATORS) {
        print_error_text("Too many creators (%i)'\n", creators_count);
        std::exit(1);
    }
    if (find_creator(class_name, creator)) {
        print_error_text("Duplicate classnames '%s'\n", class_name);
        std::exit(1);
    }
}

int creator_count()
{
    return creators_count;
}

abstract_c *create_object(const char *class_name, abstract_c *parent, const attribute_list_c *attributes)
{
    creator_fn creator = find_creator(class_name, nullptr);
    if (!creator)
        ENGINE_THROW(exception_c,
                     std::string("Could not find creator function for classname '") + class_name + "'");
    return creator(parent, attributes);
}

scripts_c *scripts_c::m_singletone = nullptr;

scripts_c::scripts_c()
{
    if (m_singletone)
        ENGINE_THROW(exception_c, "scripts_c is not unique");
    m_singletone = this;
}

scripts_c::~scripts_c() noexcept(false)
{
    if (!m_singletone) {
        if (std::uncaught_exceptions() == 0)
            ENGINE_THROW(exception_c, "~scripts_c: m_singletone == NULL");
        return;
    }
    m_templates.clear();
    m_singletone = nullptr;
}

scripts_c *scripts_c::instance()
{
    ENGINE_ASSERT(m_singletone);
    return m_singletone;
}

const scripts_c::template_record *scripts_c::lookup(const char *name) const
{
    for (const auto &record : m_templates)
        if (std::strcmp(record->name.get_const_pchar(), name) == 0)
            return record.get();
    return nullptr;
}

const attribute_list_c *scripts_c::find_template(const char *name)
{
    const template_record *record = instance()->lookup(name);
    if (!record)
        ENGINE_THROW(exception_c, std::string("Undeclared template '") + name + "'");
    return &record->attributes;
}

// Declared with abstract_c: an object built from a named template's attributes.
abstract_c::abstract_c(abstract_c *parent, const char *template_name)
    : abstract_c(parent, template_name ? scripts_c::find_template(template_name) : nullptr)
{
}

const attribute_list_c *scripts_c::read_base_template(tok_c &tok) const
{
    if (!tok.accept(":"))
        return nullptr;
    char name[name_buffer];
    tok.read_identifier(name, sizeof name);
    const template_record *record = lookup(name);
    if (!record)
        parser_error(tok, std::string(": undeclared template '") + name + "'");
    return &record->attributes;
}

void scripts_c::remove_local_templates()
{
    std::erase_if(m_templates, [](const std::unique_ptr<template_record> &record) { return record->local == 1; });
}

void scripts_c::parse_attributes(attribute_list_c &list, tok_c &tok, const attribute_list_c *base)
{
    if (base)
        copy_attributes(list, base);
    tok.expect("{");
    for (;;) {
        if (tok.accept("}"))
            return;
        // "type name =", read as scan reads the pattern "@id @id =".
        char type[name_buffer], name[name_buffer];
        tok.read_identifier(type, sizeof type);
        tok.read_identifier(name, sizeof name);
        tok.expect("=");
        uint32_t id = string_to_id(name);
        // Lengths first: most of these comparisons end there, without a call.
        const std::string_view kind(type);
        if (kind == "int") {
            set_attribute_by_id(list, id, value_c(tok.read_int()));
        } else if (kind == "float") {
            set_attribute_by_id(list, id, value_c(tok.read_float()));
        } else if (kind == "string") {
            char text[string_value_buffer];
            read_string_value(tok, text, sizeof text);
            set_attribute_by_id(list, id, value_c(text, value_c::STRING));
        } else if (kind == "vec2") {
            set_attribute_by_id(list, id, value_c(tok.read_vec2()));
        } else if (kind == "vec3") {
            set_attribute_by_id(list, id, value_c(tok.read_vec3()));
        } else if (kind == "rect") {
            set_attribute_by_id(list, id, value_c(tok.read_rect()));
        } else {
            parser_error(tok, ": unknown attribute typename");
        }
        tok.expect(";");
    }
}

void scripts_c::execute_script(const char *file_name, abstract_c *parent, int template_mode)
{
    try {
        tok_c tok(file_name);
        parse(tok, file_name, parent, 0, template_mode, 0);
    } catch (const parser_exception_c &e) {
        remove_local_templates();
        ENGINE_THROW(exception_c, std::string("Executing script '") + file_name + "' failed: " + e.get_message());
    }
    remove_local_templates();
}

void scripts_c::parse(tok_c &tok, const char *script_name, abstract_c *parent, int depth, int template_mode,
                      int include_depth)
{
    char keyword[name_buffer];
    char name[name_buffer];
    for (;;) {
        if (tok.skip_space())
            return;
        if (depth > 0) {
            char sym[4];
            if (tok.peek_symbol(sym) && std::strcmp(sym, "}") == 0)
                return;
        }
        tok.read_identifier(keyword, sizeof keyword);

        if (std::strcmp(keyword, "include") == 0) {
            char included[include_name_buffer];
            tok.read_string(included, sizeof included);
            tok.expect(";");
            std::string path = script_folder(script_name) + included;
            if (path.size() > max_include_path)
                parser_error(tok, std::string(": too long include name '") + included + "'");
            if (include_depth >= MAX_INCLUDE_DEPTH)
                parser_error(tok, std::string(": includes nested deeper than ") + std::to_string(MAX_INCLUDE_DEPTH) +
                                      " at '" + included + "'");
            tok_c included_tok(path.c_str());
            parse(included_tok, path.c_str(), parent, depth, template_mode, include_depth + 1);

        } else if (std::strcmp(keyword, "template") == 0) {
            if (depth > 0)
                parser_error(tok, ": Templates cannot be someone's children");
            tok.read_identifier(name, sizeof name);
            if (lookup(name))
                parser_error(tok, std::string(": Duplicate template name '") + name + "'");
            const attribute_list_c *base = read_base_template(tok);
            auto record = std::make_unique<template_record>(name, template_mode ? 0 : 1);
            parse_attributes(record->attributes, tok, base);
            m_templates.push_back(std::move(record));
            tok.expect(";");

        } else if (std::strcmp(keyword, "create") == 0) {
            if (template_mode)
                parser_error(tok, ": Cannot 'create' on template scripts");
            tok.read_identifier(name, sizeof name);
            const attribute_list_c *base = read_base_template(tok);
            attribute_list_c attributes;
            parse_attributes(attributes, tok, base);
            abstract_c *object = create_object(name, parent, &attributes);
            char word[name_buffer];
            if (tok.peek_identifier(word, sizeof word) && std::strcmp(word, "children") == 0) {
                tok.read_identifier(word, sizeof word);
                tok.expect(":");
                tok.expect("{");
                if (depth >= MAX_CHILDREN_DEPTH)
                    parser_error(tok, ": children nested deeper than " + std::to_string(MAX_CHILDREN_DEPTH));
                parse(tok, script_name, object, depth + 1, 0, include_depth);
                tok.expect("}");
            }
            tok.expect(";");
            object->message(MSG_VAR(creation_finished), 0, nullptr, MSG_ARGS_END);
        }
    }
}
