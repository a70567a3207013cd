// object_pointer_c: a weak pointer to an object of the tree. It reads null from the moment its
// object is shut down (abstract_c::shutdown_tree) or destroyed. The pointers to one object form
// an intrusive chain inside it, so pointing allocates nothing. A copy is a new pointer to the
// same object, linked into its chain.
#pragma once

class abstract_c;

class object_pointer_c
{
public:
    object_pointer_c() = default;
    object_pointer_c(abstract_c *object);
    object_pointer_c(const object_pointer_c &other);
    object_pointer_c &operator=(const object_pointer_c &other);
    // Unlinks; an inconsistent chain fails its assertion only when no exception is in flight.
    ~object_pointer_c() noexcept(false);

    abstract_c *operator=(abstract_c *object);
    // The object; null fails the assertion "m_object".
    abstract_c *operator->() const;
    abstract_c *get() const { return m_object; }
    operator abstract_c *() const { return m_object; }

private:
    friend class abstract_c;
    void link();
    void unlink();

    abstract_c *m_object = nullptr;
    object_pointer_c *m_next_pointer = nullptr;
};
