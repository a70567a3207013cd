// abstract_c: every engine object is a node of one tree with a single root.
//
// Tree: a new object is alive and linked in front of its parent's children, so the children
// run from the first (newest) to the last (oldest); an object without a parent becomes the
// root, and a second one is refused ("The root object must be unique"). Objects die only by
// shutdown_tree (on them or an ancestor): the subtree's on_shutdown hooks run deepest first,
// weak pointers (object_pointer_c) read null at once, and the dead stay linked, receiving no
// messages, until collect_dead_children on an ancestor (the main loop runs it on the root
// after every tick) or the deletion of an ancestor deletes them. Never delete an object while
// a message is being delivered through it: kill it with shutdown_tree instead.
//
// Messages: see kernel/message.h. handle_message returns non-zero to claim a message;
// pass_to_children returns 0 to keep a message from the children. It is a question without
// side effects: a broadcast (flags 0) does not ask it of an object that has no children.
//
// Attributes: each object owns its list (copied from the script's or template's list at
// construction); find_attribute and attribute read it and require the object to be alive.
//
// The root and the kernel's walks are single-threaded.
#pragma once

#include <cstdint>
#include <type_traits>

#include "kernel/attribute.h"
#include "kernel/message.h"
#include "kernel/object_pointer.h"
#include "kernel/value.h"

class abstract_c
{
public:
    // The object's attributes become a copy of `attributes` (none for null).
    explicit abstract_c(abstract_c *parent, const attribute_list_c *attributes = nullptr);
    // The attributes of the named template (null: none); "Undeclared template '<name>'" when
    // there is no such template. Defined beside the template store (krnl_scripts).
    abstract_c(abstract_c *parent, const char *template_name);
    abstract_c(const abstract_c &) = delete;
    abstract_c &operator=(const abstract_c &) = delete;
    // Clears weak pointers, deletes the children (first to last), unlinks from the parent; the
    // root unregisters itself ("Double root destruction" when none is registered).
    virtual ~abstract_c() noexcept(false);

    virtual void on_shutdown();
    virtual int get_priority() const;
    virtual int handle_message(const msg_c *message, abstract_c *sender);
    virtual int pass_to_children(const msg_c *message);

    // Sends to this object: message(MSG_VAR(name), flags, sender, MSG_ARG(x)..., MSG_ARGS_END).
    // The arguments are value_c; the list ends at the first void value.
    template <class... A> int message(const msg_c &message, int flags, abstract_c *sender, const A &...args)
    {
        static_assert((std::is_same_v<A, value_c> && ...), "message arguments are value_c (MSG_ARG)");
        const value_c *list[] = {&args..., nullptr};
        int count = 0;
        while (list[count] && list[count]->type() != value_c::VOID_VALUE)
            ++count;
        return message_array(message, flags, sender, list, count);
    }
    // The same with the arguments given as an array of `count` pointers.
    int message_array(const msg_c &message, int flags, abstract_c *sender, const value_c *const *args, int count);

    // The root; none is the assertion "m_root".
    static abstract_c *root();

    bool alive() const { return m_flags & 1; }
    abstract_c *parent() const { return m_parent; }
    abstract_c *first_child() const { return m_first_child; }
    abstract_c *last_child() const { return m_last_child; }
    // Towards the first (newest) child.
    abstract_c *prev_sibling() const { return m_prev_sibling; }
    // Towards the last (oldest) child.
    abstract_c *next_sibling() const { return m_next_sibling; }
    int object_pointer_count() const { return m_pointer_count; }

    void shutdown_tree();
    void collect_dead_children();
    // Priorities rise from the first child to the last, so default delivery (last to first)
    // visits the highest first. Adding a child never re-sorts.
    void sort_children_by_priority();

    // Both assert "alive()"; attribute fails with "Could not find required attribute '<name>'".
    value_c *find_attribute(const char *name);
    value_c *attribute(const char *name);
    attribute_list_c &attributes() { return m_attributes; }

protected:
    // A broadcast reads the first fields of every object it passes (after the vtable pointer:
    // alive, the way down, the way on), so they lie together at the object's start.
    // Bit 0 is alive; derived classes keep their own bits above it (the kernel touches only bit 0).
    uint32_t m_flags;
    abstract_c *m_last_child;
    abstract_c *m_prev_sibling;
    abstract_c *m_parent;
    abstract_c *m_first_child;
    abstract_c *m_next_sibling;
    attribute_list_c m_attributes;
    int32_t m_pointer_count;
    // Something below died since this object's last collection (see collect_dead_children).
    bool m_dead_below;
    object_pointer_c *m_pointers;

private:
    friend class object_pointer_c;

    void setup(abstract_c *parent);
    void add_child(abstract_c *child);
    void remove_child(abstract_c *child);
    void clear_object_pointers();
    void link_siblings(abstract_c *towards_first, abstract_c *towards_last);
    void exchange_children(abstract_c *q, abstract_c *p);
    int deliver(const msg_c &message, int flags, abstract_c *sender);
    int deliver_plain(const msg_c &message, abstract_c *sender);
    void put_in_walk_order();
    static void links_changed();

    static abstract_c *m_root;
};
