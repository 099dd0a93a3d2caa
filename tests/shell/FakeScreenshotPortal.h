#pragma once

#include "platform/portal/ScreenshotPortal.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QObject>
#include <QThread>

// The screenshot half of a desktop portal, as far as it is probed: the
// interface and its "version" property, served on the test's private session
// bus. Runs on its own thread and connection, since the probe blocks the
// main thread while it waits for the reply.
class FakeScreenshotPortalObject : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};

class FakeScreenshotAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakeScreenshotAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    uint version() const { return 2; }
};

class FakeScreenshotPortal {
public:
    FakeScreenshotPortal();
    ~FakeScreenshotPortal();
    bool isServing() const { return serving_; }

private:
    QThread thread_;
    bool serving_ = false;
};
