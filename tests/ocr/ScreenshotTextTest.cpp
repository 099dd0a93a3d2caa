#include "../store/StoreFixture.h"

#include "board/DashboardViewModel.h"
#include "library/Library.h"
#include "ocr/ScreenshotTextRunner.h"
#include "ocr/TextRecognizer.h"
#include "support/QtEventLoop.h"
#include "support/TestImages.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QStringList wordsOf(const QString& text) {
    return text.toLower().split(QRegularExpression("[^\\w]+"), Qt::SkipEmptyParts);
}

// The share of the expected words found, each found word used once.
double wordAccuracy(const QStringList& expected, QStringList found) {
    int right = 0;
    for (const QString& word : expected)
        if (found.removeOne(word))
            ++right;
    return expected.isEmpty() ? 1.0 : double(right) / expected.size();
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Interface text of 14 to 20 px, light and dark, as a person screenshots it.
TEST(TextRecognizerTest, ReadsInterfaceTextWordForWord) {
    TextRecognizer recognizer;
    ASSERT_TRUE(recognizer.isReady()) << "tesseract-ocr-eng is installed by scripts/setup";
    QStringList expected, found;
    for (const QString name : {"settings-dialog", "error-dark"}) {
        const QImage screenshot(TestImages::path("ocr/" + name + ".png"));
        ASSERT_FALSE(screenshot.isNull()) << name.toStdString();
        const QStringList words = wordsOf(readFile(TestImages::path("ocr/" + name + ".txt")));
        const QStringList read = wordsOf(recognizer.recognise(screenshot));
        RecordProperty(name.toStdString() + "_accuracy", QString::number(wordAccuracy(words, read)).toStdString());
        expected += words;
        found += read;
    }
    EXPECT_GE(wordAccuracy(expected, found), 0.95) << found.join(' ').toStdString();
    EXPECT_TRUE(recognizer.recognise(QImage()).isEmpty());
}

class ScreenshotTextTest : public StoreFixture {
protected:
    void SetUp() override {
        ensureQtApplication();
        StoreFixture::SetUp();
    }

    // Waits on the real helper process; recognition takes about a second here,
    // but the helper runs at the lowest priority and a busy machine's other
    // tests can hold it off for a minute.
    bool boardFinds(DashboardViewModel& board, const QString& search, const QString& captureID, bool expected) {
        board.setSearch(search);
        return processEventsUntil(
            [&] {
                const auto& shown = board.visibleCaptures();
                const bool found = std::any_of(shown.begin(), shown.end(),
                                               [&](const Capture& c) { return c.id == captureID; });
                return found == expected;
            },
            120000);
    }
};

// Saving files the capture at once; the helper reads its screenshot after,
// and the board's search then finds it by words only the picture holds. A
// pixelated mark hides words from the text too, so they can't reach an agent.
TEST_F(ScreenshotTextTest, BoardSearchFindsScreenshotWordsAndMarkingRereadsThem) {
    Library library(*store);
    DashboardViewModel board(library);
    board.setFilter(LibraryFilter::everything());
    ScreenshotTextRunner runner(library, ZORVI_OCR_PROGRAM);

    const Capture capture = newCapture("Banner is cut off");
    ASSERT_TRUE(library.add(capture, {}, {}));
    ASSERT_TRUE(library.addImage(QImage(TestImages::path("ocr/settings-dialog.png")), capture.id, CaptureMode::region));
    EXPECT_EQ(library.captures().size(), 1u) << "the save did not wait for recognition";

    ASSERT_TRUE(boardFinds(board, "renewal DATE", capture.id, true));
    EXPECT_TRUE(store->screenshotText(capture.id).join('\n').contains("billing address"));
    board.setSearch("renewal zzz");
    EXPECT_TRUE(board.visibleCaptures().empty()) << "every word must match";

    const CaptureImage image = store->images(capture.id).front();
    Annotation hide;
    hide.shapes << AnnotationShape{"b", AnnotationTool::blur, "#000000", 0.01, {{0.0, 0.25}, {1.0, 0.62}}};
    ASSERT_TRUE(library.saveAnnotation(hide, image));
    ASSERT_TRUE(boardFinds(board, "renewal", capture.id, false)) << "the marked copy is read again";
    EXPECT_TRUE(boardFinds(board, "payment settings", capture.id, true));
}

// The text table is an addition the library can be without: a library whose
// SQLite refuses it, or made by a version without it, still opens and searches.
TEST_F(ScreenshotTextTest, ALibraryWithoutTheTextTablesStillSearches) {
    const Capture capture = newCapture("Checkout total wrong");
    store->insert(capture);
    store.reset();
    sql().executeRaw("DROP TABLE screenshot_text_index; DROP TABLE screenshot_text;");
    sql().executeRaw("CREATE VIEW screenshot_text AS SELECT 1 AS text;"); // can't be indexed
    store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    EXPECT_FALSE(store->hasScreenshotText());
    CaptureQuery query;
    query.search = "total";
    ASSERT_EQ(store->captures(query).size(), 1u);
    EXPECT_TRUE(store->imagesAwaitingText(10).empty());
    EXPECT_TRUE(store->capturesWithScreenshotText("total", 10).isEmpty());
}

} // namespace
