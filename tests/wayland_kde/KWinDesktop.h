#pragma once

#include "support/WaylandDesktop.h"

#include <QJsonObject>
#include <QObject>

// The KWin session this test program runs in (support/with-kwin.sh): keys
// and drags through KWin's fake input device, windows as a KWin script lists
// them, the screen from KDE's real screenshot portal.
class KWinDesktop : public QObject, public WaylandDesktop {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dev.zorvi.KWinProbe")
public:
    KWinDesktop();
    ~KWinDesktop() override;

    bool inputReady() const override { return inputReady_; }
    // The screen's logical size, as KWin lays it out.
    QSize screenSize() const { return screen_; }

    std::optional<Window> window(const QString& title) const override;
    QString windowTitles() const override;
    QImage screenshot() const override;

    bool drag(QPoint from, QPoint to) override;
    bool type(const QString& text) override;
    bool key(const QString& keysym, const QStringList& held = {}) override;
    // A drag in its parts: the pointer to a point (where a screenshot shows
    // the cursor), the left button pressed and released where it is.
    bool movePointer(QPoint to);
    bool press() { return send(QStringLiteral("press")); }
    bool release() { return send(QStringLiteral("release")); }

    // The output KWin calls active, by its name.
    static QString activeOutputName();

    // Runs JavaScript in KWin; `report(value)` in it hands a JSON value back.
    // Null when the script never reported.
    QJsonValue runScript(const QString& body) const;

public slots:
    Q_SCRIPTABLE void report(const QString& json);

private:
    bool send(const QString& line) const;
    QJsonObject windows() const;

    mutable QProcess input_;
    bool inputReady_ = false;
    QSize screen_;
    mutable int runs_ = 0;
    mutable std::optional<QString> reported_;
};
