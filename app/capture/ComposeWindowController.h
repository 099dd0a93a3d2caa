#pragma once

#include "capture/ComposePanel.h"

#include <QPointer>


// Owns the one note box: shows it for a pending capture, a little above the
// middle of the screen the capture came from, and takes it away.
class ComposeWindowController {
public:
    ComposeWindowController() = default;
    ~ComposeWindowController();
    ComposeWindowController(const ComposeWindowController&) = delete;
    ComposeWindowController& operator=(const ComposeWindowController&) = delete;

    // Replaces any box already up. Every callback but group creation closes the box first.
    // A problem, when given, says at the top why the last save did not happen.
    void present(const PendingCapture& pending, std::vector<CaptureGroup> groups,
                 const std::optional<QString>& defaultGroupID, ComposeModel::Callbacks callbacks,
                 std::optional<ComposeModel::Problem> problem = std::nullopt,
                 const QString& notice = {});
    void dismiss();
    bool isOpen() const { return !panel_.isNull(); }
    ComposePanel* panel() const { return panel_; }

private:
    QPointer<ComposePanel> panel_;
};
