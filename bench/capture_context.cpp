// The capture context is read synchronously when a capture starts, before the
// overlay maps, so its cost counts against the trigger-to-overlay budget.
// Applications folders are generated: 400 .desktop files, as on a full desktop.
#include "platform/DesktopApplications.h"
#include "platform/x11/X11ActiveWindowSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir& applicationsHome() {
    static QTemporaryDir dir = [] {
        QTemporaryDir made;
        QDir(made.path()).mkpath("applications");
        for (int i = 0; i < 400; ++i) {
            QFile file(made.filePath(QString("applications/org.example.App%1.desktop").arg(i)));
            file.open(QIODevice::WriteOnly);
            file.write(QString("[Desktop Entry]\nType=Application\nName=App %1\nName[de]=Anw %1\nComment=An app\n"
                               "Exec=/usr/bin/app%1 %U\nIcon=app%1\nStartupWMClass=App%1\nCategories=Utility;\n"
                               "[Desktop Action new-window]\nName=New Window\nExec=/usr/bin/app%1 --new\n")
                           .arg(i)
                           .toUtf8());
        }
        return made;
    }();
    return dir;
}

// The first capture after start or after an application was installed.
void BM_ScanApplications(benchmark::State& state) {
    const QStringList folders{applicationsHome().filePath("applications")};
    for (auto _ : state)
        benchmark::DoNotOptimize(DesktopApplications::scan(folders, QLocale::c()));
}
BENCHMARK(BM_ScanApplications)->Unit(benchmark::kMillisecond);

// Every later capture: the folders are only checked for changes.
void BM_InstalledApplicationsUnchanged(benchmark::State& state) {
    qputenv("XDG_DATA_HOME", applicationsHome().path().toUtf8());
    qputenv("XDG_DATA_DIRS", "/nonexistent");
    DesktopApplications::installed();
    for (auto _ : state)
        benchmark::DoNotOptimize(DesktopApplications::installed()->forWindowClass("app399", "App399"));
}
BENCHMARK(BM_InstalledApplicationsUnchanged)->Unit(benchmark::kMicrosecond);

// The X round trips for the active window's title, class and owner.
void BM_ActiveWindow(benchmark::State& state) {
    const std::unique_ptr<X11ActiveWindowSource> source = X11ActiveWindowSource::connect();
    if (!source) {
        state.SkipWithError("no X display");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(source->activeWindow());
}
BENCHMARK(BM_ActiveWindow)->Unit(benchmark::kMicrosecond);

} // namespace
