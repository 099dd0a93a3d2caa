#include "markup/AnnotationRenderer.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

// Pixelation is only worth its name if nothing can read the text back. These
// run Tesseract over the marked copy of known words: it must read them all in
// the original (so the check is live) and none of them once pixelated.
namespace {

// Four lines of body text to heading size, as in words-900x260.png.
const QStringList lines{
    "Customer password reset failed for invoice number",
    "Balance transfer pending approval from finance",
    "Confidential salary figures attached",
    "Private token expires tomorrow",
};
// Each line's band (top and bottom, in pixels), as tight as a person would drag over it.
const QList<std::pair<int, int>> bands{{20, 40}, {64, 90}, {116, 152}, {190, 234}};

QSet<QString> wordsOf(const QString& text) {
    QSet<QString> words;
    for (const QString& word : text.toLower().split(QRegularExpression("[^a-z0-9]+"), Qt::SkipEmptyParts))
        if (word.size() >= 3)
            words.insert(word);
    return words;
}

QString ocr(const QImage& image, const TempDir& dir) {
    const QString path = dir.path() + "/ocr.png";
    EXPECT_TRUE(image.save(path));
    QProcess tesseract;
    tesseract.start("tesseract", {path, "-", "-l", "eng"});
    EXPECT_TRUE(tesseract.waitForFinished(120000)) << "tesseract (Debian's tesseract-ocr) did not run";
    return QString::fromUtf8(tesseract.readAllStandardOutput());
}

AnnotationShape blurOver(std::pair<int, int> band, QSize image, double width) {
    static int counter = 0;
    return AnnotationShape{QString::number(++counter), AnnotationTool::blur, "#000000", width,
                           {{12.0 / image.width(), double(band.first) / image.height()},
                            {880.0 / image.width(), double(band.second) / image.height()}}};
}

} // namespace

TEST(PixelatedTextOcr, NoWordSurvivesInTheMarkedCopyAtAnySize) {
    const QImage source = QImage(TestImages::path("words-900x260.png"));
    ASSERT_FALSE(source.isNull());
    TempDir dir;
    QSet<QString> known;
    for (const QString& line : lines)
        known += wordsOf(line);
    ASSERT_EQ(wordsOf(ocr(source, dir)) & known, known) << "Tesseract cannot read the unmarked words";

    for (const double width : {0.0025, 0.005, 0.009}) {
        Annotation annotation;
        for (const auto& band : bands)
            annotation.shapes.append(blurOver(band, source.size(), width));
        const std::optional<QImage> marked = AnnotationRenderer::render(annotation, source);
        ASSERT_TRUE(marked);
        const QSet<QString> read = wordsOf(ocr(*marked, dir)) & known;
        EXPECT_TRUE(read.isEmpty()) << "width " << width << " left readable: "
                                    << QStringList(read.begin(), read.end()).join(' ').toStdString();
    }
}
