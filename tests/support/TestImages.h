#pragma once

#include <QImage>
#include <QString>

// Real screenshots, cropped from documentation pages rendered in a browser
// at scale 2 and kept in tests/data.
namespace TestImages {

// A light page of text and code, 1280×720.
QImage docPage();
// A dark API reference with coloured glyphs, 960×540.
QImage darkApiDocs();
// A photograph beside a flat page background, 480×270.
QImage photo();

// A 3840×2160 screen tiled from a crop, pixels as they were captured: for
// code that treats large screens differently.
QImage fullScreen(const QImage& crop);

// The pixels alone, as RGB32 without a colour space, so that two images
// compare equal exactly when their pixels do.
QImage pixelsOf(const QImage& image);

// The absolute path of a file in tests/data.
QString path(const QString& name);

} // namespace TestImages
