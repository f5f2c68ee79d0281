#pragma once

// Thread priorities as Linux grants them. A thread's priority is its nice
// value; a new thread starts with its creator's.
namespace ThreadPriority {

// True when a thread started by the calling thread may set its nice value
// `steps` below the process's own (run above it): with CAP_SYS_NICE, or with
// an RLIMIT_NICE that reaches that far. An ordinary user's default limit
// allows no step at all. Found by trying in a thread of its own, so nothing
// of the caller's priority changes.
bool mayRaise(int steps);

}  // namespace ThreadPriority
