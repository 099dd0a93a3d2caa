#include "shell/CaptureAlerts.h"

#include "capture/CaptureController.h"

#include <QMessageBox>
#include <QPushButton>

CaptureAlerts::CaptureAlerts(CaptureController& controller, QObject* parent)
    : QObject(parent), controller_(controller) {
    connect(&controller, &CaptureController::captureFailed, this, &CaptureAlerts::screenshotFailed);
    connect(&controller, &CaptureController::screenshotNotAdded, this, &CaptureAlerts::screenshotNotAdded);
}

void CaptureAlerts::screenshotFailed(const QString& description) {
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Zorvi couldn't take that screenshot"),
                                tr("Zorvi couldn't take that screenshot"), QMessageBox::Ok);
    box->setInformativeText(description);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void CaptureAlerts::screenshotNotAdded(const QString& description) {
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Zorvi"), tr("The screenshot couldn't be added"),
                                QMessageBox::Retry | QMessageBox::Discard);
    box->setObjectName(QStringLiteral("addScreenshotFailed"));
    box->setInformativeText(description);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->clickedButton() == box->button(QMessageBox::Retry))
            controller_.retryUnaddedScreenshot();
        else
            controller_.dropUnaddedScreenshot();
    });
    box->open();
}
