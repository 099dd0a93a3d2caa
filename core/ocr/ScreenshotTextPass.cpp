#include "ScreenshotTextPass.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QImageReader>

ScreenshotTextPass::Result ScreenshotTextPass::run(int limit) {
    Result result;
    for (const CaptureStore::ImageAwaitingText& image : store_.imagesAwaitingText(limit)) {
        QImageReader reader(ZorviPaths::imageFile(image.file));
        const QImage picture = reader.read();
        if (picture.isNull())
            continue;
        if (!recognizer_)
            recognizer_ = std::make_unique<TextRecognizer>();
        if (!recognizer_->isReady())
            return {Outcome::engineMissing, result.recorded};
        store_.recordScreenshotText(image, recognizer_->recognise(picture));
        ++result.recorded;
    }
    return result;
}
