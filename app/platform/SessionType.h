#pragma once

// The kind of graphical session the process runs in, which decides what the
// platform services can do (grabs and key monitoring only on X11).
enum class SessionType { x11, wayland, none };

// From XDG_SESSION_TYPE when it names one, else from which display variables
// are set; a Wayland session with Xwayland counts as Wayland.
SessionType currentSessionType();
