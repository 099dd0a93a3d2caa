#pragma once

#include <QImage>
#include <QString>

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

// Reads the text in a screenshot with Tesseract's English model. One
// instance is one engine: use it from one thread at a time.
class TextRecognizer {
public:
    TextRecognizer();
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer&) = delete;
    TextRecognizer& operator=(const TextRecognizer&) = delete;

    // False when the engine or its language data could not be loaded.
    bool isReady() const { return ready_; }
    // The recognised lines, blank lines dropped; empty for a picture
    // without text, a null image or an engine that is not ready.
    QString recognise(const QImage& image);

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
    bool ready_ = false;
};
