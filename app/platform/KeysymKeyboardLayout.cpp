#include "platform/KeysymKeyboardLayout.h"

#include "keys/KeyCodeTable.h"

#include <xkbcommon/xkbcommon.h>

QString KeysymKeyboardLayout::character(uint16_t keyCode) const {
    const std::optional<uint32_t> keysym = KeyCodeTable::keysym(keyCode);
    if (!keysym)
        return {};
    char text[8] = {};
    if (xkb_keysym_to_utf8(*keysym, text, sizeof text) <= 0)
        return {};
    const QString character = QString::fromUtf8(text);
    // Control characters (Return's "\r", Tab's "\t") are not names.
    return character.size() == 1 && character.at(0).isPrint() ? character : QString();
}
