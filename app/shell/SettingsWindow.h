#pragma once

#include <QWidget>

class AppActions;
class Library;
class PermissionsService;
class Preferences;
class QTabWidget;

// "Zorvi Settings": General, Account, Shortcuts, Agent and Library tabs.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    enum class Tab { general, account, shortcuts, agent, library };

    SettingsWindow(Preferences& preferences, PermissionsService& permissions, Library& library,
                   const AppActions& actions, QWidget* parent = nullptr);

    void selectTab(Tab tab);
    Tab currentTab() const;
    // Puts a component's own page in place of a tab's (the account view, the shortcut recorders).
    void setPage(Tab tab, QWidget* page);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTabWidget* tabs_;
};
