#pragma once

#include "platform/ScreenFocus.h"

// The output sway calls focused, else its first active one.
class SwayScreenFocus : public ScreenFocus {
public:
    std::optional<QString> focusedScreen() const override;
};
