#pragma once

// The kind of graphical session the process runs in, which decides what the
// platform services can do (grabs and key monitoring only on X11).
enum class SessionType { x11, wayland, none };
