#pragma once

#include <QHashFunctions>

// A position as fractions of the image: (0, 0) is the top-left corner and
// (1, 1) the bottom-right, so marks survive any rescaling of the picture.
struct AnnotationPoint {
    double x = 0;
    double y = 0;

    friend bool operator==(const AnnotationPoint&, const AnnotationPoint&) = default;
};

inline size_t qHash(const AnnotationPoint& point, size_t seed = 0) noexcept {
    return qHashMulti(seed, point.x, point.y);
}
