// Cold start of the installed-shape app to its first window on screen, and
// its resident memory once idle, on a 1,000-capture library. Run on a display
// (tests/support/with-session.sh --x11 -- build/bench/bench_app_startup);
// without a tray host the board window's mapping stands for "visible".
#include "LibraryGenerator.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QThread>

namespace {

bool windowVisible(const QString& title) {
    QProcess search;
    search.start("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
    search.waitForFinished();
    return search.exitCode() == 0;
}

double residentMegabytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void BM_ColdStartToWindowAndIdleMemory(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("needs a display: run under tests/support/with-session.sh --x11");
        return;
    }
    GeneratedLibrary library(1000);
    library.store.reset();
    QTemporaryDir config;
    QSettings(config.filePath("Zorvi/Zorvi.conf"), QSettings::IniFormat).setValue("onboarding.completed", true);
    double rss = 0;
    for (auto _ : state) {
        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        app.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        app.start(ZORVI_APP_BINARY, {});
        while (!windowVisible("Zorvi") && clock.elapsed() < 20000)
            QThread::msleep(2);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        // Idle: past the first reloads and the thumbnail loads.
        QThread::msleep(3000);
        rss = residentMegabytes(app.processId());
        app.terminate();
        app.waitForFinished();
    }
    state.counters["idle_rss_MB"] = rss;
}
BENCHMARK(BM_ColdStartToWindowAndIdleMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
