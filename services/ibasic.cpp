#include "services/ibasic.h"

#include <exception>

#include "kernel/exception.h"

ibasic_mgr_c::ibasic_mgr_c(const char *get_manager_msg_name) : m_manager(nullptr)
{
    ENGINE_ASSERT(abstract_c::root()->message(msg_c(get_manager_msg_name), 0, NULL, MSG_ARG((void *)&m_manager), MSG_ARGS_END));
    ENGINE_ASSERT(m_manager);
}

ibasic_c &ibasic_c::operator=(ibasic_c &&other)
{
    if (this != &other) {
        release();
        m_resource = other.m_resource;
        other.m_resource = nullptr;
    }
    return *this;
}

ibasic_c::~ibasic_c() noexcept(false)
{
    if (std::uncaught_exceptions() == 0) {
        release();
        return;
    }
    try {
        release();
    } catch (...) {
    }
}

void ibasic_c::load(const char *name, abstract_c *mgr, int prm)
{
    ENGINE_ASSERT(mgr);
    ENGINE_ASSERT(!m_resource);
    ENGINE_ASSERT(mgr->message(MSG_VAR(mgr_load_res), 0, NULL, MSG_ARG((void *)&m_resource), MSG_ARG(name), MSG_ARG(prm), MSG_ARGS_END));
    ENGINE_ASSERT(m_resource);
}

void ibasic_c::release()
{
    if (!m_resource)
        return;
    // A resource that went down with its manager (the shutdown of the whole tree) takes no
    // reference back; the objects that hold handles may be deleted after it.
    if (m_resource->alive())
        ENGINE_ASSERT(m_resource->message(MSG_VAR(mgr_release_res), 0, NULL, MSG_ARGS_END));
    m_resource = nullptr;
}
