#pragma once

#include "store/LibraryEnums.h"

#include <QString>

// A status, priority or capture mode in the words of the person's language.
// The library's own names stay English: the history and agents read those.
QString translatedName(CaptureStatus status);
QString translatedName(CapturePriority priority);
QString translatedName(CaptureMode mode);
