#include "TextRecognizer.h"

#include <tesseract/baseapi.h>

#include <QStringList>

namespace {

// Tesseract reads best with letters about 20-30 px tall. Small pictures (a
// region around a button, a dialog) are read at twice their size, which
// brings 14 px interface text into that range at little cost; large ones
// (a whole display) already cost seconds and are read as they are.
constexpr qint64 enlargeBelowPixels = 1'000'000;

QString tidy(const char* raw) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(raw).split(u'\n')) {
        const QString trimmed = line.simplified();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines.join(u'\n');
}

} // namespace

TextRecognizer::TextRecognizer() : api_(std::make_unique<tesseract::TessBaseAPI>()) {
    ready_ = api_->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) == 0;
    if (ready_) {
        api_->SetPageSegMode(tesseract::PSM_AUTO);
        // Tesseract narrates its guesses ("Estimating resolution as …") on
        // stderr, which is the app's log.
        api_->SetVariable("debug_file", "/dev/null");
    }
}

TextRecognizer::~TextRecognizer() {
    api_->End();
}

QString TextRecognizer::recognise(const QImage& image) {
    if (!ready_ || image.isNull())
        return {};
    QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    if (qint64(gray.width()) * gray.height() < enlargeBelowPixels)
        gray = gray.scaled(gray.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    api_->SetImage(gray.constBits(), gray.width(), gray.height(), 1, int(gray.bytesPerLine()));
    std::unique_ptr<char[]> text(api_->GetUTF8Text());
    api_->Clear();
    return text ? tidy(text.get()) : QString();
}
