#include "platform/portal/ShiftedSymbol.h"

#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>

#include <xkbcommon/xkbcommon.h>

#include <memory>

namespace {

// The layout the session types with: KDE's own keyboard settings where it
// has them, else xkbcommon's defaults (XKB_DEFAULT_LAYOUT, then "us").
struct Keymap {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context{xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                        &xkb_context_unref};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap{nullptr, &xkb_keymap_unref};

    Keymap() {
        if (!context)
            return;
        const QString kxkbrc = QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kxkbrc"));
        QByteArray layout;
        QByteArray variant;
        if (!kxkbrc.isEmpty()) {
            const QSettings settings(kxkbrc, QSettings::IniFormat);
            if (settings.value(QStringLiteral("Layout/Use")).toString() == QLatin1String("true")) {
                layout = settings.value(QStringLiteral("Layout/LayoutList")).toString().section(u',', 0, 0).toUtf8();
                variant = settings.value(QStringLiteral("Layout/VariantList")).toString().section(u',', 0, 0).toUtf8();
            }
        }
        xkb_rule_names names{};
        if (!layout.isEmpty()) {
            names.layout = layout.constData();
            names.variant = variant.constData();
        }
        keymap.reset(xkb_keymap_new_from_names(context.get(), layout.isEmpty() ? nullptr : &names,
                                               XKB_KEYMAP_COMPILE_NO_FLAGS));
    }
};

} // namespace

std::optional<uint32_t> ShiftedSymbol::of(uint32_t keysym) {
    static const Keymap session;
    if (!session.keymap || xkb_keysym_to_upper(keysym) != keysym || xkb_keysym_to_lower(keysym) != keysym)
        return std::nullopt;
    xkb_keymap* keymap = session.keymap.get();
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
        const xkb_keysym_t* plain;
        const xkb_keysym_t* shifted;
        if (xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &plain) == 1 && plain[0] == keysym &&
            xkb_keymap_key_get_syms_by_level(keymap, code, 0, 1, &shifted) == 1 && shifted[0] != keysym)
            return shifted[0];
    }
    return std::nullopt;
}
