#pragma once

#include "keys/HotkeyBinding.h"
#include "shortcuts/HotkeyRecorderModel.h"

#include <QWidget>

class QKeyEvent;
class QLabel;
class QPushButton;

// The shortcut control: shows the bound shortcut; clicked, it records the
// next combination, double or triple press, or modifier tap typed into it.
class HotkeyRecorderView : public QWidget {
    Q_OBJECT
public:
    HotkeyRecorderView(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    HotkeyBinding binding() const { return binding_; }
    void setBinding(const HotkeyBinding& binding);
    // Set when another application owns the bound shortcut.
    void setConflict(bool conflict);
    bool isRecording() const { return model_.isRecording(); }
    HotkeyRecorderModel& model() { return model_; }

    // Starts recording, or cancels it when already recording (a click does this).
    void toggleRecording();

signals:
    void bindingCommitted(const HotkeyBinding& binding);
    void recordingChanged(bool recording);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    void keyPressed(QKeyEvent* event);
    void keyReleased(QKeyEvent* event);

    HotkeyRecorderModel model_;
    HotkeyBinding binding_;
    bool conflict_ = false;
    bool wasRecording_ = false;
    ModifierSet held_;
    QPushButton* control_;
    QLabel* hint_;
    QLabel* warning_;
    QLabel* conflictLabel_;
};
