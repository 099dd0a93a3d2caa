#include "shortcuts/HotkeyRecorderView.h"

#include "keys/KeyCodeTable.h"
#include "keys/KeyboardLayout.h"
#include "ui/Labels.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString warningSign = QStringLiteral("\u26a0 ");

std::optional<ModifierSet> modifierOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
        return ModifierSet::shift();
    case Qt::Key_Control:
        return ModifierSet::control();
    case Qt::Key_Alt:
        return ModifierSet::option();
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return ModifierSet::command();
    default:
        return std::nullopt;
    }
}

// The portable code of the pressed key: from its scan code where the layout
// can read one (unshifted symbol first, so Alt+Shift+2 stays "2"), else from
// the keysym the platform reports.
std::optional<uint16_t> portableKeyCode(const QKeyEvent& event) {
    if (const KeyboardLayout* layout = KeyboardLayout::current())
        if (const std::optional<uint16_t> code = layout->keyCodeForScanCode(event.nativeScanCode()))
            return code;
    return KeyCodeTable::keyCode(event.nativeVirtualKey());
}

} // namespace

HotkeyRecorderView::HotkeyRecorderView(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), control_(new QPushButton(this)), hint_(Labels::secondary({}, this)),
      warning_(Labels::body({}, this)), conflictLabel_(Labels::body({}, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Labels::strong(title, this));
    if (!subtitle.isEmpty())
        layout->addWidget(new QLabel(subtitle, this));
    control_->setObjectName(QStringLiteral("recorderControl"));
    control_->setMinimumWidth(220);
    control_->installEventFilter(this);
    layout->addWidget(control_, 0, Qt::AlignLeft);
    hint_->setObjectName(QStringLiteral("recorderHint"));
    warning_->setObjectName(QStringLiteral("recorderWarning"));
    conflictLabel_->setObjectName(QStringLiteral("recorderConflict"));
    conflictLabel_->setText(warningSign + HotkeyRecorderModel::conflictText);
    layout->addWidget(hint_);
    layout->addWidget(warning_);
    layout->addWidget(conflictLabel_);

    connect(control_, &QPushButton::clicked, this, &HotkeyRecorderView::toggleRecording);
    connect(&model_, &HotkeyRecorderModel::changed, this, &HotkeyRecorderView::refresh);
    connect(&model_, &HotkeyRecorderModel::committed, this, [this](const HotkeyBinding& binding) {
        binding_ = binding;
        refresh();
        emit bindingCommitted(binding);
    });
    refresh();
}

void HotkeyRecorderView::setBinding(const HotkeyBinding& binding) {
    binding_ = binding;
    refresh();
}

void HotkeyRecorderView::setConflict(bool conflict) {
    conflict_ = conflict;
    refresh();
}

void HotkeyRecorderView::toggleRecording() {
    if (model_.isRecording()) {
        model_.cancel();
        return;
    }
    held_ = ModifierSet::fromQt(QGuiApplication::queryKeyboardModifiers());
    model_.start(held_);
    control_->setFocus(Qt::OtherFocusReason);
}

void HotkeyRecorderView::refresh() {
    control_->setText(model_.displayText(binding_));
    hint_->setText(model_.recordingHint(binding_));
    const std::optional<QString> warning = model_.activeWarning(binding_);
    warning_->setText(warning ? warningSign + *warning : QString());
    warning_->setVisible(warning.has_value());
    conflictLabel_->setVisible(conflict_ && !model_.isRecording());
    if (wasRecording_ != model_.isRecording()) {
        wasRecording_ = model_.isRecording();
        emit recordingChanged(wasRecording_);
    }
}

bool HotkeyRecorderView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != control_ || !model_.isRecording())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Tab, Ctrl+Q and the like are shortcuts to record, not to act on.
        event->accept();
        return true;
    case QEvent::KeyPress:
        keyPressed(static_cast<QKeyEvent*>(event));
        return true;
    case QEvent::KeyRelease:
        keyReleased(static_cast<QKeyEvent*>(event));
        return true;
    case QEvent::FocusOut:
        model_.cancel();
        return false;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void HotkeyRecorderView::keyPressed(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return;
    if (const std::optional<ModifierSet> modifier = modifierOf(event->key())) {
        held_ = held_ | *modifier;
        model_.handleFlagsChanged(held_);
        return;
    }
    if (const std::optional<uint16_t> code = portableKeyCode(*event))
        model_.handleKeyDown(*code, ModifierSet::fromQt(event->modifiers()));
}

void HotkeyRecorderView::keyReleased(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return;
    if (const std::optional<ModifierSet> modifier = modifierOf(event->key())) {
        held_ = held_ - *modifier;
        model_.handleFlagsChanged(held_);
    }
}

void HotkeyRecorderView::hideEvent(QHideEvent* event) {
    model_.cancel();
    QWidget::hideEvent(event);
}
