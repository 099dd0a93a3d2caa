#include "AnnotationShape.h"

size_t qHash(const AnnotationShape& shape, size_t seed) noexcept {
    size_t hash = qHashMulti(seed, shape.id, static_cast<int>(shape.tool), shape.colorHex, shape.lineWidth, shape.text);
    for (const AnnotationPoint& point : shape.points)
        hash = qHash(point, hash);
    return hash;
}
