#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// A JavaScript program running inside KWin, loaded through KWin's scripting
// service on the session bus. It stops when this object goes.
class KWinScript {
public:
    // Whether KWin's scripting service answers on the session bus.
    static bool isAvailable();

    // Loads `source` under `name` and runs it. A script of that name left
    // behind by an earlier run of the app is stopped first.
    KWinScript(const QString& name, const QByteArray& source);
    ~KWinScript();
    KWinScript(const KWinScript&) = delete;
    KWinScript& operator=(const KWinScript&) = delete;

    bool isRunning() const { return running_; }

private:
    bool isLoaded() const;
    void unload();

    QString name_;
    // KWin reads the program from a file of its own choosing, after loading.
    QTemporaryFile file_;
    bool running_ = false;
};
