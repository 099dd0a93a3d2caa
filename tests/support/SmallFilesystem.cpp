#include "support/SmallFilesystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>

SmallFilesystem::SmallFilesystem(QString folder, const QString& size) : folder_(std::move(folder)) {
    QDir().mkpath(folder_);
    mounted_ = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", folder_}) == 0;
}

SmallFilesystem::~SmallFilesystem() {
    if (mounted_)
        QProcess::execute("umount", {"-l", folder_});
}

bool SmallFilesystem::fill() {
    QFile file(filler());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // Big blocks first, then ever smaller ones, until not one byte more fits.
    for (const int size : {64 * 1024, 1024, 1}) {
        const QByteArray block(size, 'x');
        while (file.write(block) == block.size() && file.flush()) {
        }
    }
    return true;
}

bool SmallFilesystem::freeSpace() {
    return QFile::remove(filler());
}
