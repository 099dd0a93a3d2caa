#include "ScreenshotTextRunner.h"

#include "library/Library.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
// zorvi-ocr's "Tesseract's language data is missing".
constexpr int engineMissing = 2;
} // namespace

ScreenshotTextRunner::ScreenshotTextRunner(Library& library, QString program, QObject* parent)
    : QObject(parent), library_(library), program_(std::move(program)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, &ScreenshotTextRunner::start);
    connect(&library_, &Library::changed, this, &ScreenshotTextRunner::schedule);
    schedule();
}

ScreenshotTextRunner::~ScreenshotTextRunner() {
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
    }
}

QString ScreenshotTextRunner::besideApp() {
    return QCoreApplication::applicationDirPath() + "/zorvi-ocr";
}

void ScreenshotTextRunner::schedule() {
    if (unavailable_)
        return;
    if (process_)
        again_ = true;
    else
        settle_.start();
}

void ScreenshotTextRunner::start() {
    if (!QFileInfo(program_).isExecutable()) {
        qWarning("Screenshot text is off: %s is missing", qPrintable(program_));
        unavailable_ = true;
        return;
    }
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process_, &QProcess::finished, this, &ScreenshotTextRunner::finished);
    process_->start(program_, {});
}

void ScreenshotTextRunner::finished(int exitCode, QProcess::ExitStatus status) {
    const bool recorded = status == QProcess::NormalExit && exitCode == 0 &&
                          process_->readAllStandardOutput().trimmed().toInt() > 0;
    process_->deleteLater();
    process_ = nullptr;
    if (status == QProcess::NormalExit && exitCode == engineMissing)
        unavailable_ = true;
    if (recorded) {
        library_.screenshotTextArrived();
        // A full round may have left more to read.
        again_ = true;
    }
    if (std::exchange(again_, false))
        schedule();
}
