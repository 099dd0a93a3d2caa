#pragma once

#include "platform/ActiveWindowSource.h"
#include "platform/kwin/KWinScript.h"

#include <QObject>
#include <QRect>

#include <memory>

// The receiving end of the script that KWinActiveWindowSource runs in KWin:
// an object on the session bus that KWin calls at each change of the active
// window, keeping the last report.
class KWinActiveWindowTracker : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dev.zorvi.KWinActiveWindow")
public:
    // The tracker the app's sources share, made on first use.
    static std::shared_ptr<KWinActiveWindowTracker> shared();

    KWinActiveWindowTracker();
    ~KWinActiveWindowTracker() override;

    // The last window KWin reported. Before KWin's first report, which comes
    // milliseconds after the script starts, it waits for that report a
    // little.
    std::optional<ActiveWindow> activeWindow() const;
    bool isTracking() const { return script_ && script_->isRunning(); }

public slots:
    // The active window as a JSON object (resourceClass, resourceName,
    // caption, pid, x, y, width, height), or null when none is.
    Q_SCRIPTABLE void activated(const QString& window);

private:
    bool reported_ = false;
    std::optional<ActiveWindow> window_;
    QRect frame_;
    std::unique_ptr<KWinScript> script_;
};
