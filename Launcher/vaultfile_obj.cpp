#include "Launcher/vaultfile_obj.h"

#include "kernel/exception.h"
#include "vaultis/Vaultis.h"

#include <cstdarg>
#include <cstdio>

namespace launcher {

vaultfile_c::~vaultfile_c()
{
    if (m_handle)
        VT::close(m_handle);
}

void vaultfile_c::open(int mode, const char *name, bool keep_name)
{
    if (m_handle) {
        VT::close(m_handle);
        m_handle = 0;
    }
    m_has_name = keep_name;
    m_name = keep_name ? name : "";
    if (mode == VAULTFILE_READ) {
        m_handle = VT::open(name);
        if (!m_handle)
            ENGINE_THROW(exception_c, std::string("Could not open file '") + name + "'");
    } else if (mode == VAULTFILE_CREATE) {
        m_handle = VT::rewrite(name);
        if (!m_handle)
            ENGINE_THROW(exception_c, std::string("Could not create file '") + name + "'");
    } else {
        ENGINE_THROW(exception_c, "Invalid vaultfile_c mode");
    }
}

void vaultfile_c::write(const void *data, unsigned long size)
{
    if (m_text) {
        m_text->append(static_cast<const char *>(data), size);
        return;
    }
    if (!VT::write(m_handle, data, size))
        ENGINE_THROW(exception_c, m_has_name ? "Could not write data to file '" + m_name + "'"
                                             : std::string("Could not write data to file"));
}

void vaultfile_c::printf(const char *format, ...)
{
    // Room for 4096 characters and the terminating zero.
    char text[4097];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0 || length >= (int)sizeof text)
        ENGINE_THROW(exception_c, "vsprintf() buffer overflowed!!!");
    write(text, (unsigned long)length);
}

void vaultfile_c::close()
{
    const std::string suffix = m_has_name ? ": '" + m_name + "'" : std::string();
    if (!m_handle)
        ENGINE_THROW(exception_c, "File already closed" + suffix);
    const int handle = m_handle;
    m_handle = 0;
    if (!VT::close(handle))
        ENGINE_THROW(exception_c, "Could not close file" + suffix);
}

} // namespace launcher
