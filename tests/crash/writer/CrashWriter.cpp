// Writes to the library through the app's own code paths, one operation after
// another, printing a line after each, until it is killed: a capture filed
// from the note box (images written first, then one transaction), a markup
// save, a sync pull applying remote rows, and a delete whose Undo lapses.
//
//   crash-writer SEED          (ZORVI_HOME names the library)
#include "library/Library.h"
#include "capture/ImageWriter.h"
#include "common/Identifiers.h"
#include "markup/Annotation.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "store/RemoteApplier.h"
#include "common/Wire.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>
#include <random>

namespace {

std::optional<QString> anyCapture(CaptureStore& store, std::mt19937& rng) {
    const std::vector<Capture> all = store.captures(CaptureQuery());
    if (all.empty())
        return std::nullopt;
    return all[rng() % all.size()].id;
}

void fileCapture(Library& library, std::mt19937& rng) {
    QImage shot(320, 200, QImage::Format_RGB32);
    shot.fill(QColor::fromRgb(rng() & 0xFFFFFF));
    Capture capture;
    capture.id = Identifiers::make();
    capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc();
    capture.note = QStringLiteral("filed %1").arg(rng());
    std::vector<CaptureImage> images;
    for (int i = 0; i < 2; ++i) {
        CaptureImage image;
        image.id = Identifiers::make();
        image.captureID = capture.id;
        image.createdAt = capture.createdAt;
        image.position = i;
        const ImageWriter::Written written = ImageWriter::write(shot, image.id, image.createdAt);
        image.imagePath = written.relativePath;
        image.thumbPath = written.thumbRelativePath;
        image.width = written.width;
        image.height = written.height;
        image.bytes = written.byteCount;
        images.push_back(image);
    }
    library.add(capture, {"crash"}, images);
}

void markUp(Library& library, CaptureStore& store, std::mt19937& rng) {
    const std::optional<QString> id = anyCapture(store, rng);
    if (!id)
        return;
    const std::vector<CaptureImage> images = store.images(*id);
    if (images.empty())
        return;
    AnnotationShape box;
    box.id = Identifiers::make();
    box.tool = AnnotationTool::rectangle;
    box.colorHex = QStringLiteral("#FF3B30");
    box.lineWidth = 0.01;
    const double x = double(rng() % 50) / 100;
    box.points = {{x, 0.1}, {x + 0.3, 0.6}};
    Annotation annotation;
    annotation.shapes = {box};
    library.saveAnnotation(annotation, images[rng() % images.size()]);
}

void applyRemote(CaptureStore& store, std::mt19937& rng) {
    const QJsonValue now = Wire::stamp(QDateTime::currentDateTimeUtc());
    if (rng() % 3 == 0) {
        if (const std::optional<QString> id = anyCapture(store, rng))
            store.transaction([&] { RemoteApplier(store).applyRemoteCapture({{"id", *id}, {"deleted_at", now}, {"updated_at", now}}); });
        return;
    }
    store.transaction([&] {
        RemoteApplier(store).applyRemoteCapture({{"id", Identifiers::make()},
                                  {"note", QStringLiteral("from another computer %1").arg(rng())},
                                  {"tags", QJsonArray{"remote"}},
                                  {"created_at", now},
                                  {"updated_at", now}});
    });
    store.postDidChange();
}

void deleteOne(Library& library, CaptureStore& store, std::mt19937& rng) {
    if (const std::optional<QString> id = anyCapture(store, rng)) {
        library.remove(*id);
        library.undoHistory().finishAll();
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::mt19937 rng(argc > 1 ? std::uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1);
    CaptureStore store(ZorviPaths::databaseFile());
    Library library(store);
    for (long done = 0;; ++done) {
        switch (rng() % 4) {
        case 0:
            fileCapture(library, rng);
            break;
        case 1:
            markUp(library, store, rng);
            break;
        case 2:
            applyRemote(store, rng);
            break;
        default:
            deleteOne(library, store, rng);
            break;
        }
        std::printf("%ld\n", done);
        std::fflush(stdout);
    }
}
