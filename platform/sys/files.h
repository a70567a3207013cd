// Files and directories of the operating system, in the shape the pack-file library needs.
//
// Names: '/' separates components. A name is first tried exactly as given; when that does not
// exist, each component is matched against its directory without regard to ASCII case (only
// 'A'-'Z' fold; bytes from 0x80 up must match exactly), the exact name first, else the first
// match in byte order. The walk gives up at the first component that matches nothing. It keeps
// the listings of directories that had been unchanged for a while (two seconds) before they
// were read, for as long as their change times stay the same, so that looking up names that
// are not on disk costs one stat of the directory instead of a listing; while the system's
// change notification watches the current directory and has told of no change of its entries,
// not even that stat: only the question whether it is still the current directory.
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

// An existing regular file, for reading. Returns a handle or SYS_INVALID_FILE. changes, when
// given, is the caller's count of sys_watch_changes in this operation (0: not asked yet, and
// then asked here if needed), so that one operation reads the queue of changes once.
int sys_file_open_read(const char *name, uint64_t *changes = nullptr);
// The identity of a file and its size.
struct sys_file_id
{
    uint64_t device;
    uint64_t inode;
    uint64_t size;
};
// An existing regular file for reading, kept open while others may still open the same file
// (as a pack is between the uses of its entries); refused like sys_file_open_read when the
// file is held now. id receives the opened file's identity.
int sys_file_open_unheld(const char *name, sys_file_id *id);
// Takes the no-sharing hold for such a handle: 1, or 0 when another handle holds the file.
int sys_file_hold(int handle);
// Gives the hold up again; the handle stays open.
void sys_file_unhold(int handle);
// The identity of the regular file a full name (used exactly as given) names now; 1, or 0.
int sys_file_identify(const char *name, sys_file_id &out);
// Changes told by the system since files were identified: a count that grows whenever a
// watched file or directory may have changed (every call when nothing can be watched); it
// reads the system's queue of changes, one call when nothing is queued. Never 0.
uint64_t sys_watch_changes();
// sys_file_identify for a name that is then watched, with its directory: while
// sys_watch_changes still gives changes, the name names that file with that size. changes is
// 0 when the name cannot be watched.
int sys_file_identify_watched(const char *name, sys_file_id &out, uint64_t &changes);
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
// The same at pos bytes from the start, leaving the file position alone.
int64_t sys_file_read_at(int handle, void *buf, uint64_t len, uint64_t pos);
// Sets the position to pos bytes from the start; 1, or 0.
int sys_file_seek(int handle, uint64_t pos);
// The last-write time in local time; 1, or 0.
int sys_file_time(int handle, SYSTEMTIME *out);
// Deletes a file (not a directory); 1, or 0.
int sys_file_erase(const char *name);

// The user's file of that name: in the home directory ($HOME), or in the current directory when
// HOME is not set. Where the game keeps what Windows put at a drive's root.
std::string sys_home_file(const char *name);

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

// How long a directory must have been unchanged before its listing is kept.
constexpr double SYS_LISTING_SETTLE_SECONDS = 2.0;
// For tests: sets that time (a negative time keeps every listing) and drops the listings kept
// so far.
void sys_set_listing_settle_time(double seconds);

// The entries of a directory without "." and "..", sorted by their bytes. false when the
// directory cannot be read.
bool sys_list_dir(const char *dir, std::vector<sys_dir_entry> &out);
