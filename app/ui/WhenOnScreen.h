#pragma once

#include <functional>

class QWidget;

// Calls `then` once a shown top-level window is on screen: the window system
// has exposed it. If the window is deleted first, or was never shown, `then`
// never runs.
void whenOnScreen(QWidget* window, std::function<void()> then);
