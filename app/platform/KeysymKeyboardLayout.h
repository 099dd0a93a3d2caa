#pragma once

#include "keys/KeyboardLayout.h"

// Key names from the keysym each portable key stands for, for sessions whose
// keyboard map the app can't read (Wayland keeps it to the compositor and
// the focused window): "2", "A", never "Key 19".
class KeysymKeyboardLayout : public KeyboardLayout {
public:
    QString character(uint16_t keyCode) const override;
};
