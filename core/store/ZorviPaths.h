#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Where the library lives on disk. Every location is computed on demand from
// the environment, so these may be called from any thread.
namespace ZorviPaths {

inline constexpr const char* desktopAppId = "dev.zorvi.Zorvi";

QString support();
QString databaseFile();
QString capturesRoot();
QString thumbsRoot();
// Agent-sized renditions of screenshots: derived files, never synced.
QString agentImagesRoot();
QString logsRoot();

QString imageFile(const QString& relative);
QString thumbFile(const QString& relative);

// "yyyy/MM/<id>.<ext>" in the local time zone.
QString relativeImagePath(const QString& id, const QDateTime& date, const QString& ext);
// True for a non-empty relative path that stays inside its root folder.
// Stored paths may come from another machine; nothing outside the library
// may be read or removed through one.
bool isSafeRelativePath(const QString& relative);

// The marked copy's relative path beside an original: "<stem>-marked.png".
QString markedRelativePath(const QString& originalRelative);

// Where the agent-sized rendition of a stored image goes, by the image's path
// relative to the captures folder: "<stem>.<ext>" under agentImagesRoot().
QString agentImageFile(const QString& sourceRelative, const QString& ext);
// Every name that rendition may have (it is a PNG or a JPEG).
QStringList agentImageFiles(const QString& sourceRelative);

bool ensureDirectories();
// Throws std::system_error with the file system's message.
void ensureParentDirectory(const QString& file);

// Moves a library left by the earlier Kestad application into place.
// Failures are swallowed: the store then opens whatever is at databaseFile().
void migrateLegacyLibraryIfNeeded();

// The user's data folder ($XDG_DATA_HOME or ~/.local/share).
QString dataHome();

} // namespace ZorviPaths
