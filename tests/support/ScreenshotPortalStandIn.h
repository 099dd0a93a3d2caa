#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

// The desktop portal's screenshot call, served on the test's private bus
// from a connection of its own: it answers each request, as the real portal
// does, with a Response signal on the request's object path, carrying a
// file:// uri of `desktopImagePath` (copied, since the caller may delete it)
// or a refusal.
class ScreenshotPortalStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit ScreenshotPortalStandIn(const QString& desktopImagePath);
    ~ScreenshotPortalStandIn() override;

    bool isServing() const { return serving_; }
    // 0 answers with the picture; 1 (refused or cancelled by the user) and 2 (failed) without.
    void setResponse(uint code) { response_ = code; }
    // Later calls fail at once with this D-Bus error message (empty: they don't).
    void setCallError(const QString& message) { callError_ = message; }
    // The options of the last request.
    const QVariantMap& lastOptions() const { return lastOptions_; }
    // Where the last answer's picture was put.
    const QString& lastFile() const { return lastFile_; }

public slots:
    QDBusObjectPath Screenshot(const QString& parentWindow, const QVariantMap& options);

private:
    QDBusConnection bus_;
    QString desktopImagePath_;
    uint response_ = 0;
    QString callError_;
    QVariantMap lastOptions_;
    QString lastFile_;
    bool serving_ = false;
};
