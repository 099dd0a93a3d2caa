// What a desktop shortcut costs each press: `zorvi --capture-region` started
// as a process, handing its command to the running instance and exiting. The
// instance here is a listening socket of the benchmark's own, so only the
// forwarding process is timed (the goal: well under 10 ms).
#include "shell/SingleInstance.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

void BM_ForwardCaptureCommandToRunningInstance(benchmark::State& state) {
    int argc = 1;
    char name[] = "bench_command_forwarding";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir library;
    qputenv("ZORVI_HOME", library.path().toUtf8());
    QLocalServer instance;
    QLocalServer::removeServer(SingleInstance::socketPath());
    instance.setMaxPendingConnections(1000);
    if (!instance.listen(SingleInstance::socketPath())) {
        state.SkipWithError("could not listen on the instance's socket");
        return;
    }
    char program[] = ZORVI_APP_BINARY;
    char command[] = "--capture-region";
    char* arguments[] = {program, command, nullptr};
    double childCpuSeconds = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&pid, program, nullptr, nullptr, arguments, environ) != 0 ||
            wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the forwarding process failed");
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        // On a loaded machine the wall time is mostly waiting for a core.
        childCpuSeconds += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        // Accepted and dropped, as the instance would after reading.
        while (QLocalSocket* socket = instance.nextPendingConnection())
            delete socket;
        instance.waitForNewConnection(0);
    }
    state.counters["process_cpu_ms"] =
        benchmark::Counter(childCpuSeconds * 1000 / double(state.iterations()));
}
BENCHMARK(BM_ForwardCaptureCommandToRunningInstance)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
