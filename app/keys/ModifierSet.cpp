#include "keys/ModifierSet.h"

#include <QStringList>

namespace {

struct ModifierInfo {
    ModifierSet modifier;
    const char* name;
};

// Display order, the Linux convention.
constexpr ModifierInfo displayOrder[] = {
    {ModifierSet::control(), "Ctrl"},
    {ModifierSet::option(), "Alt"},
    {ModifierSet::shift(), "Shift"},
    {ModifierSet::command(), "Super"},
    {ModifierSet::function(), "Fn"},
};

constexpr uint16_t xShiftMask = 0x01;
constexpr uint16_t xControlMask = 0x04;
constexpr uint16_t xMod1Mask = 0x08;
constexpr uint16_t xMod4Mask = 0x40;

} // namespace

ModifierSet ModifierSet::fromQt(Qt::KeyboardModifiers modifiers) {
    ModifierSet set;
    if (modifiers & Qt::MetaModifier)
        set = set | command();
    if (modifiers & Qt::AltModifier)
        set = set | option();
    if (modifiers & Qt::ControlModifier)
        set = set | control();
    if (modifiers & Qt::ShiftModifier)
        set = set | shift();
    return set;
}

ModifierSet ModifierSet::fromXState(uint32_t state) {
    ModifierSet set;
    if (state & xMod4Mask)
        set = set | command();
    if (state & xMod1Mask)
        set = set | option();
    if (state & xControlMask)
        set = set | control();
    if (state & xShiftMask)
        set = set | shift();
    return set;
}

QString ModifierSet::symbols() const {
    QStringList names;
    for (const ModifierInfo& info : displayOrder) {
        if (contains(info.modifier))
            names << QString::fromLatin1(info.name);
    }
    return names.join(QLatin1Char('+'));
}

QString ModifierSet::name() const {
    // Linux shows modifiers by name, so a single member's symbol is its name.
    return symbols();
}

std::optional<ModifierSet> ModifierSet::singleModifier() const {
    if (count() == 1)
        return *this;
    return std::nullopt;
}

uint16_t ModifierSet::xModifierMask() const {
    uint16_t mask = 0;
    if (contains(command()))
        mask |= xMod4Mask;
    if (contains(option()))
        mask |= xMod1Mask;
    if (contains(control()))
        mask |= xControlMask;
    if (contains(shift()))
        mask |= xShiftMask;
    return mask;
}
