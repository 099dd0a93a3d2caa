#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// An installed application as its .desktop file describes it.
struct DesktopApplication {
    // The desktop-file id without ".desktop" ("org.gnome.Nautilus",
    // "firefox-esr"): the application's identity on a freedesktop system.
    QString id;
    // Name, in the user's language where the file offers it.
    QString name;
    QString startupWMClass;
    // The file name of the program Exec runs.
    QString program;
};

// The applications in the "applications" folders of XDG_DATA_HOME and
// XDG_DATA_DIRS; a file in an earlier folder hides one with the same id in a
// later folder.
class DesktopApplications {
public:
    static QStringList applicationFolders();
    static DesktopApplications scan(const QStringList& folders = applicationFolders(),
                                    const QLocale& locale = QLocale::system());
    // The folders as last scanned, read again only when one of them changed.
    static std::shared_ptr<const DesktopApplications> installed();

    // The application a window of this WM_CLASS belongs to: a StartupWMClass
    // naming the class (or instance) first, then an id, the last part of a
    // reverse-domain id, or the program's name matching it.
    std::optional<DesktopApplication> forWindowClass(const std::optional<QString>& instanceName,
                                                     const std::optional<QString>& className) const;

private:
    QList<DesktopApplication> applications_;
};
