#pragma once

#include "common/ZorviError.h"

// Every way taking or saving a screenshot can fail; description() is the
// sentence shown to the user.
class CaptureError : public ZorviError {
public:
    enum class Kind { captureFailed, writeFailed, permissionDenied, noDisplay, emptySelection };

    static CaptureError captureFailed(const QString& reason);
    static CaptureError writeFailed(const QString& reason);
    static CaptureError permissionDenied();
    static CaptureError noDisplay();
    static CaptureError emptySelection();

    Kind kind() const noexcept { return kind_; }
    // The reason carried by captureFailed and writeFailed; empty otherwise.
    const QString& reason() const noexcept { return reason_; }

private:
    CaptureError(Kind kind, QString reason, const QString& description);

    Kind kind_;
    QString reason_;
};
