#pragma once

#include <QDateTime>
#include <QString>

// The file name Save As offers, from a pattern kept in the settings: {date},
// {app} and {note} (its first words) are filled in from the capture.
namespace SaveAsName {

inline constexpr const char* patternKey = "export.fileNamePattern";
inline constexpr const char* folderKey = "export.lastFolder";
inline constexpr const char* defaultPattern = "{date} {app} {note}";

struct Context {
    QDateTime when;
    QString app;
    QString note;
};

// A name without folder, safe on any file system, ending in `extension`
// ("png" or "jpg"); never empty.
QString fileName(const QString& pattern, const Context& context, const QString& extension);

} // namespace SaveAsName
