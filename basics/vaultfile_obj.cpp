#include "basics/vaultfile_obj.h"

#include "basics/Vaultis.h"
#include "basics/console_log.h"
#include "kernel/exception.h"

#include <cstring>
#include <string>

namespace {

constexpr size_t DATA_DIR_MAX = 31;
constexpr size_t FULL_NAME_MAX = 292;

char g_data_directory[DATA_DIR_MAX + 1] = "data";

std::string full_name(const char *name, int flags)
{
    size_t len = std::strlen(name);
    if (flags & VFILE_AS_IS) {
        if (len >= FULL_NAME_MAX)
            ENGINE_THROW(file_io_exception_c, "File name is too long");
        return name;
    }
    if (std::strlen(g_data_directory) + 1 + len >= FULL_NAME_MAX)
        ENGINE_THROW(file_io_exception_c, "File name is too long");
    return std::string(g_data_directory) + "/" + name;
}

char *copy_text(const std::string &s)
{
    char *out = new char[s.size() + 1];
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

} // namespace

vaultfile_c::vaultfile_c() : m_handle(0), m_name(nullptr)
{
}

vaultfile_c::vaultfile_c(const char *name, int flags) : m_handle(0), m_name(nullptr)
{
    if (name)
        open(name, flags);
}

vaultfile_c::~vaultfile_c()
{
    delete[] m_name;
    if (m_handle)
        VT::close(m_handle);
    m_handle = 0;
}

void vaultfile_c::open(const char *name, int flags)
{
    if (m_handle)
        ENGINE_THROW(exception_c, "File already opened");
    delete[] m_name;
    m_name = nullptr;
    if (((flags & VFILE_READ) != 0) == ((flags & VFILE_CREATE) != 0))
        ENGINE_THROW(exception_c, "Invalid flags");
    std::string full = full_name(name ? name : "", flags);
    if (flags & VFILE_READ) {
        m_handle = VT::open(full.c_str());
        if (!m_handle)
            ENGINE_THROW(file_io_exception_c, "Could not open file '" + full + "'");
    } else {
        m_handle = VT::rewrite(full.c_str());
        if (!m_handle)
            ENGINE_THROW(file_io_exception_c, "Could not create file '" + full + "'");
    }
    if (!(flags & VFILE_NO_NAME))
        m_name = copy_text(full);
}

unsigned long vaultfile_c::size()
{
    return VT::size(m_handle);
}

void vaultfile_c::read(void *buf, int len)
{
    if (len < 0 || !VT::read(m_handle, buf, static_cast<unsigned long>(len)))
        ENGINE_THROW(file_io_exception_c, std::string("Could not read data from file") +
                                              (m_name ? std::string(" '") + m_name + "'" : ""));
}

void vaultfile_c::seek(int pos)
{
    if (pos < 0 || !VT::seek(m_handle, static_cast<unsigned long>(pos)))
        ENGINE_THROW(file_io_exception_c,
                     std::string("Could not seek in file") + (m_name ? std::string(" '") + m_name + "'" : ""));
}

void vaultfile_c::close()
{
    if (!m_handle)
        ENGINE_THROW(file_io_exception_c, "File already closed");
    if (!VT::close(m_handle))
        ENGINE_THROW(file_io_exception_c,
                     std::string("Could not close file") + (m_name ? std::string(" '") + m_name + "'" : ""));
    m_handle = 0;
    delete[] m_name;
    m_name = nullptr;
}

int vaultfile_exists(const char *name, int flags)
{
    return VT::exist(full_name(name ? name : "", flags).c_str());
}

void set_data_directory(const char *dir)
{
    if (!dir)
        return;
    size_t len = std::strlen(dir);
    std::strncpy(g_data_directory, dir, DATA_DIR_MAX);
    g_data_directory[DATA_DIR_MAX] = 0;
    if (len > DATA_DIR_MAX)
        log_print("Data directory cut to %d characters: '%s'\n", int(DATA_DIR_MAX), g_data_directory);
}

const char *data_directory()
{
    return g_data_directory;
}

const char *file_extension(const char *name)
{
    if (!name)
        return "";
    const char *dot = std::strchr(name, '.');
    return dot ? dot + 1 : "";
}

int path_directory(char *out, const char *path)
{
    std::strcpy(out, path);
    char *cut = nullptr;
    for (char *p = out; *p; ++p)
        if (*p == '/' || *p == '\\')
            cut = p;
    if (!cut)
        return 0;
    cut[1] = 0;
    return 1;
}
