#pragma once

#include <functional>

class QWidget;

// Hides a top-level window, then calls `hidden`.
//
// On Wayland the window first waits for the compositor to answer its last
// frame. Qt 6.4's Wayland plugin frees a window's pending frame callback on
// the UI thread when the window hides, while its frame thread frees the same
// callback when the answer arrives; when the two meet, the app aborts inside
// libwayland (fixed in Qt 6.4.3, after Debian 12's 6.4.2). A window the
// compositor has stopped drawing never answers, so the wait is bounded.
// While it waits, the window takes no input: what it stood for is over.
//
// Elsewhere the window hides at once and `hidden` runs before this returns.
// If the window is deleted first, `hidden` never runs.
void hideAfterLastFrame(QWidget* window, std::function<void()> hidden = {});
