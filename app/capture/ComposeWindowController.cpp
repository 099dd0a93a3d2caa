#include "capture/ComposeWindowController.h"

#include "capture/ComposePanel.h"
#include "ui/HideAfterLastFrame.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QScreen* screenNamed(const std::optional<QString>& name) {
    if (name)
        for (QScreen* screen : QGuiApplication::screens())
            if (screen->name() == *name)
                return screen;
    return QGuiApplication::primaryScreen();
}

template <class... Args>
std::function<void(Args...)> closingFirst(ComposeWindowController* owner, std::function<void(Args...)> callback) {
    return [owner, callback = std::move(callback)](Args... args) {
        owner->dismiss();
        if (callback)
            callback(args...);
    };
}

} // namespace

ComposeWindowController::~ComposeWindowController() {
    delete panel_.data();
}

void ComposeWindowController::present(const PendingCapture& pending, std::vector<CaptureGroup> groups,
                                      const std::optional<QString>& defaultGroupID, ComposeModel::Callbacks callbacks,
                                      std::optional<ComposeModel::Problem> problem,
                                      const QString& notice) {
    dismiss();
    // Save is not closed first: the box stays on screen until the capture is
    // filed (or comes back saying why not), so a box that went means filed.
    callbacks.onDiscard = closingFirst(this, std::move(callbacks.onDiscard));
    callbacks.onAddScreenshot = closingFirst(this, std::move(callbacks.onAddScreenshot));
    callbacks.onAnnotate = closingFirst(this, std::move(callbacks.onAnnotate));
    auto model = std::make_unique<ComposeModel>(pending, std::move(groups), defaultGroupID, std::move(callbacks));
    model->problem = std::move(problem);
    model->notice = notice;
    panel_ = new ComposePanel(std::move(model));
    panel_->adjustSize();

    if (QScreen* screen = screenNamed(pending.context.displayName)) {
        const QRect area = screen->availableGeometry();
        const QSize size = panel_->size();
        panel_->move(area.center().x() - size.width() / 2,
                     area.center().y() - size.height() / 2 - int(0.08 * area.height()));
    }
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
}

void ComposeWindowController::dismiss() {
    if (ComposePanel* panel = panel_.data()) {
        panel_.clear();
        // Later: the panel may be inside one of its own handlers.
        hideAfterLastFrame(panel, [panel] { panel->deleteLater(); });
    }
}
