// Resource handles: how objects hold shared resources without owning them.
//
// ibasic_mgr_c finds a manager once, in its constructor, by sending its request (for example
// "get_texture_mgr") to the root; it owns nothing. ibasic_c holds one reference on one
// resource entry of a manager (services/manager_basic.h): load asks the manager with
// mgr_load_res, release gives the reference back with mgr_release_res sent to the resource
// itself, and the destructor releases. A handle is empty (null) or loaded; copying is
// forbidden, moving hands the reference over and leaves the source empty, so no reference is
// given back twice.
//
// Every send goes with flags 0 and a null sender. A send nobody answers, or an answer that
// leaves a pointer null, fails as an assertion (exception_c) quoting the send; a failed load
// leaves the handle empty. The derived handles (services/imodel.h, isound.h, itexture.h) add
// one message per operation and no fields: each stays one pointer wide.
#pragma once

#include "kernel/abstract.h"

class ibasic_mgr_c
{
public:
    // Assertions: "m_root" (no root); the quoted send of the request when nobody answers;
    // "m_manager" when the answer left it null.
    explicit ibasic_mgr_c(const char *get_manager_msg_name);

    abstract_c *manager() const { return m_manager; }

protected:
    abstract_c *m_manager;
};

class ibasic_c
{
public:
    ibasic_c() : m_resource(nullptr) {}
    ibasic_c(const ibasic_c &) = delete;
    ibasic_c &operator=(const ibasic_c &) = delete;
    ibasic_c(ibasic_c &&other) noexcept : m_resource(other.m_resource) { other.m_resource = nullptr; }
    // Releases what this handle held, then takes the other's resource.
    ibasic_c &operator=(ibasic_c &&other);
    // release(); while an exception is already in flight a failing release is swallowed.
    ~ibasic_c() noexcept(false);

    // Asserts "mgr" and "!m_resource" (an already loaded handle keeps its resource), then the
    // quoted mgr_load_res send, then "m_resource".
    void load(const char *name, abstract_c *mgr, int prm);
    // Nothing when empty; otherwise mgr_release_res (asserted), and the handle is empty. A
    // resource already shut down with the whole tree is only forgotten.
    void release();

    abstract_c *resource() const { return m_resource; }
    operator abstract_c *() const { return m_resource; }

protected:
    abstract_c *m_resource;
};
