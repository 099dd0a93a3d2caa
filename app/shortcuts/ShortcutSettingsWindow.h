#pragma once

#include <QWidget>

class GlobalShortcuts;
class HotkeyRecorderView;
class Preferences;
class QLabel;

// A small window with the two shortcut recorders and what the session allows,
// until the settings window hosts the recorders itself.
class ShortcutSettingsWindow : public QWidget {
    Q_OBJECT
public:
    ShortcutSettingsWindow(GlobalShortcuts& shortcuts, Preferences& preferences, QWidget* parent = nullptr);

    HotkeyRecorderView& regionRecorder() { return *region_; }
    HotkeyRecorderView& fullScreenRecorder() { return *fullScreen_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showState();

    GlobalShortcuts& shortcuts_;
    Preferences& preferences_;
    HotkeyRecorderView* region_;
    HotkeyRecorderView* fullScreen_;
    QLabel* notice_;
};
