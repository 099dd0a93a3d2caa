#include "ZorviPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <system_error>

namespace ZorviPaths {

namespace {

QString homeOverride() {
    const QByteArray raw = qgetenv("ZORVI_HOME");
    QString value = QString::fromLocal8Bit(raw);
    // Only spaces and tabs count as blank, matching how the variable is documented.
    while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t'))
        value.remove(0, 1);
    while (!value.isEmpty() && (value.back() == u' ' || value.back() == u'\t'))
        value.chop(1);
    if (value.isEmpty())
        return {};
    if (value == u"~")
        return QDir::homePath();
    if (value.startsWith(u"~/"))
        return QDir::homePath() + value.mid(1);
    return value;
}

bool makePath(const QString& path) {
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

} // namespace

QString dataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + "/.local/share";
}

QString support() {
    const QString home = homeOverride();
    return home.isEmpty() ? dataHome() + "/Zorvi" : QDir::cleanPath(home);
}

QString databaseFile() { return support() + "/zorvi.sqlite"; }
QString capturesRoot() { return support() + "/captures"; }
QString thumbsRoot() { return support() + "/thumbs"; }
QString agentImagesRoot() { return support() + "/agent-images"; }
QString logsRoot() { return support() + "/logs"; }

QString imageFile(const QString& relative) { return capturesRoot() + '/' + relative; }
QString thumbFile(const QString& relative) { return thumbsRoot() + '/' + relative; }

QString relativeImagePath(const QString& id, const QDateTime& date, const QString& ext) {
    const QDate day = date.toLocalTime().date();
    const int year = day.isValid() ? day.year() : 0;
    const int month = day.isValid() ? day.month() : 0;
    return QStringLiteral("%1/%2/%3.%4")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(id, ext);
}

bool isSafeRelativePath(const QString& relative) {
    if (relative.isEmpty() || QDir::isAbsolutePath(relative))
        return false;
    const QString clean = QDir::cleanPath(relative);
    return clean != u".." && !clean.startsWith(u"../") && !clean.startsWith(u'/');
}

QString markedRelativePath(const QString& originalRelative) {
    const int slash = originalRelative.lastIndexOf(u'/');
    const int dot = originalRelative.lastIndexOf(u'.');
    const QString stem = dot > slash ? originalRelative.left(dot) : originalRelative;
    return stem + "-marked.png";
}

QString agentImageFile(const QString& sourceRelative, const QString& ext) {
    const QString clean = QDir::cleanPath(sourceRelative);
    const int slash = clean.lastIndexOf(u'/');
    const int dot = clean.lastIndexOf(u'.');
    const QString stem = dot > slash ? clean.left(dot) : clean;
    return agentImagesRoot() + '/' + stem + '.' + ext;
}

QStringList agentImageFiles(const QString& sourceRelative) {
    return {agentImageFile(sourceRelative, "png"), agentImageFile(sourceRelative, "jpg")};
}

bool ensureDirectories() {
    for (const QString& dir : {support(), capturesRoot(), thumbsRoot(), logsRoot()})
        if (!makePath(dir))
            return false;
    return true;
}

void ensureParentDirectory(const QString& file) {
    const QString parent = QFileInfo(file).absolutePath();
    if (!makePath(parent))
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "Could not create the folder " + parent.toStdString());
}

void migrateLegacyLibraryIfNeeded() {
    if (qEnvironmentVariableIsSet("ZORVI_HOME"))
        return;
    const QString legacy = dataHome() + "/Kestad";
    if (!QFileInfo(legacy + "/kestad.sqlite").isFile())
        return;
    const QString target = support();
    if (QFileInfo::exists(target + "/zorvi.sqlite"))
        return;
    if (QFileInfo::exists(target) && !QDir(target).removeRecursively())
        return;
    if (!QDir().rename(legacy, target))
        return;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const QString from = target + "/kestad.sqlite" + suffix;
        if (!QFileInfo::exists(from))
            continue;
        if (!QFile::rename(from, target + "/zorvi.sqlite" + suffix))
            return;
    }
}

} // namespace ZorviPaths
