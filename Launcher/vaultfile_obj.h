// The launcher's file object over libVaultis.so (which the launcher never initialises, so
// every name is a plain disk file relative to the current directory). It writes configuration
// files; every failure throws exception_c:
//   open: mode 0 reads an existing file ("Could not open file '<name>'"), mode 1 creates or
//         empties one ("Could not create file '<name>'"), any other mode is refused
//         ("Invalid vaultfile_c mode");
//   write: "Could not write data to file" (+ " '<name>'");
//   printf: formats at most 4096 characters ("vsprintf() buffer overflowed!!!" beyond) and
//         writes them;
//   close: "File already closed" or "Could not close file" (+ ": '<name>'").
// A file object made over a string (the text of a file still to be written) appends every
// write to it instead; it has no handle and nothing to close.
// The name is kept for the messages unless keep_name is false. The object owns its handle:
// it cannot be copied, and its destructor closes a file still open without a word.
// It lives in its own namespace: the main program's file object of the same name reads data
// files, and the two never meet in one program.
#pragma once

#include <string>

namespace launcher {

enum
{
    VAULTFILE_READ = 0,
    VAULTFILE_CREATE = 1
};

class vaultfile_c
{
public:
    vaultfile_c() = default;
    vaultfile_c(int mode, const char *name, bool keep_name = true) { open(mode, name, keep_name); }
    explicit vaultfile_c(std::string *text) : m_text(text) {}
    ~vaultfile_c();
    vaultfile_c(const vaultfile_c &) = delete;
    vaultfile_c &operator=(const vaultfile_c &) = delete;

    void open(int mode, const char *name, bool keep_name = true);
    void write(const void *data, unsigned long size);
    void printf(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void close();

    int handle() const { return m_handle; }

private:
    int m_handle = 0;
    bool m_has_name = false;
    std::string *m_text = nullptr;
    std::string m_name;
};

} // namespace launcher
