// The shell's "open", in the shape of ShellExecuteA, over posix_spawn.
//
// A file beginning with "mailto:" is a link: it goes to `xdg-open` (looked for on PATH),
// which hands it to the user's mail program. Anything else is a program, started directly (no
// shell) with no arguments; a bare name is looked for in the current directory, as Windows
// does, never on PATH. A program name ending in ".exe" whose file is missing names the program
// without that ending, so that a Windows program name finds the Linux build. Texts are cp1251, as the game holds them, and reach the system as
// UTF-8; in a link, every byte outside printable ASCII (space included) is then
// percent-encoded.
//
// Returns a value above 32 when the process was started (not when it succeeded: the call
// never waits), else SE_ERR_FNF (2) when the program or xdg-open was not found,
// ERROR_PATH_NOT_FOUND (3) when a directory of its path is a file, ERROR_BAD_FORMAT (11) when
// it is no program, SE_ERR_OOM (8) without memory, SE_ERR_NOASSOC (31) for an operation other than "open" (or null), and SE_ERR_ACCESSDENIED
// (5) for parameters or a directory, which no caller passes and which are not supported, or
// any other failure. The owner window and the show command are not used. Started processes
// are reaped at later calls; none is waited for.
#pragma once

#include "platform/sys/wintypes.h"

#include <functional>
#include <string>
#include <vector>

constexpr int SW_SHOWNORMAL = 1;
constexpr int SE_ERR_FNF = 2;
constexpr int ERROR_PATH_NOT_FOUND = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int ERROR_BAD_FORMAT = 11;
constexpr int SE_ERR_NOASSOC = 31;

HINSTANCE ShellExecuteA(HWND owner, const char *operation, const char *file, const char *parameters,
                        const char *directory, int show_command);

// For tests: every start goes to hook (the argument vector, program first) instead of
// posix_spawn; its result is 0 for started or an errno value. An empty hook restores spawning.
void shell_set_spawn_hook(std::function<int(const std::vector<std::string> &argv)> hook);
