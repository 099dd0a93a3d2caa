#pragma once

#include <QWidget>

class DesktopShortcutEntries;
class Preferences;
class QLabel;
class QPushButton;

// "Add to GNOME Settings" and "Remove from GNOME Settings" with what the
// desktop's settings hold for the app now, and why the last change failed.
class DesktopShortcutEntriesView : public QWidget {
    Q_OBJECT
public:
    DesktopShortcutEntriesView(DesktopShortcutEntries& entries, Preferences& preferences, QWidget* parent = nullptr);

protected:
    // GNOME Settings may have been changed by hand since the page was last seen.
    void showEvent(QShowEvent* event) override;

private:
    void showState();

    DesktopShortcutEntries& entries_;
    Preferences& preferences_;
    QLabel* status_;
    QWidget* error_;
    QPushButton* add_;
    QPushButton* remove_;
};
