// The system calls a sandboxed player may not make, as a seccomp program
// bwrap loads (--seccomp FD) just before it runs the player, so that bwrap
// itself can still set the sandbox up. Modelled on the default profile of
// container runtimes: what only serves to change the machine, the kernel or
// the sandbox itself fails with EPERM; nothing is killed.
#pragma once

#include <string>

namespace referee {

// The filter in the kernel's binary form, or "" with `why` set when it
// cannot be built here (libseccomp does not know this architecture, ...).
std::string build_syscall_filter(std::string& why);

}  // namespace referee
