#pragma once

namespace ThreadPriority {

// Lowers the calling thread (only it) a few steps below the rest of the
// app, so work that nobody waits for yet — writing a screenshot while the
// note box opens — gives way to the thread drawing windows when cores are
// scarce.
void yieldToInteractiveThreads();

} // namespace ThreadPriority
