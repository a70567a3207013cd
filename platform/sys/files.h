// Files and directories of the operating system, in the shape the pack-file library needs.
//
// Names: '/' separates components. A name is first tried exactly as given; when that does not
// exist, each component is matched against its directory without regard to ASCII case (only
// 'A'-'Z' fold; bytes from 0x80 up must match exactly), the first match in byte order wins.
//
// Handles are small non-negative numbers; SYS_INVALID_FILE (-1) is no handle. Files are opened
// without sharing: while a handle made here is open, every further open or create of the same
// file (same device and inode) through these functions fails. Only regular files are opened;
// a directory or a device never is.
//
// Sizes and positions are 64-bit; callers that keep 32-bit values check them themselves.
// Nothing here prints or throws. One thread; no locking.
#pragma once

#include "platform/sys/wintypes.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int SYS_INVALID_FILE = -1;

// An existing regular file, for reading. Returns a handle or SYS_INVALID_FILE.
int sys_file_open_read(const char *name);
// A new or emptied regular file, for writing. An existing file of the name (matched as above)
// is emptied; otherwise the file is made in the directory the leading components resolve to.
int sys_file_create(const char *name);
// 1, or 0 when the system refuses (the handle is released in any case).
int sys_file_close(int handle);
// Current size in bytes, or -1.
int64_t sys_file_size(int handle);
// Reads until len bytes arrived or the end of the file; the count read, or -1 on an error.
int64_t sys_file_read(int handle, void *buf, uint64_t len);
// Writes all len bytes unless the system refuses; the count written, or -1 on an error.
int64_t sys_file_write(int handle, const void *buf, uint64_t len);
// Sets the position to pos bytes from the start; 1, or 0.
int sys_file_seek(int handle, uint64_t pos);
// The last-write time in local time; 1, or 0.
int sys_file_time(int handle, SYSTEMTIME *out);
// Deletes a file (not a directory); 1, or 0.
int sys_file_erase(const char *name);

// The current directory as an absolute path; false when the system cannot tell it.
bool sys_get_current_dir(std::string &out);
// Makes dir the current directory; 1, or 0.
int sys_set_current_dir(const char *dir);

enum sys_entry_kind
{
    SYS_ENTRY_FILE,      // a regular file, or a symbolic link to one
    SYS_ENTRY_DIR,       // a directory that is not a symbolic link
    SYS_ENTRY_LINK_DIR,  // a symbolic link to a directory
    SYS_ENTRY_OTHER      // anything else: devices, pipes, sockets, broken links
};

struct sys_dir_entry
{
    std::string name;
    sys_entry_kind kind;
    uint64_t size;  // of a regular file, else 0
};

// The entries of a directory without "." and "..", sorted by their bytes. false when the
// directory cannot be read.
bool sys_list_dir(const char *dir, std::vector<sys_dir_entry> &out);
