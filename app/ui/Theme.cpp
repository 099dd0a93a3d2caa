#include "Theme.h"

#include "store/LibraryEnums.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace {

const char* const portalService = "org.freedesktop.portal.Desktop";
const char* const portalPath = "/org/freedesktop/portal/desktop";
const char* const settingsInterface = "org.freedesktop.portal.Settings";
const char* const appearance = "org.freedesktop.appearance";
const char* const colorScheme = "color-scheme";

struct Pair {
    QRgb light, dark;
};

Pair pair(Theme::Color c) {
    using C = Theme::Color;
    switch (c) {
    case C::accent: return {0x4F5BD5, 0x7C8BFF};
    case C::accentSoft: return {0xEEF0FE, 0x232741};
    case C::canvas: return {0xF6F6F8, 0x131417};
    case C::surface: return {0xFFFFFF, 0x1B1D22};
    case C::surfaceRaised: return {0xFFFFFF, 0x212429};
    case C::surfaceSunken: return {0xF1F1F4, 0x0F1013};
    case C::textPrimary: return {0x16181D, 0xF2F3F5};
    case C::textSecondary: return {0x6B7280, 0x9BA1AC};
    case C::textTertiary: return {0x9CA3AF, 0x6B7280};
    case C::border: return {0xE4E5EA, 0x2A2D34};
    case C::borderStrong: return {0xD1D3DA, 0x3A3E47};
    case C::statusOpen: return {0xD97706, 0xFBBF24};
    case C::statusInProgress: return {0x2563EB, 0x60A5FA};
    case C::statusResolved: return {0x059669, 0x34D399};
    case C::statusArchived: return {0x9CA3AF, 0x6B7280};
    case C::priorityHigh: return {0xE11D48, 0xFB7185};
    case C::priorityLow: return {0x94A3B8, 0x64748B};
    case C::agentTint: return {0x7C3AED, 0xA78BFA};
    }
    return {0, 0xFFFFFF};
}

bool paletteIsDark() {
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

// The portal's value: 1 prefers dark, 2 prefers light, 0 leaves it to the app.
std::optional<bool> darkFromScheme(const QVariant& v) {
    QVariant value = v;
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    if (!ok || scheme == 0)
        return std::nullopt;
    return scheme == 1;
}

} // namespace

Theme& Theme::shared() {
    static Theme* theme = new Theme;
    return *theme;
}

Theme::Theme() {
    dark_ = desktopDark_ = desktopWantsDark_ = paletteIsDark();
    qApp->installEventFilter(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(portalService, portalPath, settingsInterface, "SettingChanged", this,
                SLOT(portalSettingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, "Read");
    read << QString(appearance) << QString(colorScheme);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError())
            return;
        portalAnswered_ = true;
        follow(darkFromScheme(QVariant::fromValue(reply.value())).value_or(desktopDark_));
    });
}

QColor Theme::color(Color c, bool dark) {
    const Pair p = pair(c);
    return QColor::fromRgb(dark ? p.dark : p.light);
}

QColor Theme::statusColor(CaptureStatus status) const {
    switch (status) {
    case CaptureStatus::open: return color(Color::statusOpen);
    case CaptureStatus::inProgress: return color(Color::statusInProgress);
    case CaptureStatus::resolved: return color(Color::statusResolved);
    case CaptureStatus::archived: return color(Color::statusArchived);
    }
    return color(Color::textSecondary);
}

void Theme::setForcedDark(std::optional<bool> dark) {
    forced_ = dark;
    apply();
}

void Theme::portalSettingChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments[0].toString() != appearance || arguments[1].toString() != colorScheme)
        return;
    portalAnswered_ = true;
    follow(darkFromScheme(arguments[2]).value_or(desktopDark_));
}

bool Theme::eventFilter(QObject* watched, QEvent* event) {
    // Without the portal and without the person's own choice the palette is
    // never overridden, so any change is the desktop's.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !portalAnswered_ && !forced_) {
        desktopDark_ = paletteIsDark();
        follow(desktopDark_);
    }
    return QObject::eventFilter(watched, event);
}

void Theme::follow(bool dark) {
    desktopWantsDark_ = dark;
    apply();
}

void Theme::apply() {
    const bool dark = forced_.value_or(desktopWantsDark_);
    if (dark == dark_)
        return;
    dark_ = dark;
    emit changed();
}
