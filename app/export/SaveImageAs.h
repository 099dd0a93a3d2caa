#pragma once

#include "export/SaveAsName.h"

#include <QImage>
#include <QString>

#include <optional>

class QSettings;
class QWidget;

// Save As for a screenshot or its marked copy: asks where (in the folder
// used last, with a name from the settings' pattern), then writes PNG or
// JPEG by the chosen name. The path written; nothing when the person
// cancelled or the file could not be written (they are told why).
std::optional<QString> saveImageAs(QWidget* parent, QSettings& settings, const QImage& image,
                                   const SaveAsName::Context& context);
