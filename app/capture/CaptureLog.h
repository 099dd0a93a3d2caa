#pragma once

#include <QLoggingCategory>

// What a capture is waiting for, step by step: debug lines, off unless
// QT_LOGGING_RULES="zorvi.capture.debug=true" asks for them, for the day a
// shortcut is pressed and nothing appears.
Q_DECLARE_LOGGING_CATEGORY(captureLog)
