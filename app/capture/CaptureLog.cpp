#include "capture/CaptureLog.h"

Q_LOGGING_CATEGORY(captureLog, "zorvi.capture")
