#include "TranslatedNames.h"

#include <QCoreApplication>

namespace {

// The library marks its names for translation under this context.
QString translated(const QString& english) {
    return QCoreApplication::translate("LibraryEnums", english.toUtf8().constData());
}

} // namespace

QString translatedName(CaptureStatus status) { return translated(displayName(status)); }
QString translatedName(CapturePriority priority) { return translated(displayName(priority)); }
QString translatedName(CaptureMode mode) { return translated(displayName(mode)); }
