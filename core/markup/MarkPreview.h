#pragma once

#include "AnnotationShape.h"
#include "Pixelation.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>

// The editor's live preview: marks drawn over the working image, kept from
// one edit to the next. An edit repaints only where the shapes it changed
// were and now are, and a blur's block averages are taken once for each
// place it lies rather than on every frame of a drag. The pixels are always
// those AnnotationRenderer::renderMarks() gives for the same shapes.
class MarkPreview {
public:
    explicit MarkPreview(const QImage& image);

    // Draws `shapes` (the image alone when there are none) and returns the result.
    const QImage& update(const QList<AnnotationShape>& shapes);
    const QImage& image() const { return canvas_; }

private:
    struct Drawn {
        AnnotationShape shape;
        // Steps show their place in the list, so renumbering is a change too.
        int stepNumber;
        friend bool operator==(const Drawn&, const Drawn&) = default;
    };

    QList<Drawn> numbered(const QList<AnnotationShape>& shapes) const;
    // Every pixel the change from drawn_ to `next` can alter.
    QRect damage(const QList<Drawn>& next) const;
    QList<Pixelation::Tile> tilesFor(const QList<AnnotationShape>& shapes);

    QImage source_;
    QImage canvas_;
    QList<Drawn> drawn_;
    // The blurs drawn now, by area and grid; a blur that moves leaves its old entry behind.
    QHash<QString, Pixelation::Tile> tiles_;
};
