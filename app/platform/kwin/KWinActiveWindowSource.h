#pragma once

#include "platform/ActiveWindowSource.h"

#include <memory>

class KWinActiveWindowTracker;

// The active window as KWin tells it: a script inside KWin reports every
// change of the active window (and of its title) to the app over the session
// bus, so asking costs nothing. A Wayland client's app id stands as its
// class; the output is the screen that holds the window's centre. All
// sources in the app share one script. Until KWin's first report, which
// comes a few milliseconds after the first source is made, it says nothing.
class KWinActiveWindowSource : public ActiveWindowSource {
public:
    KWinActiveWindowSource();
    ~KWinActiveWindowSource() override;

    std::optional<ActiveWindow> activeWindow() const override;

    // Whether the script runs in KWin.
    bool isTracking() const;

private:
    std::shared_ptr<KWinActiveWindowTracker> tracker_;
};
