#pragma once

#include <QString>

#include <optional>

// Which screen a whole-screen capture takes, as the session tells it.
class ScreenFocus {
public:
    virtual ~ScreenFocus() = default;
    // The name of the screen (QScreen::name()) that has the focus; absent
    // where the session doesn't say.
    virtual std::optional<QString> focusedScreen() const = 0;
};
