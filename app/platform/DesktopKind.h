#pragma once

// Which desktop runs the session, where it matters for what the user is
// asked: each Wayland desktop guards screenshots its own way.
enum class DesktopKind { gnome, kde, sway, other };

// From XDG_CURRENT_DESKTOP (a colon-separated list, "ubuntu:GNOME").
DesktopKind currentDesktop();
