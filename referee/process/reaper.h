// Reaps, at once, every child the referee did not start itself: as child
// subreaper it inherits the orphans of its players' descendants, and an
// orphan that exits stays a zombie, holding a pid, until it is reaped. A
// thread of its own waits for SIGCHLD (blocked everywhere else, read
// through a signalfd) and reaps every zombie child. A player's game reaps
// its player itself; should the reaper get there first, it leaves the wait
// status in the PlayerRegistry for the game to take.
#pragma once

namespace referee {

// Blocks SIGCHLD in the calling thread (and so in every thread it starts
// later) and starts the reaper. Call from main before any other thread
// starts. False when it could not be started (no signalfd, no thread).
bool start_orphan_reaper();

// Stops and joins the reaper thread; harmless when none was started.
void stop_orphan_reaper();

// Reaps every zombie child of ours now; what the reaper thread does on each
// SIGCHLD.
void reap_zombie_children();

}  // namespace referee
