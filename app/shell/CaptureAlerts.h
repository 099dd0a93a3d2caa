#pragma once

#include <QObject>

class CaptureController;

// The capture flow's alerts: a screenshot that failed, and a screenshot for
// a filed capture that couldn't be added, with the choice to try again.
class CaptureAlerts : public QObject {
    Q_OBJECT
public:
    explicit CaptureAlerts(CaptureController& controller, QObject* parent = nullptr);

private:
    void screenshotFailed(const QString& description);
    void screenshotNotAdded(const QString& description);

    CaptureController& controller_;
};
