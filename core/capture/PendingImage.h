#pragma once

#include "ImageWriter.h"
#include "markup/Annotation.h"

#include <QImage>
#include <QString>

#include <optional>

// A screenshot already written to the library folder but not yet saved as
// part of a capture.
struct PendingImage {
    // Names the image's files and becomes its record's id.
    QString id;
    // The full-resolution pixels, for display in the note box and the editor.
    QImage image;
    ImageWriter::Written written;
    Annotation annotation;
    // The marked copy, relative to the captures folder, once one was saved.
    std::optional<QString> annotatedPath;
};
