#pragma once

#include <QString>
#include <QDir>
#include <QTemporaryDir>

// A private folder for one test, removed when the test ends.
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};
