#pragma once

#include "platform/ScreenFocus.h"

// The output KWin calls active: the one under the pointer, or the one with
// the focused window, as the user's Plasma settings choose.
class KWinScreenFocus : public ScreenFocus {
public:
    std::optional<QString> focusedScreen() const override;
};
