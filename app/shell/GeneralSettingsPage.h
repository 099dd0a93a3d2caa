#pragma once

#include <QWidget>

class Library;
class PermissionsService;
class Preferences;
class QComboBox;

// The settings window's General tab: capture behaviour, context, what the
// session permits, and the desktop integration (tray icon, autostart).
// Every control writes its preference the moment it changes.
class GeneralSettingsPage : public QWidget {
    Q_OBJECT
public:
    GeneralSettingsPage(Preferences& preferences, PermissionsService& permissions, Library& library,
                        QWidget* parent = nullptr);

private:
    void fillGroups();

    Preferences& preferences_;
    Library& library_;
    QComboBox* group_;
};
