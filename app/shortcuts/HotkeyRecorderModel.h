#pragma once

#include "platform/Clock.h"
#include "keys/HotkeyBinding.h"
#include "shortcuts/ModifierTapDetector.h"

#include <QObject>
#include <QString>

#include <functional>

#include <memory>
#include <optional>

// Records a shortcut from the user's own key presses and works out which kind
// was meant: a combination, the same combination pressed two or three times
// quickly, or one modifier tapped two or three times on its own. A proposal
// is committed TriggerTiming::recorderCommitDelay after the last input, so a
// further press or tap can still change it.
//
// The view routes its key events here while isRecording() is true: key
// presses to handleKeyDown(), modifier changes to handleFlagsChanged().
class HotkeyRecorderModel : public QObject {
    Q_OBJECT
public:
    static const QString listeningText;
    static const QString idleHint;
    static const QString noModifierProblem;
    static const QString severalModifiersProblem;
    static const QString conflictText;
    // Zorvi's other shortcut already uses the combination; %1 is that shortcut's name.
    static const QString takenText;
    // The name of another of Zorvi's shortcuts that a binding would collide with.
    using OtherShortcuts = std::function<std::optional<QString>(const HotkeyBinding&)>;

    explicit HotkeyRecorderModel(Clock& clock = Clock::system(), QObject* parent = nullptr);
    ~HotkeyRecorderModel() override;

    bool isRecording() const { return isRecording_; }
    const std::optional<HotkeyBinding>& draft() const { return draft_; }
    const std::optional<QString>& problem() const { return problem_; }
    const std::optional<QString>& warning() const { return warning_; }

    // `held` is the modifiers held when recording begins, so releasing them
    // is not mistaken for a tap.
    void start(ModifierSet held = {});
    // Asked before a proposal is accepted: one combination can't start two things.
    void setOtherShortcuts(OtherShortcuts others) { others_ = std::move(others); }
    void cancel();
    void commit();

    void handleKeyDown(uint16_t keyCode, ModifierSet modifiers);
    void handleFlagsChanged(ModifierSet held);

    // The texts of the control, given the binding it currently holds.
    QString displayText(const HotkeyBinding& bound) const;
    QString recordingHint(const HotkeyBinding& bound) const;
    std::optional<QString> activeWarning(const HotkeyBinding& bound) const;

signals:
    void changed();
    void committed(const HotkeyBinding& binding);

private:
    struct Combo {
        uint16_t keyCode;
        ModifierSet modifiers;
        bool operator==(const Combo&) const = default;
    };

    void propose(const HotkeyBinding& binding);
    std::optional<QString> problemFor(const HotkeyBinding& binding) const;
    void stopMonitors();

    Clock& clock_;
    OtherShortcuts others_;
    bool isRecording_ = false;
    std::optional<HotkeyBinding> draft_;
    std::optional<QString> problem_;
    std::optional<QString> warning_;
    std::unique_ptr<Clock::Timer> commitTask_;
    std::optional<Combo> lastCombo_;
    int comboTapCount_ = 0;
    double lastComboAt_ = 0;
    ModifierTapDetector taps_{ModifierTapDetector::Policy{false, 3}};
};
