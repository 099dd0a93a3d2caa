#pragma once

#include "AnnotationShape.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

// The markup of one screenshot: shapes in the order they were finished.
// Its JSON text is what the library, the agent server and the sync service
// share, so encoding and decoding must agree exactly.
struct Annotation {
    QList<AnnotationShape> shapes;
    // The part of the image the marked copy keeps, in image fractions; the
    // original is never cropped.
    std::optional<QRectF> crop = std::nullopt;

    bool isEmpty() const { return shapes.isEmpty() && !crop; }

    // Compact JSON {"shapes":[...]}; nothing when a value cannot be written
    // (a non-finite number has no JSON form).
    std::optional<QString> encoded() const;

    // All or nothing: absent, malformed or partly invalid text (a missing key,
    // a wrong type) gives the empty annotation. A shape of a kind this
    // version does not know is skipped, so newer marks never hide older ones.
    static Annotation decode(const std::optional<QString>& text);

    friend bool operator==(const Annotation&, const Annotation&) = default;
};
