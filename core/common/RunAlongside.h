#pragma once

#include <functional>

// Runs `there` on a kept pool thread while `here` runs on the calling
// thread, and returns once both have finished. A thread started for each
// call would cost a good part of what the split saves. A pool busy with
// other work has not begun `there`: the calling thread runs it too, so a
// call made from a pool thread never waits on a queue it is part of.
//
// A calling thread that runs below the app's priority (background work
// giving way to the windows) gets a thread of its own for `there`, born with
// that lower priority: the pool's threads serve interactive work, and a
// thread's priority, once lowered, can't be raised again.
void runAlongside(const std::function<void()>& there, const std::function<void()>& here);
