#include "Autostart.h"

#include "platform/DesktopCommand.h"
#include "store/ZorviPaths.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace Autostart {

QString entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" +
           ZorviPaths::desktopAppId + ".desktop";
}

bool isEnabled() { return QFile::exists(entryPath()); }

bool setEnabled(bool enabled, QString* error) {
    const QString path = entryPath();
    if (!enabled) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        if (error)
            *error = QObject::tr("Couldn't remove %1").arg(path);
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // The `zorvi` command that starts this app, or a copy outside PATH itself;
    // at login it waits in the tray instead of opening the board.
    const QString exec = DesktopCommand::program();
    const QByteArray entry = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Zorvi\n"
                             "Comment=Capture a bug on screen and hand it to a coding agent\n"
                             "Exec=\"" + exec.toUtf8() + "\" --background\n"
                             "Icon=" + QByteArray(ZorviPaths::desktopAppId) + "\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";
    if (file.open(QIODevice::WriteOnly) && file.write(entry) == entry.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace Autostart
