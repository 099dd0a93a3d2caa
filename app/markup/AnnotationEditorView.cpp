#include "markup/AnnotationEditorView.h"

#include "markup/AnnotationCanvas.h"
#include "markup/AnnotationEditorModel.h"
#include "markup/AnnotationPalette.h"
#include "markup/DiscardMarksPrompt.h"
#include "markup/HexColor.h"
#include "export/SaveImageAs.h"
#include "ui/SymbolIcons.h"
#include "ui/Labels.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int swatchSize = 18;
constexpr double restingOpacity = 0.35;

// A round colour swatch; the chosen one wears a ring. Drawn at 1x and 2x so
// it stays crisp on scaled displays.
QIcon swatchIcon(const QColor& color) {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        for (const bool chosen : {false, true}) {
            QPixmap pixmap(QSize(swatchSize, swatchSize) * ratio);
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            const QRectF bounds(0, 0, swatchSize, swatchSize);
            painter.setPen(QPen(QColor(128, 128, 128, 160), 1));
            painter.setBrush(color);
            painter.drawEllipse(bounds.adjusted(chosen ? 4 : 2, chosen ? 4 : 2, chosen ? -4 : -2, chosen ? -4 : -2));
            if (chosen) {
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(QGuiApplication::palette().color(QPalette::Highlight), 2));
                painter.drawEllipse(bounds.adjusted(1, 1, -1, -1));
            }
            painter.end();
            // Resting swatches keep their colour; the 0.35 opacity alone dims them.
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
                icon.addPixmap(pixmap, mode, chosen ? QIcon::On : QIcon::Off);
        }
    }
    return icon;
}

QToolButton* toolButton(const QString& text, const QString& help, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(help);
    button->setAutoRaise(true);
    return button;
}

// An icon button; its text stays for screen readers and as the fallback.
QToolButton* symbolButton(const QString& symbol, const QString& text, const QString& help, QWidget* parent) {
    QToolButton* button = toolButton(text, help, parent);
    const QIcon icon = symbolIcon(symbol);
    if (!icon.isNull()) {
        button->setIcon(icon);
        button->setIconSize(QSize(18, 18));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAccessibleName(text);
    }
    return button;
}

QWidget* gap(QWidget* parent) {
    auto* space = new QWidget(parent);
    space->setFixedWidth(12);
    return space;
}

} // namespace

AnnotationEditorView::AnnotationEditorView(AnnotationEditorModel& model, std::function<void()> onSave,
                                           std::function<void()> onCancel, QWidget* parent)
    : QWidget(parent), model_(model), onSave_(std::move(onSave)), onCancel_(std::move(onCancel)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addWidget(makeToolbar());
    layout->addWidget(new AnnotationCanvas(model_, this), 1);
    layout->addWidget(makeFooter());

    const auto shortcut = [this](const QKeySequence& keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(QKeySequence(Qt::Key_Escape), [this] { requestCancel(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { onSave_(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { onSave_(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { model_.undo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { model_.redo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { model_.redo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { saveCopyAs(); });
    for (const ToolChoice& choice : toolChoices())
        shortcut(QKeySequence(choice.key), [this, choice] { choose(choice); });

    connect(&model_, &AnnotationEditorModel::shapesChanged, this, &AnnotationEditorView::syncWithModel);
    connect(&model_, &AnnotationEditorModel::styleChanged, this, &AnnotationEditorView::syncWithModel);
    connect(&model_, &AnnotationEditorModel::selectionChanged, this, &AnnotationEditorView::syncWithModel);
    syncWithModel();
}

QWidget* AnnotationEditorView::makeToolbar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    tools_ = new QButtonGroup(bar);
    const QList<ToolChoice>& choices = toolChoices();
    for (qsizetype index = 0; index < choices.size(); ++index) {
        const ToolChoice& choice = choices[index];
        const QString keys = QKeySequence(choice.key).toString(QKeySequence::NativeText);
        const QString help = tr("%1 (%2)").arg(choice.name, keys);
        QToolButton* button = symbolButton(choice.symbol, choice.name, help, bar);
        button->setObjectName("tool-" + choice.raw);
        button->setCheckable(true);
        tools_->addButton(button, int(index));
        row->addWidget(button);
    }
    connect(tools_, &QButtonGroup::idClicked, this, [this](int index) { choose(toolChoices().at(index)); });
    row->addWidget(gap(bar));

    // Colours rest while the blur tool is chosen; the widths then set its strength.
    style_ = new QWidget(bar);
    auto* styleRow = new QHBoxLayout(style_);
    styleRow->setContentsMargins(0, 0, 0, 0);
    styleRow->setSpacing(2);
    colors_ = new QButtonGroup(style_);
    const QList<QString>& colors = AnnotationPalette::colors();
    for (qsizetype index = 0; index < colors.size(); ++index) {
        QToolButton* button = toolButton(QString(), colors[index], style_);
        button->setObjectName("color-" + colors[index].mid(1));
        button->setIcon(swatchIcon(HexColor::parse(colors[index])));
        button->setIconSize(QSize(swatchSize, swatchSize));
        button->setCheckable(true);
        colors_->addButton(button, int(index));
        styleRow->addWidget(button);
    }
    connect(colors_, &QButtonGroup::idClicked, this,
            [this](int index) { model_.setColorHex(AnnotationPalette::colors().at(index)); });
    auto* resting = new QGraphicsOpacityEffect(style_);
    resting->setOpacity(restingOpacity);
    style_->setGraphicsEffect(resting);
    row->addWidget(style_);
    row->addWidget(gap(bar));

    widths_ = new QButtonGroup(bar);
    const QList<AnnotationPalette::Width>& widths = AnnotationPalette::widths();
    for (qsizetype index = 0; index < widths.size(); ++index) {
        const QString help = tr("Size %1: line width, text size, blur strength").arg(widths[index].label);
        QToolButton* button = toolButton(widths[index].label, help, bar);
        button->setObjectName("width-" + widths[index].label);
        button->setCheckable(true);
        widths_->addButton(button, int(index));
        row->addWidget(button);
    }
    connect(widths_, &QButtonGroup::idClicked, this, [this](int index) { model_.setWidthIndex(index); });

    row->addStretch(1);
    undo_ = symbolButton("arrow.uturn.backward", tr("Undo"), tr("Undo (Ctrl+Z)"), bar);
    redo_ = symbolButton("arrow.uturn.forward", tr("Redo"), tr("Redo (Ctrl+Shift+Z or Ctrl+Y)"), bar);
    clear_ = symbolButton("trash", tr("Clear"), tr("Clear all marks"), bar);
    undo_->setObjectName("undo");
    redo_->setObjectName("redo");
    clear_->setObjectName("clear");
    connect(undo_, &QAbstractButton::clicked, this, [this] { model_.undo(); });
    connect(redo_, &QAbstractButton::clicked, this, [this] { model_.redo(); });
    connect(clear_, &QAbstractButton::clicked, this, [this] { model_.clearAll(); });
    row->addWidget(undo_);
    row->addWidget(redo_);
    row->addWidget(clear_);
    return bar;
}

void AnnotationEditorView::choose(const ToolChoice& choice) {
    if (choice.mode == AnnotationEditorModel::Mode::draw)
        model_.setTool(choice.tool);
    else
        model_.setMode(choice.mode);
}

qsizetype AnnotationEditorView::currentChoice() const {
    const QList<ToolChoice>& choices = toolChoices();
    for (qsizetype index = 0; index < choices.size(); ++index) {
        const ToolChoice& choice = choices[index];
        if (choice.mode == model_.mode() &&
            (choice.mode != AnnotationEditorModel::Mode::draw || choice.tool == model_.tool()))
            return index;
    }
    return -1;
}

void AnnotationEditorView::saveCopyAs() {
    saveImageAs(this, model_.settings(), model_.markedCopy(),
                SaveAsName::Context{QDateTime::currentDateTime(), {}, {}});
}

bool AnnotationEditorView::requestCancel() {
    if (model_.isModified() && !confirmDiscardMarks(this))
        return false;
    onCancel_();
    return true;
}

QWidget* AnnotationEditorView::makeFooter() {
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    hint_ = Labels::secondary({}, footer);
    hint_->setObjectName("hint");
    row->addWidget(hint_, 1);

    auto* saveAs = new QPushButton(tr("Save As…"), footer);
    saveAs->setObjectName("saveAs");
    saveAs->setToolTip(tr("Save the marked copy to a file of your choice (Ctrl+Shift+S)"));
    connect(saveAs, &QPushButton::clicked, this, &AnnotationEditorView::saveCopyAs);
    row->addWidget(saveAs);
    auto* cancel = new QPushButton(tr("Cancel"), footer);
    cancel->setToolTip(tr("Esc"));
    auto* save = new QPushButton(tr("Save marks"), footer);
    save->setObjectName("save");
    save->setToolTip(tr("Ctrl+Enter"));
    save->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { requestCancel(); });
    connect(save, &QPushButton::clicked, this, [this] { onSave_(); });
    row->addWidget(cancel);
    row->addWidget(save);
    return footer;
}

void AnnotationEditorView::syncWithModel() {
    if (QAbstractButton* button = tools_->button(int(currentChoice())))
        button->setChecked(true);
    const qsizetype color = AnnotationPalette::colors().indexOf(model_.colorHex().toUpper());
    if (QAbstractButton* button = colors_->button(int(color)))
        button->setChecked(true);
    if (QAbstractButton* button = widths_->button(model_.widthIndex()))
        button->setChecked(true);
    else if (QAbstractButton* fallback = widths_->button(AnnotationPalette::defaultWidthIndex))
        fallback->setChecked(true);

    style_->setEnabled(model_.colorEnabled());
    style_->graphicsEffect()->setEnabled(!model_.colorEnabled());
    undo_->setEnabled(model_.canUndo());
    redo_->setEnabled(model_.canRedo());
    clear_->setEnabled(model_.canClear());
    hint_->setText(model_.hint());
}
