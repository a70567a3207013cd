// Scripts, templates and creators: how the object tree is built from .isc files.
//
// Creators. Every class that scripts may create has a creator function in one table (at most
// 4096 entries, sorted by class name, case-sensitive). The table is filled before the
// program's entry function runs and never changes afterwards. Registration is explicit, so
// that nothing depends on static initialisers surviving a static link:
//   - each module offers ONE function, named <module>_register_creators() (for example
//     kernel_register_creators() in kernel/root.h registers "abstract", "root" and "clock"),
//     that calls register_creator once per class of the module:
//         register_creator("clock", make_object<clock_c>);
//     with a string literal as the name (the table keeps the pointer, not a copy);
//   - Vizuzuze/main.cpp calls every module's function once, before the entry function;
//   - test programs call the functions of the modules they need once (and register their own
//     test classes themselves); nothing registers by itself.
// A class name registered twice writes "Duplicate classnames '<name>'" to the standard error
// stream and ends the program with exit code 1; so does a full table ("Too many creators").
//
// Scripts. One scripts_c runs every script and owns the templates. A script is a sequence of
// statements, read with the tokenizer (basics/Tok.h):
//     include "file.isc";                     (relative to the including script's folder)
//     template name [: base] { attributes };
//     create class [: template] { attributes } [children : { statements }];
// Any other identifier is skipped. An attribute block holds items "type name = value;" with
// the types int, float, string, vec2, vec3 and rect. Templates declared in template mode last
// as long as the runner; templates declared by a normal run are removed whenever an
// execute_script call ends. Each created object gets creation_finished after its children.
// Parser errors come out of execute_script as exception_c "Executing script '<file>' failed: "
// followed by the position and the parser's message; other errors (unknown class, failing
// constructor, type mismatch, missing file) pass through unchanged. Includes nest at most
// 32 deep and children blocks at most 256 deep, so an include cycle or a hostile script fails
// as a parser error instead of exhausting the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "kernel/abstract.h"

class tok_c;

typedef abstract_c *(*creator_fn)(abstract_c *parent, const attribute_list_c *attributes);

constexpr int MAX_CREATORS = 4096;
constexpr int MAX_INCLUDE_DEPTH = 32;
constexpr int MAX_CHILDREN_DEPTH = 256;

// The creator of a class whose constructor takes (parent, attribute list).
template <class T> abstract_c *make_object(abstract_c *parent, const attribute_list_c *attributes)
{
    return new T(parent, attributes);
}

void register_creator(const char *class_name, creator_fn creator);
// With a null creator: the registered creator or null. With a creator: inserts it when the
// name is new (returns null), else returns the existing creator and inserts nothing.
creator_fn find_creator(const char *class_name, creator_fn creator);
int creator_count();
// "Could not find creator function for classname '<name>'" for an unknown class.
abstract_c *create_object(const char *class_name, abstract_c *parent, const attribute_list_c *attributes);

class scripts_c
{
public:
    // "scripts_c is not unique" when one exists already.
    scripts_c();
    ~scripts_c() noexcept(false);
    scripts_c(const scripts_c &) = delete;
    scripts_c &operator=(const scripts_c &) = delete;

    // The runner; none is the assertion "m_singletone".
    static scripts_c *instance();
    // The first template of that name; "Undeclared template '<name>'" when there is none.
    static const attribute_list_c *find_template(const char *name);
    // Reads "{ type name = value; ... }" into list, starting from a copy of base (may be null).
    static void parse_attributes(attribute_list_c &list, tok_c &tok, const attribute_list_c *base);

    // Runs a script file (behind the data directory). template_mode 1 only declares templates.
    void execute_script(const char *file_name, abstract_c *parent, int template_mode);

    int template_count() const { return (int)m_templates.size(); }

private:
    struct template_record
    {
        template_record(const char *text, int32_t is_local) : name(text, value_c::STRING), local(is_local) {}
        value_c name;
        attribute_list_c attributes;
        int32_t local;
    };

    const template_record *lookup(const char *name) const;
    // After a name: an optional ":" and the name of a declared template, whose list it returns.
    const attribute_list_c *read_base_template(tok_c &tok) const;
    void parse(tok_c &tok, const char *script_name, abstract_c *parent, int depth, int template_mode,
               int include_depth);
    void remove_local_templates();

    std::vector<std::unique_ptr<template_record>> m_templates;

    static scripts_c *m_singletone;
};

// select_by_name(text, value1, "name1", value2, "name2", ..., default_value, nullptr): the value
// written before the first name equal to text, else the default.
inline int select_by_name(const char *, int default_value, std::nullptr_t)
{
    return default_value;
}
template <class... R> int select_by_name(const char *text, int value, const char *name, R... rest)
{
    return std::strcmp(text, name) == 0 ? value : select_by_name(text, rest...);
}
