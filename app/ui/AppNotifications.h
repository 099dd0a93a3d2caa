#pragma once

#include <QObject>
#include <QString>

// The application-wide requests any window may make of the shell, and that
// the AppShell answers: open a window, add a screenshot to a stored
// capture, mark up a stored image, show the account tab.
class AppNotifications : public QObject {
    Q_OBJECT
public:
    static AppNotifications& shared();

signals:
    void showDashboard();
    void showSettings();
    void showOnboarding();
    void addScreenshot(const QString& captureID);
    void annotateImage(const QString& imageID);
    void showAccountTab();
};
