#include "CaptureError.h"

CaptureError::CaptureError(Kind kind, QString reason, const QString& description)
    : ZorviError(description), kind_(kind), reason_(std::move(reason)) {}

CaptureError CaptureError::captureFailed(const QString& reason) {
    return CaptureError(Kind::captureFailed, reason, "The screenshot failed: " + reason);
}

CaptureError CaptureError::writeFailed(const QString& reason) {
    return CaptureError(Kind::writeFailed, reason, "Couldn't save the screenshot: " + reason);
}

CaptureError CaptureError::permissionDenied() {
    return CaptureError(Kind::permissionDenied, {},
                        "Zorvi needs permission to take screenshots. Allow it when the desktop asks.");
}

CaptureError CaptureError::noDisplay() {
    return CaptureError(Kind::noDisplay, {}, "Couldn't find the display to capture.");
}

CaptureError CaptureError::emptySelection() {
    return CaptureError(Kind::emptySelection, {}, "That selection was too small to capture.");
}
