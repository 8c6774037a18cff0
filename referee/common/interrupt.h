// SIGINT, SIGTERM and SIGHUP to the referee: the handler only records the
// signal and makes a pipe readable. Every game polls that pipe next to its
// players' pipes, so each one, on whatever thread it runs, stops at once,
// ends its players and reports the game as unfinished. The pipe is never
// drained, so it stays readable for every game that polls it later.
#pragma once

namespace referee {

// Installs the handlers. Call once, before any game starts.
void install_interrupt_handlers();

// The signal that stopped the referee, or 0.
int interrupt_signal();

// Readable once a signal has come; -1 when no handlers are installed (as in
// tests that play games in-process), which poll() skips.
int interrupt_fd();

}  // namespace referee
