// enter_private_network(): moves the calling process, once, into a network namespace of its
// own (with a user namespace when plain root rights do not suffice) where only the loopback
// interface exists, up. Tests and benchmarks of the network layer run there, so that nothing
// they send reaches a real interface and their ports never clash with another process's.
// Returns why it is impossible here ("" when it worked); later calls return the same answer.
// Call it while the process has a single thread (a user namespace requires that).
#pragma once

#include <string>

std::string enter_private_network();

// enter_private_mounts(): the same for a mount namespace, whose mounts (a small tmpfs, say) no
// other process sees; in a child process, as a process keeps its namespaces.
std::string enter_private_mounts();

// Whether a private namespace must be had: under CI=true a test or harness that cannot have one
// fails, saying why, instead of skipping.
bool private_namespace_required();
