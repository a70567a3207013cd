// Whole-file writes that survive a kill, a crash or a full disk: the bytes go to a new file
// beside the target ("<prefix>XXXXXX" in the target's directory), which is flushed to disk
// (fsync) and then renamed over the target, and the directory is flushed too. A reader, or the
// next run after the writer died at any moment, finds the old file or the new one, whole; a
// failed write removes its temporary file and leaves the old file as it was.
//
// A writer killed midway leaves its temporary file behind: sys_remove_stale_temporaries removes
// those of a prefix that nobody changed for a while, so that a writer still at work keeps its own.
// Nothing here prints or throws.
#pragma once

#include <cstddef>
#include <string>

enum sys_replace_step
{
    SYS_REPLACE_DONE,
    SYS_REPLACE_CREATE, // the temporary file could not be made
    SYS_REPLACE_WRITE,  // writing or flushing it failed (a full disk among others)
    SYS_REPLACE_RENAME  // it could not take the target's place (a directory of that name ...)
};

struct sys_replace_result
{
    sys_replace_step step;
    int error; // errno of the failed step, 0 when done
};

// Writes size bytes as the whole new content of path; the new file gets mode (less the umask).
sys_replace_result sys_replace_file(const std::string &path, const void *data, size_t size, const char *temp_prefix,
                                    unsigned mode);

// A temporary file untouched for this long belongs to a writer that is gone.
constexpr double SYS_STALE_TEMPORARY_SECONDS = 60.0;
// Removes the files "<prefix>" + six characters in dir last changed at least min_age seconds
// ago; the number removed.
int sys_remove_stale_temporaries(const std::string &dir, const char *temp_prefix,
                                 double min_age = SYS_STALE_TEMPORARY_SECONDS);
