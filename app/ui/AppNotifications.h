#pragma once

#include <QObject>
#include <QString>

// The application-wide requests any window may make of the shell, and that
// the AppShell answers: add a screenshot to a stored capture, mark up a
// stored image, show the first-run guide or the account tab. A window asks
// through a request method; only this object emits its signals.
class AppNotifications : public QObject {
    Q_OBJECT
public:
    static AppNotifications& shared();

    void requestOnboarding() { emit onboardingRequested(); }
    void requestScreenshot(const QString& captureID) { emit screenshotRequested(captureID); }
    void requestAnnotation(const QString& imageID) { emit annotationRequested(imageID); }
    void requestAccountTab() { emit accountTabRequested(); }

signals:
    void onboardingRequested();
    void screenshotRequested(const QString& captureID);
    void annotationRequested(const QString& imageID);
    void accountTabRequested();
};
