#pragma once

#include <QString>

// A small tmpfs mounted over a folder while it lives, so that writes there
// can meet a really full disk (ENOSPC). Mounting needs the privilege to;
// where the machine refuses, mounted() says so and the test skips.
class SmallFilesystem {
public:
    explicit SmallFilesystem(QString folder, const QString& size = QStringLiteral("2m"));
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    // Takes every free byte; false when the filler could not be made.
    bool fill();
    // Gives them back.
    bool freeSpace();

private:
    QString filler() const { return folder_ + QStringLiteral("/filler"); }

    QString folder_;
    bool mounted_ = false;
};
