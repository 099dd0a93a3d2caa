#include "keys/KeyCodeTable.h"

#include <xkbcommon/xkbcommon.h>

namespace {

struct Entry {
    uint16_t keyCode;
    uint32_t keysym;
};

// Portable codes follow the ANSI keyboard's key positions; keysyms are the
// ones a US layout puts on those keys without modifiers.
constexpr Entry table[] = {
    {0, 'a'}, {1, 's'}, {2, 'd'}, {3, 'f'}, {4, 'h'}, {5, 'g'}, {6, 'z'}, {7, 'x'},
    {8, 'c'}, {9, 'v'}, {11, 'b'}, {12, 'q'}, {13, 'w'}, {14, 'e'}, {15, 'r'},
    {16, 'y'}, {17, 't'}, {18, '1'}, {19, '2'}, {20, '3'}, {21, '4'}, {22, '6'},
    {23, '5'}, {24, '='}, {25, '9'}, {26, '7'}, {27, '-'}, {28, '8'}, {29, '0'},
    {30, ']'}, {31, 'o'}, {32, 'u'}, {33, '['}, {34, 'i'}, {35, 'p'},
    {36, 0xff0d /* Return */}, {37, 'l'}, {38, 'j'}, {39, '\''}, {40, 'k'},
    {41, ';'}, {42, '\\'}, {43, ','}, {44, '/'}, {45, 'n'}, {46, 'm'}, {47, '.'},
    {48, 0xff09 /* Tab */}, {49, ' '}, {50, '`'}, {51, 0xff08 /* BackSpace */},
    {53, 0xff1b /* Escape */},
    {64, 0xffce /* F17 */}, {65, 0xffae /* KP_Decimal */}, {67, 0xffaa /* KP_Multiply */},
    {69, 0xffab /* KP_Add */}, {71, 0xff7f /* Num_Lock, where Clear sits */},
    {75, 0xffaf /* KP_Divide */}, {76, 0xff8d /* KP_Enter */}, {78, 0xffad /* KP_Subtract */},
    {79, 0xffcf /* F18 */}, {80, 0xffd0 /* F19 */}, {81, 0xffbd /* KP_Equal */},
    {82, 0xffb0}, {83, 0xffb1}, {84, 0xffb2}, {85, 0xffb3}, {86, 0xffb4},
    {87, 0xffb5}, {88, 0xffb6}, {89, 0xffb7}, {90, 0xffd1 /* F20 */},
    {91, 0xffb8}, {92, 0xffb9},
    {96, 0xffc2 /* F5 */}, {97, 0xffc3 /* F6 */}, {98, 0xffc4 /* F7 */}, {99, 0xffc0 /* F3 */},
    {100, 0xffc5 /* F8 */}, {101, 0xffc6 /* F9 */}, {103, 0xffc8 /* F11 */},
    {105, 0xffca /* F13 */}, {106, 0xffcd /* F16 */}, {107, 0xffcb /* F14 */},
    {109, 0xffc7 /* F10 */}, {111, 0xffc9 /* F12 */}, {113, 0xffcc /* F15 */},
    {114, 0xff63 /* Insert, where Help sits */}, {115, 0xff50 /* Home */},
    {116, 0xff55 /* Page_Up */}, {117, 0xffff /* Delete */}, {118, 0xffc1 /* F4 */},
    {119, 0xff57 /* End */}, {120, 0xffbf /* F2 */}, {121, 0xff56 /* Page_Down */},
    {122, 0xffbe /* F1 */}, {123, 0xff51 /* Left */}, {124, 0xff53 /* Right */},
    {125, 0xff54 /* Down */}, {126, 0xff52 /* Up */},
};

struct ModifierKey {
    uint32_t keysym;
    ModifierSet modifier;
};

constexpr ModifierKey modifierKeys[] = {
    {0xffe1, ModifierSet::shift()},   {0xffe2, ModifierSet::shift()},    // Shift_L, Shift_R
    {0xffe3, ModifierSet::control()}, {0xffe4, ModifierSet::control()},  // Control_L, Control_R
    {0xffe9, ModifierSet::option()},  {0xffea, ModifierSet::option()},   // Alt_L, Alt_R
    {0xffe7, ModifierSet::option()},  {0xffe8, ModifierSet::option()},   // Meta_L, Meta_R: Alt with Shift held
    {0xffeb, ModifierSet::command()}, {0xffec, ModifierSet::command()},  // Super_L, Super_R
};

uint32_t lowerLatin(uint32_t keysym) {
    return (keysym >= 'A' && keysym <= 'Z') ? keysym + ('a' - 'A') : keysym;
}

} // namespace

namespace KeyCodeTable {

std::optional<uint32_t> keysym(uint16_t keyCode) {
    for (const Entry& entry : table) {
        if (entry.keyCode == keyCode)
            return entry.keysym;
    }
    return std::nullopt;
}

std::optional<uint16_t> keyCode(uint32_t keysym) {
    const uint32_t wanted = lowerLatin(keysym);
    for (const Entry& entry : table) {
        if (entry.keysym == wanted)
            return entry.keyCode;
    }
    return std::nullopt;
}

std::optional<ModifierSet> modifierForKeysym(uint32_t keysym) {
    for (const ModifierKey& key : modifierKeys) {
        if (key.keysym == keysym)
            return key.modifier;
    }
    return std::nullopt;
}

} // namespace KeyCodeTable

QString KeyCodeTable::keysymName(uint16_t keyCode) {
    const std::optional<uint32_t> sym = keysym(keyCode);
    char name[64] = {};
    if (!sym || xkb_keysym_get_name(*sym, name, sizeof name) <= 0)
        return {};
    return QString::fromLatin1(name);
}
