// zorvi-ocr: reads the text in a library's screenshots that have none yet
// (or changed since) and records it, then exits. The app starts it after
// changes; it runs at the lowest priority so capturing never waits for it.
//   exit 0: done, the count recorded printed on stdout
//   exit 1: the library could not be opened
//   exit 2: Tesseract's English data is not installed

#include "ocr/OneThreadOpenMP.h"
#include "ocr/ScreenshotTextPass.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QCoreApplication>

#include <cstdio>
#include <sys/resource.h>

namespace {
constexpr int screenshotsPerRun = 200;
}

int main(int argc, char** argv) {
    OneThreadOpenMP::ensure(argv);
    setpriority(PRIO_PROCESS, 0, 19);
    QCoreApplication app(argc, argv);
    try {
        CaptureStore store(ZorviPaths::databaseFile());
        const ScreenshotTextPass::Result result = ScreenshotTextPass(store).run(screenshotsPerRun);
        std::printf("%d\n", result.recorded);
        if (result.outcome == ScreenshotTextPass::Outcome::engineMissing) {
            std::fprintf(stderr, "zorvi-ocr: Tesseract's English language data is missing (tesseract-ocr-eng)\n");
            return 2;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zorvi-ocr: %s\n", e.what());
        return 1;
    }
}
