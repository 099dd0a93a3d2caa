#pragma once

#include "store/LibraryEnums.h"

#include <QColor>
#include <QDBusMessage>
#include <QObject>

#include <optional>

// The board's colours, each with a light and a dark value. Dark follows the
// desktop's colour scheme: the settings portal's org.freedesktop.appearance
// color-scheme when it answers, else the palette's window lightness.
class Theme : public QObject {
    Q_OBJECT
  public:
    enum class Color {
        accent,
        accentSoft,
        canvas,
        surface,
        surfaceRaised,
        surfaceSunken,
        textPrimary,
        textSecondary,
        textTertiary,
        border,
        borderStrong,
        statusOpen,
        statusInProgress,
        statusResolved,
        statusArchived,
        priorityHigh,
        priorityLow,
        agentTint
    };

    static Theme& shared();

    bool isDark() const { return dark_; }
    QColor color(Color c) const { return color(c, dark_); }
    static QColor color(Color c, bool dark);
    // The status pill's colour.
    QColor statusColor(CaptureStatus status) const;
    // The person's own choice over the desktop's; none follows the desktop again.
    void setForcedDark(std::optional<bool> dark);

  signals:
    void changed();

  private slots:
    // The whole message: a slot typed (QString, QString, QDBusVariant) is
    // refused by QtDBus here, so the signal was never subscribed to.
    void portalSettingChanged(const QDBusMessage& message);

  private:
    Theme();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // What the desktop asks for now.
    void follow(bool dark);
    void apply();

    bool dark_ = false;
    bool desktopWantsDark_ = false;
    std::optional<bool> forced_;
    // The desktop palette's own lightness, what "no preference" falls back to;
    // the application palette may be the app's dark or light override instead.
    bool desktopDark_ = false;
    bool portalAnswered_ = false;
};
