// The attacks of the fake player's --hostile KIND TARGET: what a bot author
// might try against the referee, the opponent or the machine. Each touches
// only what its TARGET names (a path in the test's scratch folder, a mark
// on the command lines of the test's own processes) and reports in one line
// what it achieved:
//   kill MARK, stop MARK  SIGKILL or SIGSTOP to every other process whose
//                         command line holds MARK
//   term-parent -         SIGTERM to its parent
//   tty TEXT              writes TEXT on /dev/tty and takes its foreground
//   write PATH            creates PATH
//   connect PORT          connects to 127.0.0.1:PORT
//   read PATH             opens PATH (a file or a folder) for reading
//   remount PATH          remounts the folder of PATH writable, then creates
//                         PATH
//   setting PATH          writes a kernel setting (/proc/sys/...) back with
//                         the value it has
//   unmount-proc MARK     unmounts /proc, then counts the processes whose
//                         command line holds MARK
//   device PATH           makes a device node (the null device) at PATH
//   io-uring -            sets up an io_uring
//   namespace -           makes user and mount namespaces of its own
//   trace PID             attaches to process PID with ptrace
//   pid-one ABI:HIGH      pid 1 of its sandbox, then a child of its own,
//                         each named with the bits of HIGH set above the
//                         pid's 32, through every call that reaches another
//                         process, made by ABI (x86-64, x32 or i386)
//   variable NAME         reads NAME from its environment
//   environment -         its whole environment, sorted
//   see PATHS             which of the colon-separated PATHS exist
#pragma once

#include <optional>
#include <string>

// The report, or none for an unknown KIND.
std::optional<std::string> fake_attack(const std::string& kind, const std::string& target);
