// The agent-facing tools on a library of 100,000 captures, called in-process
// exactly as zorvi-mcp calls them (schema check included). Each repetition is
// one call, so the median is the per-call p50. CPU time is the whole
// process's, since get_capture decodes screenshots on worker threads.

#include "BenchSupport.h"
#include "ToolRegistry.h"
#include "ZorviTools.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int captureCount = 100000;
const QString regionNote = QStringLiteral("Region of the docs");
const QString fullScreenNote = QStringLiteral("Whole screen of the docs");
const QString photoNote = QStringLiteral("Whole screen with a photo");
const QString threeScreensNote = QStringLiteral("Three whole screens");

struct Library {
    QTemporaryDir scratch;
    std::unique_ptr<CaptureStore> store;
    ToolRegistry tools;
    QString regionCapture;     // a 1280×800 region: sent as stored
    QString fullScreenCapture; // a 3840×2160 screen of text: scaled and re-encoded
    QString photoCapture;      // a 3840×2160 screen with a photograph
    QString threeScreens;      // three 3840×2160 screens in one capture
};

CaptureImage imageRow(const QString& captureID, const QDateTime& when, int width, int height) {
    CaptureImage image;
    image.id = Identifiers::make();
    image.captureID = captureID;
    image.position = -1;
    image.createdAt = when;
    image.imagePath = ZorviPaths::relativeImagePath(image.id, when, "png");
    image.width = width;
    image.height = height;
    return image;
}

void placeFile(const QString& relative, const QImage& image) {
    const QString path = ZorviPaths::imageFile(relative);
    ZorviPaths::ensureParentDirectory(path);
    image.save(path, "PNG");
}

QString captureWithScreenshots(CaptureStore& store, const QList<QImage>& screenshots, const QString& note) {
    Capture capture;
    capture.id = Identifiers::make();
    capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc();
    capture.note = note;
    capture.localOnly = true;
    store.insert(capture);
    for (const QImage& screenshot : screenshots) {
        const CaptureImage image = imageRow(capture.id, capture.createdAt, screenshot.width(), screenshot.height());
        placeFile(image.imagePath, screenshot);
        store.addImage(image);
    }
    store.setTags({"bench"}, capture.id);
    return capture.id;
}

// Two years of filing: mostly resolved or archived, an eighth still open.
void fill(Library& library) {
    CaptureStore& store = *library.store;

    QRandomGenerator random(42);
    std::vector<QString> groupIDs;
    for (int i = 0; i < 20; ++i) {
        CaptureGroup group;
        group.id = Identifiers::make();
        group.name = QStringLiteral("Group %1").arg(i);
        group.createdAt = group.updatedAt = QDateTime::currentDateTimeUtc();
        groupIDs.push_back(store.upsertGroup(group).id);
    }
    const QStringList apps{"Firefox", "Code", "Terminal", "Files", "Slack", "Figma"};
    const QStringList words{"button", "overlaps", "crash", "layout", "slow", "login", "menu", "scroll",
                            "dark", "mode", "text", "cut", "off", "icon", "missing", "wrong", "colour"};
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-730);
    for (int i = 0; i < captureCount; ++i) {
        Capture capture;
        capture.id = Identifiers::make();
        capture.createdAt = capture.updatedAt = start.addSecs(qint64(i) * 630);
        QStringList note;
        for (int w = 0; w < 8; ++w)
            note.append(words[random.bounded(words.size())]);
        capture.note = note.join(' ');
        const int roll = random.bounded(100);
        capture.status = roll < 8    ? CaptureStatus::open
                         : roll < 12 ? CaptureStatus::inProgress
                         : roll < 82 ? CaptureStatus::resolved
                                     : CaptureStatus::archived;
        const int weight = random.bounded(100);
        capture.priority = weight < 15 ? CapturePriority::high : weight < 85 ? CapturePriority::normal : CapturePriority::low;
        capture.groupID = groupIDs[random.bounded(int(groupIDs.size()))];
        capture.context.appName = apps[random.bounded(apps.size())];
        capture.context.windowTitle = "Window " + QString::number(i);
        capture.imagePath = ZorviPaths::relativeImagePath(capture.id, capture.createdAt, "png");
        capture.localOnly = true;
        store.insert(capture);
        if (i % 3 == 0)
            store.setTags({words[random.bounded(words.size())], words[random.bounded(words.size())]}, capture.id);
    }

    const std::optional<QImage> doc = Bench::screenshot("screenshot-doc-page-3840x2160.png");
    const std::optional<QImage> photo = Bench::screenshot("screenshot-ui-with-photo-3840x2160.png");
    const std::optional<QImage> dark = Bench::screenshot("screenshot-api-docs-dark-3840x2160.png");
    if (doc && photo && dark) {
        captureWithScreenshots(store, {doc->copy(600, 400, 1280, 800)}, regionNote);
        captureWithScreenshots(store, {*doc}, fullScreenNote);
        captureWithScreenshots(store, {*photo}, photoNote);
        captureWithScreenshots(store, {*doc, *dark, *photo}, threeScreensNote);
    }
}

QString captureNoted(CaptureStore& store, const QString& note) {
    CaptureQuery query;
    query.search = note;
    query.limit = 1;
    const std::vector<Capture> found = store.captures(query);
    return found.empty() ? QString() : found.front().id;
}

// ZORVI_BENCH_LIBRARY names a folder to keep the generated library in, so
// later runs skip the minute it takes to file 100,000 captures.
std::unique_ptr<Library> open() {
    auto library = std::make_unique<Library>();
    const QString kept = qEnvironmentVariable("ZORVI_BENCH_LIBRARY");
    qputenv("ZORVI_HOME", (kept.isEmpty() ? library->scratch.path() : kept).toUtf8());
    const bool fresh = !QFile::exists(ZorviPaths::databaseFile());
    library->store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    if (fresh) {
        fill(*library);
        // Reopen as the next zorvi-mcp process would, which gathers planner statistics.
        library->store.reset();
        library->store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    }
    library->regionCapture = captureNoted(*library->store, regionNote);
    library->fullScreenCapture = captureNoted(*library->store, fullScreenNote);
    library->photoCapture = captureNoted(*library->store, photoNote);
    library->threeScreens = captureNoted(*library->store, threeScreensNote);
    registerZorviTools(library->tools, ToolContext{*library->store, "bench"});
    return library;
}

Library& library() {
    static std::unique_ptr<Library> shared = open();
    return *shared;
}

void runTool(benchmark::State& state, const QString& name, const QJsonObject& arguments) {
    Library& lib = library();
    if (arguments.contains("id") && arguments.value("id").toString().isEmpty()) {
        state.SkipWithError("its capture needs the 4K screenshots (../shared/bench-data)");
        return;
    }
    for (auto _ : state) {
        const std::optional<ToolResult> result = lib.tools.call(name, arguments);
        if (!result || result->isError()) {
            state.SkipWithError("the tool failed");
            return;
        }
        benchmark::DoNotOptimize(result->content());
    }
}

void BM_ListCaptures_Open(benchmark::State& state) { runTool(state, "list_captures", {}); }
void BM_ListCaptures_Group(benchmark::State& state) {
    runTool(state, "list_captures", {{"group", "Group 7"}, {"limit", 50}});
}
void BM_ListCaptures_Search(benchmark::State& state) {
    runTool(state, "list_captures", {{"search", "login menu"}, {"status", "all"}});
}
void BM_ListCaptures_SecondPage(benchmark::State& state) {
    runTool(state, "list_captures", {{"status", "all"}, {"offset", 25}});
}
void BM_GetCapture_Region(benchmark::State& state) { runTool(state, "get_capture", {{"id", library().regionCapture}}); }
void BM_GetCapture_FullScreen(benchmark::State& state) {
    runTool(state, "get_capture", {{"id", library().fullScreenCapture}});
}
void BM_GetCapture_FullScreenPhoto(benchmark::State& state) {
    runTool(state, "get_capture", {{"id", library().photoCapture}});
}
void BM_GetCapture_ThreeScreens(benchmark::State& state) {
    runTool(state, "get_capture", {{"id", library().threeScreens}});
}
void BM_GetCapture_ByPrefix(benchmark::State& state) {
    runTool(state, "get_capture", {{"id", library().regionCapture.left(8)}});
}
void BM_CaptureStats(benchmark::State& state) { runTool(state, "capture_stats", {}); }
void BM_ListGroups(benchmark::State& state) { runTool(state, "list_groups", {}); }

double p90(const std::vector<double>& values) {
    std::vector<double> sorted = values;
    std::ranges::sort(sorted);
    return sorted[std::min(sorted.size() - 1, size_t(0.9 * double(sorted.size())))];
}

#define PER_CALL(bm, repetitions)                                                                    \
    BENCHMARK(bm)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1)           \
        ->Repetitions(repetitions)                                                                    \
        ->ComputeStatistics("p90", p90)->ReportAggregatesOnly(true)

PER_CALL(BM_ListCaptures_Open, 200);
PER_CALL(BM_ListCaptures_Group, 200);
PER_CALL(BM_ListCaptures_Search, 50);
PER_CALL(BM_ListCaptures_SecondPage, 200);
PER_CALL(BM_GetCapture_Region, 100);
PER_CALL(BM_GetCapture_ByPrefix, 100);
PER_CALL(BM_GetCapture_FullScreen, 30);
PER_CALL(BM_GetCapture_FullScreenPhoto, 30);
PER_CALL(BM_GetCapture_ThreeScreens, 20);
PER_CALL(BM_CaptureStats, 50);
PER_CALL(BM_ListGroups, 50);

} // namespace
