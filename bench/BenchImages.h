#pragma once

#include <QDir>
#include <QImage>
#include <QStringList>

#include <stdexcept>

// The real 3840x2160 screenshots the image benchmarks run on.
namespace BenchImages {

inline const QStringList& names() {
    static const QStringList list{"screenshot-doc-page-3840x2160.png", "screenshot-api-docs-dark-3840x2160.png",
                                  "screenshot-ui-with-photo-3840x2160.png"};
    return list;
}

inline QImage load(int index) {
    const QImage image(QDir(ZORVI_BENCH_DATA_DIR).filePath(names().at(index)));
    if (image.isNull())
        throw std::runtime_error("missing benchmark image " + names().at(index).toStdString());
    return image;
}

inline std::string label(int index) { return names().at(index).section('-', 1, 2).toStdString(); }

} // namespace BenchImages
