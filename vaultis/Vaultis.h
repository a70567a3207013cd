// The Vaultis library (libVaultis.so): one flat, handle-based file interface in the namespace
// VT over plain disk files and the pack archives ("*.vfs") of a directory. The reading half and
// its rules are in vaultis/vault_read.h; here is what only the library has: writing and erasing
// disk files, file times, the pack tables, pack creation and the version check.
//
// Nothing throws except VT::check_dll_version. The strings returned by the pack queries stay
// valid until VT::done or the next VT::init.
#pragma once

#include "platform/sys/wintypes.h"
#include "vaultis/vault_read.h"

namespace VT {

// 1 when exactly len bytes were written; disk files open for writing only.
VT_EXPORT int write(int h, const void *buf, unsigned long len);
// Last-write time of the file (of its pack for a packed file), in local time.
VT_EXPORT int time(int h, SYSTEMTIME *out);
// Deletes a disk file; packed files cannot be erased.
VT_EXPORT int erase(const char *name);
// Closes the packs' files, frees every handle that reads from a pack and every pack record.
VT_EXPORT void done();

VT_EXPORT int pack_num();
// Full path of the i-th loaded pack, or "".
VT_EXPORT const char *get_pack_name(int i);
VT_EXPORT int get_pack_file_num(int i);
// Name of entry j (sorted order) of the i-th pack, or "".
VT_EXPORT const char *get_pack_file_name(int i, int j);

// Packs the tree below the current directory into the pack file path, printing its progress
// and errors to the standard output. 1 when the pack was written.
VT_EXPORT int create_pack(const char *path);

// Returns when required is the library's version (2); otherwise throws exception_c.
VT_EXPORT void check_dll_version(int required);

// Holds one handle number (0 = none) and closes it when destroyed. Assigning another auto_file
// moves its handle here (closing the one held before); assigning a number does not close.
class VT_EXPORT auto_file
{
public:
    auto_file();
    auto_file(int h);
    ~auto_file();
    auto_file(const auto_file &) = delete;
    void close();
    operator int() const;
    int operator=(int h);
    auto_file &operator=(auto_file &other);
    auto_file &operator=(const auto_file &) = delete;
    int operator!() const;

private:
    int m_handle;
};

} // namespace VT
