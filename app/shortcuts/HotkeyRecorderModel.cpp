#include "shortcuts/HotkeyRecorderModel.h"

#include "shortcuts/TriggerTiming.h"

#include <algorithm>

namespace {
// Escape in the key-code table bindings are stored in (KeyCodeTable), not an X keycode.
constexpr uint16_t escapeKeyCode = 53;
}

const QString HotkeyRecorderModel::listeningText = QStringLiteral("Listening\u2026");
const QString HotkeyRecorderModel::idleHint =
    QStringLiteral("Press any key or combination, or tap a modifier \u00b7 Esc to cancel");
const QString HotkeyRecorderModel::noModifierProblem = QStringLiteral("Press a key, or tap a modifier.");
const QString HotkeyRecorderModel::severalModifiersProblem =
    QStringLiteral("A tap trigger uses one modifier on its own \u2014 hold nothing else.");
const QString HotkeyRecorderModel::conflictText =
    QStringLiteral("Another app already owns this shortcut \u2014 pick a different one.");

const QString HotkeyRecorderModel::takenText =
    QStringLiteral("Zorvi already uses this for \u201c%1\u201d \u2014 pick a different one.");

HotkeyRecorderModel::HotkeyRecorderModel(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

HotkeyRecorderModel::~HotkeyRecorderModel() = default;

void HotkeyRecorderModel::start(ModifierSet held) {
    if (isRecording_)
        return;
    isRecording_ = true;
    draft_.reset();
    problem_.reset();
    warning_.reset();
    lastCombo_.reset();
    comboTapCount_ = 0;
    taps_.reset();
    taps_.setHeld(held);
    emit changed();
}

void HotkeyRecorderModel::handleKeyDown(uint16_t keyCode, ModifierSet modifiers) {
    if (!isRecording_)
        return;
    if (keyCode == escapeKeyCode && modifiers.isEmpty()) {
        cancel();
        return;
    }
    taps_.reset();
    const double now = clock_.now();
    const Combo combo{keyCode, modifiers};
    // Quick repeats count up to a triple-press; more presses stay a triple.
    if (lastCombo_ == combo && now - lastComboAt_ <= TriggerTiming::sequenceWindow)
        comboTapCount_ = std::min(comboTapCount_ + 1, 3);
    else
        comboTapCount_ = 1;
    lastCombo_ = combo;
    lastComboAt_ = now;
    propose(HotkeyBinding{keyCode, modifiers, comboTapCount_});
}

void HotkeyRecorderModel::handleFlagsChanged(ModifierSet held) {
    if (!isRecording_)
        return;
    if (const auto tap = taps_.flagsChanged(held, clock_.now()))
        propose(HotkeyBinding{std::nullopt, tap->modifier, tap->count});
}

std::optional<QString> HotkeyRecorderModel::problemFor(const HotkeyBinding& binding) const {
    if (others_)
        if (const std::optional<QString> owner = others_(binding))
            return takenText.arg(*owner);
    if (binding.keyCode)
        return std::nullopt;
    if (binding.modifiers.isEmpty())
        return noModifierProblem;
    if (binding.modifiers.count() > 1)
        return severalModifiersProblem;
    return std::nullopt;
}

void HotkeyRecorderModel::propose(const HotkeyBinding& binding) {
    draft_ = binding;
    problem_ = problemFor(binding);
    warning_ = binding.warning();
    commitTask_ = clock_.start(TriggerTiming::recorderCommitDelay, false, [this] { commit(); });
    emit changed();
}

void HotkeyRecorderModel::commit() {
    if (!draft_)
        return;
    if (const std::optional<QString> problem = problemFor(*draft_)) {
        problem_ = problem;
        emit changed();
        return;
    }
    const HotkeyBinding binding = *draft_;
    stopMonitors();
    isRecording_ = false;
    draft_.reset();
    emit changed();
    emit committed(binding);
}

void HotkeyRecorderModel::cancel() {
    stopMonitors();
    isRecording_ = false;
    draft_.reset();
    problem_.reset();
    warning_.reset();
    emit changed();
}

void HotkeyRecorderModel::stopMonitors() {
    // The view's event routing follows isRecording(); what is left here is
    // the pending commit.
    commitTask_.reset();
}

QString HotkeyRecorderModel::displayText(const HotkeyBinding& bound) const {
    if (isRecording_)
        return draft_ ? draft_->displayString() : listeningText;
    return bound.displayString();
}

QString HotkeyRecorderModel::recordingHint(const HotkeyBinding& bound) const {
    if (problem_)
        return *problem_;
    if (draft_)
        return draft_->explanation();
    return isRecording_ ? idleHint : bound.explanation();
}

std::optional<QString> HotkeyRecorderModel::activeWarning(const HotkeyBinding& bound) const {
    if (!isRecording_)
        return bound.warning();
    if (draft_)
        if (auto warning = draft_->warning())
            return warning;
    return warning_;
}
