#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>

class Library;

// Keeps the library's screenshot text current: shortly after the library
// changes it runs zorvi-ocr (one process at a time, at the lowest priority),
// which reads whatever screenshots are new, replaced or marked. The board
// hears of new text through the library. Saving never waits for it.
class ScreenshotTextRunner : public QObject {
    Q_OBJECT
public:
    // Quiet time after a change before reading starts.
    static constexpr int settleMs = 800;

    // `program` is zorvi-ocr; by default the one beside this executable.
    explicit ScreenshotTextRunner(Library& library, QString program = besideApp(), QObject* parent = nullptr);
    ~ScreenshotTextRunner() override;

    static QString besideApp();

    // Runs a round soon; a round already running is followed by another.
    void schedule();

private:
    void start();
    void finished(int exitCode, QProcess::ExitStatus status);

    Library& library_;
    QString program_;
    QTimer settle_;
    QProcess* process_ = nullptr;
    bool again_ = false;
    // Set when zorvi-ocr can never succeed here (no program, no language data).
    bool unavailable_ = false;
};
