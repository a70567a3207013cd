// The file object through which every loader of the main program reads its data, over the
// built-in pack-file reader (basics/Vaultis.h): disk first, then the packs. Every failure
// throws, so loaders never test results:
//   - misuse ("File already opened", "Invalid flags") throws exception_c;
//   - everything that depends on the files ("File name is too long", could not open, create,
//     read, seek, close, "File already closed") throws file_io_exception_c.
// A relative name gets the data directory (at most 31 characters, "data" at start) and "/" in
// front unless VFILE_AS_IS is given. Exactly one of VFILE_READ and VFILE_CREATE must be given.
// A file made with VFILE_CREATE is created empty and can only be closed.
// The object owns its handle: it cannot be copied, and its destructor closes silently.
#pragma once

enum
{
    VFILE_READ = 1,     // an existing file, for reading (disk first, then the packs)
    VFILE_CREATE = 2,   // a new or emptied disk file
    VFILE_NO_NAME = 4,  // keep no name: errors of read, seek and close carry none
    VFILE_AS_IS = 8     // the name as given, without the data directory
};

class vaultfile_c
{
public:
    vaultfile_c();
    vaultfile_c(const char *name, int flags);
    ~vaultfile_c();
    vaultfile_c(const vaultfile_c &) = delete;
    vaultfile_c &operator=(const vaultfile_c &) = delete;

    void open(const char *name, int flags);
    // The size of the open file; 0 when none is open.
    unsigned long size();
    // Exactly len bytes, or throws (a negative len too).
    void read(void *buf, int len);
    // Positions below 0 throw.
    void seek(int pos);
    void close();

    int handle() const { return m_handle; }
    // The full name kept for messages, or null.
    const char *name() const { return m_name; }

private:
    int m_handle;
    char *m_name;
};

// 1 when the file (its full name built as open builds it) is on disk or in a pack.
int vaultfile_exists(const char *name, int flags);
// Keeps at most 31 characters of dir; a cut is reported in the log.
void set_data_directory(const char *dir);
const char *data_directory();
// The text after the first '.' of name, or "" when it has none.
const char *file_extension(const char *name);
// Copies path into out (which must hold strlen(path) + 1 bytes) and cuts it after the last
// '/' or '\'; 1 when there was one, else 0 with the whole path kept.
int path_directory(char *out, const char *path);
