#include "kernel/abstract.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "basics/console_log.h"
#include "kernel/exception.h"

abstract_c *abstract_c::m_root = nullptr;

// ---- the argument stack ----

namespace msg_stack_detail {
msg_slot_u msg_args[MSG_STACK_SLOTS];
std::ptrdiff_t msg_args_ptr = 0;
msg_slot_u *msg_frame_args = msg_args;
uintptr_t msg_frame_count = 0;
} // namespace msg_stack_detail

using namespace msg_stack_detail;

namespace {

// The frame msg_arg reads: the innermost one on the stack, if any.
void set_msg_frame()
{
    msg_frame_count = 0;
    if (msg_args_ptr > 0) {
        const uintptr_t count = msg_args[msg_args_ptr - 1].count;
        msg_frame_args = &msg_args[msg_args_ptr - 1 - std::ptrdiff_t(count)];
        if (count < 256)
            msg_frame_count = count;
    }
}

// Puts the stack back as the send found it, on every way out of the send.
class msg_frame_guard_c
{
public:
    msg_frame_guard_c() : m_saved(msg_args_ptr) {}
    ~msg_frame_guard_c()
    {
        msg_args_ptr = m_saved;
        set_msg_frame();
    }
    msg_frame_guard_c(const msg_frame_guard_c &) = delete;
    msg_frame_guard_c &operator=(const msg_frame_guard_c &) = delete;

private:
    std::ptrdiff_t m_saved;
};
} // namespace

int msg_stack_used() { return static_cast<int>(msg_args_ptr); }

msg_arg_c msg_arg_checked(unsigned index)
{
    ENGINE_ASSERT(msg_args_ptr > 0);
    unsigned args_count = static_cast<unsigned>(msg_args[msg_args_ptr - 1].count);
    ENGINE_ASSERT(args_count < 256);
    ENGINE_ASSERT(index < args_count);
    ENGINE_ASSERT(msg_args_ptr - args_count > 0);
    value_c *pv = msg_args[msg_args_ptr - 1 - args_count + index].pv;
    ENGINE_ASSERT(pv);
    return msg_arg_c(pv);
}

int abstract_c::message_array(const msg_c &message, int flags, abstract_c *sender, const value_c *const *args,
                              int count)
{
    msg_frame_guard_c guard;
    // The arguments and their count must all fit; nothing is written otherwise.
    if (count < 0 || msg_args_ptr + count >= MSG_STACK_SLOTS)
        ENGINE_THROW(exception_c, "Message stack overflow");
    for (int i = 0; i < count; ++i)
        msg_args[msg_args_ptr++].pv = const_cast<value_c *>(args[i]);
    msg_args[msg_args_ptr++].count = static_cast<uintptr_t>(count);
    set_msg_frame();
    return deliver(message, flags, sender);
}

// Flags 0, the broadcasts of every tick: the walk of deliver below without its flag tests and
// without recursion. It goes down to the last (oldest) child, on to the previous sibling, and
// back up to the parent when a sibling list ends, reading each link only after the handlers
// before it have run, as the recursive walk does. The parents on the way down are kept at hand
// (beyond a depth of 32 they are found through m_parent). An object without children is not
// asked whether to pass the message on: there is no one to pass it to.
//
// A broadcast from the root over a tree that has not changed since the root's previous
// broadcast goes through the walk's order kept in an array instead: the objects' addresses are
// then known ahead, so the processor fetches them as it fetches a vector's, where following
// the links waits for each object in turn. Every change of a link counts; after one, the walk
// goes on from where it is by the links.
namespace {

constexpr size_t KEPT_PARENTS = 32;
constexpr size_t WALK_AHEAD = 16;

struct walk_entry_s
{
    abstract_c *object;
    // Bytes to the entry after the object's subtree (one entry's size: it has no children), so
    // that the walk steps on without scaling.
    uint32_t step;
    uint32_t depth;  // 1 for a child of the start
};

// The order of the root's last broadcasts, valid while no link changed (g_links is then
// still `links`), and the tree seen at the one before (`seen`), so that a tree that changes
// on every tick is never put in order for nothing.
uint64_t g_links = 1;
struct walk_order_s
{
    const abstract_c *start = nullptr;
    uint64_t links = 0;
    const abstract_c *seen = nullptr;
    uint64_t seen_links = 0;
    // The walk's entries, then WALK_AHEAD empty ones, read only to fetch ahead.
    std::vector<walk_entry_s> entries;
    uint32_t count = 0;
    // Walks going through the entries now: a broadcast that a handler sends on the way neither
    // puts the tree in order again nor uses the order (the outer walk holds the entries).
    int walking = 0;
} g_order;

class walking_guard_c
{
public:
    walking_guard_c() { ++g_order.walking; }
    ~walking_guard_c() { --g_order.walking; }
    walking_guard_c(const walking_guard_c &) = delete;
    walking_guard_c &operator=(const walking_guard_c &) = delete;
};

// Walks the kept order from its first entry. Returns 1 when a handler claimed the message, 0
// at the end, and the entry of the handler after which the links changed otherwise (written to
// *changed_after). The loop keeps only what it needs across the handlers' calls in registers
// (the entry, the end, the links' count the caller checked and the two arguments), and fetches
// the next objects ahead from entries that the order's padding keeps readable beyond its end.
__attribute__((noinline)) int walk_kept_order(const msg_c *message, abstract_c *sender,
                                              const walk_entry_s **changed_after)
{
    const walk_entry_s *const last = g_order.entries.data() + g_order.count;
    const uint64_t links = g_order.links;
    walking_guard_c walking;
    for (const walk_entry_s *e = g_order.entries.data(); e < last;) {
        __builtin_prefetch(e[WALK_AHEAD].object);
        abstract_c *node = e->object;
        // A dead object's handler does not run, so the links are as they were.
        if (node->alive()) {
            if (node->handle_message(message, sender))
                return 1;
            if (g_links != links) {
                *changed_after = e;
                return 2;
            }
            // Unchanged links: the node has children when its subtree is more than itself.
            if (e->step != sizeof(walk_entry_s) && node->pass_to_children(message)) {
                ++e;
                continue;
            }
        }
        e = reinterpret_cast<const walk_entry_s *>(reinterpret_cast<const char *>(e) + e->step);
    }
    return 0;
}

} // namespace

void abstract_c::links_changed()
{
    ++g_links;
}

int abstract_c::deliver_plain(const msg_c &message, abstract_c *sender)
{
    if (handle_message(&message, sender))
        return 1;
    abstract_c *parents[KEPT_PARENTS];
    size_t depth = 0;
    abstract_c *node = this;
    bool handled_alive = true;  // node was alive and its handler ran
    if (this == m_root && g_order.walking == 0 && m_last_child) {
        if (!pass_to_children(&message))
            return 0;
        if (g_order.start != this || g_order.links != g_links) {
            if (g_order.seen != this || g_order.seen_links != g_links) {
                g_order.seen = this;
                g_order.seen_links = g_links;
                g_order.start = nullptr;
                goto by_links;
            }
            put_in_walk_order();
        }
        const walk_entry_s *changed_after = nullptr;
        const int walked = walk_kept_order(&message, sender, &changed_after);
        if (walked != 2)
            return walked;
        // The links changed: the way on from here is theirs. The parents on the way up are the
        // node's ancestors.
        node = changed_after->object;
        depth = changed_after->depth;
        abstract_c *p = node->m_parent;
        for (size_t d = depth; d-- > 0; p = p->m_parent)
            if (d < KEPT_PARENTS)
                parents[d] = p;
        goto on_by_links;
    }
by_links:
on_by_links:
    for (;;) {
        abstract_c *next = node->m_last_child;
        if (handled_alive && next && node->pass_to_children(&message)) {
            if (depth < KEPT_PARENTS)
                parents[depth] = node;
            ++depth;
        } else {
            for (;;) {
                if (depth == 0)
                    return 0;
                next = node->m_prev_sibling;
                if (next)
                    break;
                --depth;
                node = depth < KEPT_PARENTS ? parents[depth] : node->m_parent;
            }
        }
        node = next;
        handled_alive = node->alive();
        if (handled_alive) {
            // The objects that may come next, fetched while the handler runs; the links are
            // read again after it, as the handler may change them.
            if (node->m_last_child)
                __builtin_prefetch(node->m_last_child);
            else if (node->m_prev_sibling)
                __builtin_prefetch(node->m_prev_sibling);
            if (node->handle_message(&message, sender))
                return 1;
        }
    }
}

// The order of the walk below this object as the links give it, every object in it, with the
// length of each subtree.
void abstract_c::put_in_walk_order()
{
    std::vector<walk_entry_s> &entries = g_order.entries;
    entries.clear();
    std::vector<uint32_t> open;  // the entries whose subtrees are being listed
    abstract_c *node = m_last_child;
    while (node) {
        open.push_back(uint32_t(entries.size()));
        entries.push_back({node, 0, uint32_t(open.size())});
        if (node->m_last_child) {
            node = node->m_last_child;
            continue;
        }
        // Close the subtrees that end here, up to the first with a previous sibling.
        for (;;) {
            entries[open.back()].step = uint32_t((entries.size() - open.back()) * sizeof(walk_entry_s));
            open.pop_back();
            if (node->m_prev_sibling) {
                node = node->m_prev_sibling;
                break;
            }
            node = node->m_parent;
            if (node == this) {
                node = nullptr;
                break;
            }
        }
    }
    g_order.count = uint32_t(entries.size());
    entries.resize(entries.size() + WALK_AHEAD, walk_entry_s{nullptr, 0, 0});
    g_order.start = this;
    g_order.links = g_links;
}

int abstract_c::deliver(const msg_c &message, int flags, abstract_c *sender)
{
    if (!alive())
        return 0;
    if (flags == 0)
        return deliver_plain(message, sender);
    const bool to_self = !((flags & MSGF_NO_SELF) && sender == this);
    if (!(flags & MSGF_HANDLER_LAST) && to_self && handle_message(&message, sender))
        return 1;
    if (!(flags & MSGF_NO_CHILDREN) && pass_to_children(&message)) {
        if (flags & MSGF_TO_PARENTS)
            ENGINE_THROW(exception_c, "Invalid message delivery flags");
        const bool newest_first = flags & MSGF_NEWEST_FIRST;
        for (abstract_c *child = newest_first ? m_first_child : m_last_child; child;) {
            if (child->deliver(message, flags, sender))
                return 1;
            child = newest_first ? child->m_next_sibling : child->m_prev_sibling;
        }
    }
    if ((flags & MSGF_HANDLER_LAST) && alive() && to_self && handle_message(&message, sender))
        return 1;
    if (!(flags & MSGF_TO_PARENTS))
        return 0;
    if (!(flags & MSGF_NO_CHILDREN))
        ENGINE_THROW(exception_c, "Invalid message delivery flags");
    return m_parent ? m_parent->deliver(message, flags, sender) : 0;
}

// Most objects keep this default: the walks' calls test for it and then skip the call.
int abstract_c::pass_to_children(const msg_c *) { return 1; }

// ---- the tree ----

abstract_c::abstract_c(abstract_c *parent, const attribute_list_c *attributes)
{
    copy_attributes(m_attributes, attributes);
    setup(parent);
}

void abstract_c::setup(abstract_c *parent)
{
    if (!parent) {
        if (m_root)
            ENGINE_THROW(exception_c, "The root object must be unique");
        m_root = this;
    }
    m_parent = m_last_child = m_first_child = m_prev_sibling = m_next_sibling = nullptr;
    m_pointer_count = 0;
    m_pointers = nullptr;
    m_dead_below = false;
    m_flags = 1;
    if (parent) {
        m_parent = parent;
        parent->add_child(this);
    }
}

abstract_c::~abstract_c() noexcept(false)
{
    links_changed();
    clear_object_pointers();
    for (abstract_c *child = m_first_child; child;) {
        abstract_c *next = child->m_next_sibling;
        delete child;
        child = next;
    }
    if (m_parent) {
        m_parent->remove_child(this);
    } else if (m_root) {
        m_root = nullptr;
    } else {
        if (std::uncaught_exceptions() == 0)
            ENGINE_THROW(exception_c, "Double root destruction");
        print_message("Double root destruction\n");
    }
    free_attributes(m_attributes);
}

abstract_c *abstract_c::root()
{
    ENGINE_ASSERT(m_root);
    return m_root;
}

void abstract_c::add_child(abstract_c *child)
{
    ENGINE_ASSERT(child->m_parent == this);
    links_changed();
    child->m_prev_sibling = nullptr;
    child->m_next_sibling = m_first_child;
    if (m_first_child)
        m_first_child->m_prev_sibling = child;
    m_first_child = child;
    if (!m_last_child)
        m_last_child = child;
}

void abstract_c::remove_child(abstract_c *child)
{
    ENGINE_ASSERT(child->m_parent == this);
    link_siblings(child->m_prev_sibling, child->m_next_sibling);
    child->m_prev_sibling = child->m_next_sibling = nullptr;
}

// Makes a and b neighbours (a on the first-child side); a null end moves the first or last
// child field.
void abstract_c::link_siblings(abstract_c *towards_first, abstract_c *towards_last)
{
    links_changed();
    if (towards_first)
        towards_first->m_next_sibling = towards_last;
    else
        m_first_child = towards_last;
    if (towards_last)
        towards_last->m_prev_sibling = towards_first;
    else
        m_last_child = towards_first;
}

void abstract_c::clear_object_pointers()
{
    for (object_pointer_c *p = m_pointers; p;) {
        object_pointer_c *next = p->m_next_pointer;
        p->m_object = nullptr;
        p->m_next_pointer = nullptr;
        p = next;
    }
    m_pointers = nullptr;
    m_pointer_count = 0;
}

void abstract_c::shutdown_tree()
{
    if (!alive())
        return;
    for (abstract_c *child = m_first_child; child; child = child->m_next_sibling)
        child->shutdown_tree();
    on_shutdown();
    clear_object_pointers();
    m_flags &= ~1u;
    // The way down for the next collection; above a marked object all are marked already.
    for (abstract_c *p = m_parent; p && !p->m_dead_below; p = p->m_parent)
        p->m_dead_below = true;
}

// Only where something died since the last collection: the main loop runs this after every
// tick, and most ticks kill nothing.
void abstract_c::collect_dead_children()
{
    if (!m_dead_below)
        return;
    m_dead_below = false;
    for (abstract_c *child = m_first_child; child;) {
        abstract_c *next = child->m_next_sibling;
        child->collect_dead_children();
        if (!child->alive())
            delete child;
        child = next;
    }
}

// Exchanges the places of q and p in the children, q nearer the first child.
void abstract_c::exchange_children(abstract_c *q, abstract_c *p)
{
    abstract_c *before_q = q->m_prev_sibling;
    abstract_c *after_p = p->m_next_sibling;
    if (q->m_next_sibling == p) {
        link_siblings(before_q, p);
        link_siblings(p, q);
        link_siblings(q, after_p);
    } else {
        abstract_c *after_q = q->m_next_sibling;
        abstract_c *before_p = p->m_prev_sibling;
        link_siblings(before_q, p);
        link_siblings(p, after_q);
        link_siblings(before_p, q);
        link_siblings(q, after_p);
    }
}

// A selection sort from the last place towards the first: each place in turn receives the
// highest priority among itself and the places before it.
void abstract_c::sort_children_by_priority()
{
    abstract_c *p = m_last_child;
    if (!p || p == m_first_child)
        return;
    while (p->m_prev_sibling) {
        for (abstract_c *q = p->m_prev_sibling; q;) {
            abstract_c *next_q = q->m_prev_sibling;
            if (p->get_priority() < q->get_priority()) {
                exchange_children(q, p);
                p = q;
            }
            q = next_q;
        }
        p = p->m_prev_sibling;
    }
}

value_c *abstract_c::find_attribute(const char *name)
{
    ENGINE_ASSERT(alive());
    return ::find_attribute(m_attributes, name);
}

value_c *abstract_c::attribute(const char *name)
{
    ENGINE_ASSERT(alive());
    return get_required_attribute(m_attributes, name);
}
