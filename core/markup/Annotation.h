#pragma once

#include "AnnotationShape.h"

#include <QList>
#include <QString>

#include <optional>

// The markup of one screenshot: shapes in the order they were finished.
// Its JSON text is what the library, the agent server and the sync service
// share, so encoding and decoding must agree exactly.
struct Annotation {
    QList<AnnotationShape> shapes;

    bool isEmpty() const { return shapes.isEmpty(); }

    // Compact JSON {"shapes":[...]}; nothing when a value cannot be written
    // (a non-finite number has no JSON form).
    std::optional<QString> encoded() const;

    // All or nothing: absent, malformed or partly invalid text (a missing key,
    // a wrong type, an unknown tool) gives the empty annotation.
    static Annotation decode(const std::optional<QString>& text);

    friend bool operator==(const Annotation&, const Annotation&) = default;
};
