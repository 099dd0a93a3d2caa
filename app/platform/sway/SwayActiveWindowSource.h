#pragma once

#include "platform/ActiveWindowSource.h"

class QJsonObject;

// The focused window as sway's tree has it: a Wayland client's app id (an
// X client's class and instance under XWayland), its title, its process and
// the output it is on.
class SwayActiveWindowSource : public ActiveWindowSource {
public:
    std::optional<ActiveWindow> activeWindow() const override;

    // The focused window in a tree as `swaymsg -t get_tree` prints it.
    static std::optional<ActiveWindow> focusedIn(const QJsonObject& tree);
};
