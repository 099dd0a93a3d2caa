#pragma once

#include "support/WaylandDesktop.h"

#include <QDBusConnection>
#include <QJsonObject>
#include <QProcess>

#include <memory>

// The GNOME Shell session this test program runs in (support/with-gnome.sh).
// Keys and pointer go through a session of mutter's own remote desktop
// service, as a remote desktop client's do; windows and the keyboard focus
// come from the shell through the tests' probe extension; the screen from
// the real screenshot portal.
class GnomeDesktop : public WaylandDesktop {
public:
    GnomeDesktop();
    ~GnomeDesktop() override;

    bool inputReady() const override { return !session_.isEmpty(); }

    std::optional<Window> window(const QString& title) const override;
    QString windowTitles() const override;
    QImage screenshot() const override;

    bool drag(QPoint from, QPoint to) override;
    bool type(const QString& text) override;
    bool key(const QString& keysym, const QStringList& held = {}) override;

    // A drag in its parts: the pointer moved (in steps, as a hand moves),
    // the left button pressed and released where the pointer is.
    bool moveTo(QPoint point) const;
    bool press() const { return button(true); }
    // Waits until a press would reach the window with the keyboard: the
    // shell finds what is under the pointer a frame after it moves.
    bool waitForPointerOnFocusedWindow() const;
    bool release() const { return button(false); }

    // The shell starts in the overview; Escape closes it, as a person would.
    bool closeOverview();

    // Makes a picture the desktop background, centred at its own size, and
    // waits until it is on screen.
    bool showBackground(const QString& picturePath, const QImage& picture) const;

    // Starts GNOME's media-keys daemon, which runs the custom shortcuts of
    // GNOME Settings, in this process's environment (a shortcut's command
    // inherits it), and waits until it has taken its keys from the shell.
    bool startMediaKeys();
    // The key combinations the shell has grabbed for another program (the
    // media-keys daemon), as it asked for them ("<Alt><Shift>2").
    QStringList grabbedAccelerators() const;

    // The primary monitor's logical geometry, as the shell lays it out.
    QRect monitor() const;
    // Where the pointer is, in logical pixels.
    QPoint pointer() const;
    // The top bar covers this much of the screen's top, above every window.
    static constexpr int topBarHeight = 32;

private:
    QJsonObject probe() const;
    bool call(const QString& method, const QVariantList& arguments) const;
    bool keysym(quint32 value, bool pressed) const;
    bool button(bool pressed) const;

    QDBusConnection bus_;
    QString session_;
    std::unique_ptr<QProcess> mediaKeys_;
};
