// Shared resources: the base of every resource manager (fonts, models, sounds, textures).
//
// A manager is an object of the tree. It keeps one data entry per asset name (what was read
// from the files, read once) and hands out resource entries built from a data entry (what a
// user holds and drives by messages). Both kinds of entry are direct children of their
// manager, side by side in creation order; a resource entry is never a child of its data.
//
// Loading (mgr_load_res to the manager: PTR to an abstract_c* out, text name, INT prm; always
// answered, or throws): the data entry whose name equals the given one without regard to ASCII
// case is looked up among the manager's children, the oldest first (mgr_find_data); without
// one the manager's create_data builds it. On a found data entry a shareable resource entry
// built on it is looked up (mgr_find_resource); without one the data entry's create_resource
// builds a new one. The entry's ref_count goes up by one and the entry is written out. A
// resource entry with `unique` set is never found, so every load makes a new one. prm goes
// unchanged to create_data and create_resource. Errors of create_data / create_resource pass
// to the sender as they are; a data entry whose create_resource failed stays with
// resource_count 0 and the next load of its name tries create_resource again.
//
// Giving back (mgr_release_res to the resource entry itself, flags 1; always answered): the
// ref_count goes down; when the last reference goes, the entry gives its data entry one
// resource back (mgr_release_data) and shuts itself down at once (on_shutdown, weak pointers
// cleared, dead: it no longer answers and can no longer be found). The data entry shuts down
// when its last resource entry is given back. Dead entries are deleted with the other dead
// objects after the tick; live ones die with their manager.
//
// Invariant: a data entry's resource_count is the number of live resource entries built on it
// (a resource entry counts itself in its constructor; a derived constructor that throws takes
// the count back in the base destructor, so a failed create leaves the count as it was).
//
// Service requests: each manager answers its own root request (get_font_mgr, get_model_mgr,
// get_sound_mgr, get_texture_mgr: one PTR argument to a manager pointer, written, answered 1);
// the root passes them to its children. find_manager is the common accessor behind the
// managers' get_*_mgr functions.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"

class data_entity_c;
class resource_entity_c;

class manager_basic_c : public abstract_c
{
public:
    manager_basic_c(abstract_c *parent, const attribute_list_c *attributes);

    // Answers mgr_load_res; derived managers call it first, then handle their own messages.
    int handle_message(const msg_c *message, abstract_c *sender) override;

    // The data entry for an asset name (a new child of this manager), or the manager's own
    // "not found" error when there is none.
    virtual data_entity_c *create_data(const char *name, int prm) = 0;

    // The body of mgr_load_res: the entry with one more reference.
    resource_entity_c *load_res(const char *name, int prm);
};

class data_entity_c : public abstract_c
{
public:
    // template_name: the script template of the concrete class (null: none).
    data_entity_c(manager_basic_c *manager, const char *template_name, const char *name);

    int handle_message(const msg_c *message, abstract_c *sender) override;

    // A new resource entry built on this data entry (a new child of the manager).
    virtual resource_entity_c *create_resource(int prm) = 0;

    // The asset name exactly as it was first requested.
    const char *name() const { return m_name.get_const_pchar(); }
    int resource_count() const { return m_resource_count; }

protected:
    value_c m_name;
    int32_t m_resource_count;

private:
    friend class resource_entity_c;
};

class resource_entity_c : public abstract_c
{
public:
    // data: the data entry it is built from (counted at once), or null. unique non-zero: never
    // handed to a second user.
    resource_entity_c(manager_basic_c *manager, const char *template_name, data_entity_c *data, int unique);
    ~resource_entity_c() override;

    int handle_message(const msg_c *message, abstract_c *sender) override;

    int ref_count() const { return m_ref_count; }
    int unique() const { return m_unique; }
    data_entity_c *data() const { return m_data; }

protected:
    int32_t m_ref_count;
    int32_t m_unique;
    data_entity_c *m_data;

private:
    friend class manager_basic_c;
    // The data entry while this entry is counted in its resource_count (weak: reads null once
    // the data entry is shut down).
    object_pointer_c m_counted_in;
};

// Gives back one reference of a resource held as a plain pointer (no handle): mgr_release_res
// to the resource itself, flags 1, the resource as sender.
void release_res(abstract_c *resource);

// The manager that answers the root request `request` ("get_texture_mgr", ...), sent to the
// root with for_who as sender. Assertions: "m_root" without a root; the quoted send
// "root()->message(MSG_VAR(<request>), 0, for_who, MSG_ARG((void *)&ptr), MSG_ARGS_END)" when
// nobody answers; "ptr" when the answer is null.
abstract_c *find_manager(abstract_c *for_who, const char *request);
// Asset names compare without regard to ASCII case (other bytes, cp1251 letters included, must
// be equal).
bool same_name_ignoring_case(const char *a, const char *b);
// For a manager's handle_message: answers `request` by writing `manager` through argument 0.
int answer_manager_request(const msg_c *message, const msg_c &request, abstract_c *manager);
