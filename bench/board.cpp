// The board over a library of 100,000 captures: the view model's reload,
// filtering and search over what it loaded and in the store, the idle change
// poll, and one scrolled frame of the card grid with its thumbnails in memory.
#include "LibraryGenerator.h"

#include "board/BoardQuery.h"
#include "board/BoardView.h"
#include "board/CaptureFilterEngine.h"
#include "board/DashboardViewModel.h"
#include "board/DashboardWindow.h"
#include "library/Library.h"
#include "library/LibraryPage.h"
#include "board/ThumbnailLoader.h"
#include "store/ZorviPaths.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_board";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The generated library, with tags on every tenth capture, comments and a few people.
GeneratedLibrary& generated() {
    static GeneratedLibrary* lib = [] {
        auto* g = new GeneratedLibrary(100000);
        Database& db = *g->sql;
        db.executeRaw(
            "INSERT INTO tags (id, name, created_at) VALUES ('t1','ui',0),('t2','crash',0),('t3','layout',0);"
            "INSERT INTO capture_tags (capture_id, tag_id) SELECT id, 't' || (1 + rowid % 3) FROM captures "
            "WHERE rowid % 10 = 0;"
            "INSERT INTO capture_tags (capture_id, tag_id) SELECT id, 't1' FROM captures WHERE rowid % 30 = 5;"
            "INSERT INTO comments (id, capture_id, author, is_agent, body, created_at) SELECT "
            "printf('c%d', rowid), id, 'you', 0, 'Seen again', created_at FROM captures WHERE rowid % 7 = 0;"
            "INSERT INTO people (id, name, kind, updated_at) VALUES ('p1','Ada Lovelace','person',0),"
            "('p2','Grace Hopper','person',0),('p3','claude','bot',0);"
            "ANALYZE;");
        return g;
    }();
    return *lib;
}

Library& library() {
    application();
    static Library* lib = new Library(*generated().store);
    return *lib;
}

void BM_BoardReload(benchmark::State& state) {
    Library& lib = library();
    for (auto _ : state)
        lib.reload();
    state.counters["captures"] = double(lib.captures().size());
    state.counters["tagged"] = double(lib.tagsByCapture().size());
}
BENCHMARK(BM_BoardReload)->Unit(benchmark::kMillisecond);

void BM_FilterAndSearch(benchmark::State& state) {
    Library& lib = library();
    std::size_t shown = 0;
    for (auto _ : state) {
        const auto visible = CaptureFilterEngine::apply(lib.captures(), LibraryFilter::inbox(), "click the BUTTON",
                                                        SortOrder::app, lib.tagsByCapture(), lib.currentUserID());
        shown = visible.size();
        benchmark::DoNotOptimize(visible.data());
    }
    state.counters["shown"] = double(shown);
}
BENCHMARK(BM_FilterAndSearch)->Unit(benchmark::kMicrosecond);

// What the board asks the store once the library holds more than it loads,
// read as the search thread reads it (the page, its tags and comment counts).
void BM_StoreSearchPage(benchmark::State& state, LibraryFilter filter, const char* search) {
    CaptureStore& store = *generated().store;
    const CaptureQuery query = BoardQuery::forStore(filter, QString::fromUtf8(search), SortOrder::newest, std::nullopt);
    std::size_t found = 0;
    for (auto _ : state) {
        const LibraryPage page = store.transaction([&] { return LibraryPage::read(store, query); });
        found = page.captures.size();
        benchmark::DoNotOptimize(page.captures.data());
    }
    state.counters["found"] = double(found);
}
BENCHMARK_CAPTURE(BM_StoreSearchPage, everyCaptureMatches, LibraryFilter::everything(), "click the BUTTON")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreSearchPage, oneCaptureMatches, LibraryFilter::everything(), "number 31337")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreSearchPage, nothingMatches, LibraryFilter::inbox(), "quarantined")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreSearchPage, byTag, LibraryFilter::everything(), "layout")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreSearchPage, resolvedFilter, LibraryFilter::ofStatus(CaptureStatus::resolved), "")
    ->Unit(benchmark::kMillisecond);

// From a typed search to the found page on the UI thread, through the library's search thread.
void BM_StoreSearchOnTheBoard(benchmark::State& state) {
    Library& lib = library();
    int round = 0;
    for (auto _ : state) {
        // A different query each round, so none is answered by the last.
        lib.setStoreQuery(BoardQuery::forStore(LibraryFilter::everything(), QString("number %1").arg(++round),
                                               SortOrder::newest, std::nullopt));
        while (!lib.found())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    lib.setStoreQuery(std::nullopt);
}
BENCHMARK(BM_StoreSearchOnTheBoard)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IdleChangePoll(benchmark::State& state) {
    Library& lib = library();
    QMetaObject::invokeMethod(&lib, "pollTick");
    for (auto _ : state)
        QMetaObject::invokeMethod(&lib, "pollTick");
}
BENCHMARK(BM_IdleChangePoll)->Unit(benchmark::kMicrosecond);

// Writes a real JPEG thumbnail for the first captures the board shows.
void writeThumbnails(const Library& lib, int count) {
    QImage shot(900, 506, QImage::Format_RGB32);
    for (int i = 0; i < count && i < int(lib.captures().size()); ++i) {
        const Capture& c = lib.captures()[size_t(i)];
        shot.fill(QColor::fromHsv((i * 37) % 360, 120, 220));
        QPainter(&shot).fillRect(100, 80, 500, 300, Qt::white);
        const QString path = ZorviPaths::thumbFile(*c.thumbPath);
        ZorviPaths::ensureParentDirectory(path);
        shot.save(path, "JPEG", 82);
    }
}

void BM_GridScrollFrame(benchmark::State& state) {
    Library& lib = library();
    writeThumbnails(lib, 120);
    DashboardWindow window(lib);
    window.board().setFilter(LibraryFilter::everything());
    window.resize(1280, 800);
    window.show();
    QListView* cards = window.boardView()->cards();
    QScrollBar* bar = cards->verticalScrollBar();
    QImage frame(cards->viewport()->size() * cards->devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(cards->devicePixelRatioF());
    // Scroll over the first rows once so every thumbnail there is decoded and cached.
    auto paint = [&] {
        QPainter p(&frame);
        cards->viewport()->render(&p);
    };
    for (int y = 0; y <= 2400; y += 120) {
        bar->setValue(y);
        paint();
        ThumbnailLoader::shared().waitForIdle();
        QCoreApplication::processEvents();
    }
    int y = 0;
    for (auto _ : state) {
        y = (y + 40) % 2400;
        bar->setValue(y);
        paint();
    }
}
BENCHMARK(BM_GridScrollFrame)->Unit(benchmark::kMillisecond);

} // namespace
