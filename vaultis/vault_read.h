// The reading half of the pack-file interface, shared by the Vaultis library and the main
// program's built-in copy (basics/Vaultis.h). The two are built from one source and must never
// be linked into one executable.
//
// A name given to VT::open is looked up first as a plain file on disk, relative to the current
// directory ('/' or '\' between components; on disk the exact name is tried first, then each
// component without regard to ASCII case), then in the packs that VT::init loaded, in their
// order, by the pack name order ('\' form, only 'A'-'Z' folded). Names of 260 characters or
// more are refused.
//
// Handles are 1 to 64; 0 means failure. Every failure is a 0 result; nothing throws. A file is
// opened without sharing: a second open of a disk file that is already open fails on the disk
// and the lookup goes on into the packs. Lengths and positions are 32-bit values; larger ones
// are refused. One thread; no locking.
#pragma once

#define VT_EXPORT __attribute__((visibility("default")))

namespace VT {

// Loads the "*.vfs" packs of dir (the current directory when dir is null), in the pack name
// order, at most 256. Closes what an earlier init loaded and frees every handle. Returns the
// number of packs loaded; 0 and no change when dir cannot be entered.
VT_EXPORT int init(const char *dir);
// Handle of an existing file for reading: disk first, then the packs.
VT_EXPORT int open(const char *name);
// Handle of a new or emptied disk file for writing.
VT_EXPORT int rewrite(const char *name);
VT_EXPORT int close(int h);
// Size in bytes; 0 for a bad handle.
VT_EXPORT unsigned long size(int h);
// 1 when exactly len bytes were read. A packed file reads nothing past its entry's end.
VT_EXPORT int read(int h, void *buf, unsigned long len);
// A packed file accepts positions below its size only (so an empty entry accepts none).
VT_EXPORT int seek(int h, unsigned long pos);
// 1 when VT::open would succeed; needs a free handle for a moment.
VT_EXPORT int exist(const char *name);

} // namespace VT
