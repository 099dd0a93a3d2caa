#include "CaptureFactsPane.h"

#include "ui/Labels.h"
#include "ElsewhereNotice.h"
#include "ScreenshotTextSection.h"
#include "ShownCapture.h"
#include "TagText.h"
#include "TranslatedNames.h"
#include "ui/NoteLengthWarning.h"
#include "library/Library.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <functional>

CaptureFactsPane::CaptureFactsPane(Library& library, const ShownCapture& shown, QWidget* parent)
    : QWidget(parent), library_(library), shown_(shown) {
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(noteSaveDelayMs);
    connect(&noteTimer_, &QTimer::timeout, this, &CaptureFactsPane::flushEdits);

    auto* workflow = new QFormLayout;
    buildWorkflow(workflow);
    provenance_ = new QLabel;
    provenance_->setWordWrap(true);
    buildEditedFields();
    contextHeading_ = Labels::strong(tr("Captured in"));
    context_ = new QFormLayout;
    screenshotText_ = new ScreenshotTextSection(library_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(workflow);
    layout->addWidget(provenance_);
    layout->addWidget(Labels::strong(tr("Note")));
    layout->addWidget(note_);
    layout->addWidget(new NoteLengthWarning(note_));
    layout->addWidget(noteElsewhere_);
    layout->addWidget(contextHeading_);
    layout->addLayout(context_);
    layout->addWidget(screenshotText_);
    layout->addWidget(Labels::strong(tr("Tags")));
    layout->addWidget(tags_);
    layout->addWidget(tagsElsewhere_);
}

void CaptureFactsPane::buildWorkflow(QFormLayout* form) {
    status_ = new QComboBox;
    status_->setObjectName("detailStatus");
    for (CaptureStatus s : allCaptureStatuses)
        status_->addItem(translatedName(s), rawValue(s));
    connect(status_, &QComboBox::activated, this, [this](int i) {
        if (shown_.id() && !updating_)
            library_.setStatus(*captureStatusFromRaw(status_->itemData(i).toString()), *shown_.id());
    });
    priority_ = new QComboBox;
    priority_->setObjectName("detailPriority");
    for (CapturePriority p : allCapturePriorities)
        priority_->addItem(translatedName(p), rawValue(p));
    connect(priority_, &QComboBox::activated, this, [this](int i) {
        if (const Capture* c = shown_.capture(); c && !updating_) {
            Capture changed = *c;
            changed.priority = *capturePriorityFromRaw(priority_->itemData(i).toString());
            library_.update(changed);
        }
    });
    group_ = new QComboBox;
    group_->setObjectName("detailGroup");
    connect(group_, &QComboBox::activated, this, [this](int i) {
        if (const Capture* c = shown_.capture(); c && !updating_) {
            Capture changed = *c;
            const QString id = group_->itemData(i).toString();
            changed.groupID = id.isEmpty() ? std::nullopt : std::optional(id);
            library_.update(changed);
        }
    });
    assignee_ = new QComboBox;
    assignee_->setObjectName("detailAssignee");
    connect(assignee_, &QComboBox::activated, this, [this](int i) {
        if (shown_.id() && !updating_) {
            const QString id = assignee_->itemData(i).toString();
            library_.assign(id.isEmpty() ? std::nullopt : std::optional(id), *shown_.id());
        }
    });
    form->addRow(tr("Status"), status_);
    form->addRow(tr("Priority"), priority_);
    form->addRow(tr("Group"), group_);
    form->addRow(tr("Assignee"), assignee_);
    assigneeHint_ = new QLabel(tr("Signed out, there's no one to assign to: people come with a team workspace. "
                                  "Sign in under Settings ▸ Account."));
    assigneeHint_->setObjectName("assigneeHint");
    assigneeHint_->setWordWrap(true);
    assigneeHint_->setForegroundRole(QPalette::PlaceholderText);
    form->addRow(QString(), assigneeHint_);
}

void CaptureFactsPane::buildEditedFields() {
    note_ = new QPlainTextEdit;
    note_->setObjectName("detailNote");
    note_->setPlaceholderText(tr("What's wrong here?"));
    note_->setMinimumHeight(90);
    // Its own height, not a share of the pane's spare room: that share shrinks
    // as comments and history grow, and everything under the note would move.
    note_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(note_, &QPlainTextEdit::textChanged, this, [this] {
        if (!updating_)
            noteTimer_.start();
    });
    noteElsewhere_ = new ElsewhereNotice(tr("The note"));
    connect(noteElsewhere_, &ElsewhereNotice::useTheirsRequested, this, [this] {
        if (const std::optional<QString> theirs = noteMerge_.theirs())
            note_->setPlainText(*theirs);
        noteMerge_.forgetTheirs();
    });
    connect(noteElsewhere_, &ElsewhereNotice::dismissed, this, [this] { noteMerge_.forgetTheirs(); });

    tags_ = new QLineEdit;
    tags_->setObjectName("detailTags");
    tags_->setPlaceholderText(tr("comma separated"));
    // Saved on Enter and on leaving the field; leaving the capture saves too.
    connect(tags_, &QLineEdit::editingFinished, this, &CaptureFactsPane::commitTags);
    tagsElsewhere_ = new ElsewhereNotice(tr("The tags"));
    connect(tagsElsewhere_, &ElsewhereNotice::useTheirsRequested, this, [this] {
        if (const std::optional<QString> theirs = tagsMerge_.theirs())
            tags_->setText(*theirs);
        tagsMerge_.forgetTheirs();
        commitTags();
    });
    connect(tagsElsewhere_, &ElsewhereNotice::dismissed, this, [this] { tagsMerge_.forgetTheirs(); });
}

void CaptureFactsPane::load() {
    updating_ = true;
    const Capture* c = shown_.capture();
    note_->setPlainText(c ? c->note : QString());
    tags_->setText(c ? TagText::format(library_.tags(c->id)) : QString());
    noteMerge_.reset(note_->toPlainText());
    tagsMerge_.reset(tags_->text());
    noteElsewhere_->hide();
    tagsElsewhere_->hide();
    updating_ = false;
}

void CaptureFactsPane::flushEdits() {
    noteTimer_.stop();
    commitTags();
    const Capture* c = shown_.capture();
    const QString text = note_->toPlainText();
    if (!c || text == c->note || !noteMerge_.isEdited(text))
        return;
    Capture changed = *c;
    changed.note = text;
    if (library_.update(changed))
        noteMerge_.saved(text);
}

void CaptureFactsPane::commitTags() {
    const QString text = tags_->text();
    if (!shown_.id() || !tagsMerge_.isEdited(text))
        return;
    if (library_.setTags(TagText::parse(text), *shown_.id()))
        tagsMerge_.saved(text);
}

void CaptureFactsPane::refresh() {
    const Capture* c = shown_.capture();
    if (!c)
        return;
    updating_ = true;
    screenshotText_->showCapture(c->id);
    refreshWorkflow(*c);
    refreshContext(*c);
    mergeOutsideEdits(*c);
    updating_ = false;
}

void CaptureFactsPane::mergeOutsideEdits(const Capture& c) {
    // What the person is typing is never overwritten; untouched fields follow the library.
    const auto merge = [](MergedField& merge, const QString& stored, const QString& text, ElsewhereNotice* notice,
                          const std::function<void()>& show) {
        switch (merge.storedChanged(stored, text)) {
        case MergedField::Outcome::unchanged:
            break;
        case MergedField::Outcome::refreshed:
            if (text != stored)
                show();
            break;
        case MergedField::Outcome::changedElsewhere:
            notice->showTheirs(stored);
            break;
        }
    };
    const QString storedNote = c.note;
    merge(noteMerge_, storedNote, note_->toPlainText(), noteElsewhere_, [&] {
        QTextCursor cursor = note_->textCursor();
        const int position = cursor.position();
        note_->setPlainText(storedNote);
        cursor.setPosition(std::min(position, int(storedNote.size())));
        note_->setTextCursor(cursor);
    });
    const QString storedTags = TagText::format(library_.tags(c.id));
    merge(tagsMerge_, storedTags, tags_->text(), tagsElsewhere_, [&] { tags_->setText(storedTags); });
}

void CaptureFactsPane::refreshWorkflow(const Capture& c) {
    status_->setCurrentIndex(status_->findData(rawValue(c.status)));
    priority_->setCurrentIndex(priority_->findData(rawValue(c.priority)));
    group_->clear();
    group_->addItem(tr("No group"), QString());
    for (const CaptureGroup& g : library_.groups())
        group_->addItem(g.name, g.id);
    group_->setCurrentIndex(std::max(0, group_->findData(c.groupID.value_or(QString()))));

    assignee_->clear();
    assignee_->addItem(tr("Unassigned"), QString());
    for (const Person& p : library_.people())
        assignee_->addItem(p.isBot() ? tr("%1 (bot)").arg(p.name) : p.name, p.id);
    // Someone no longer offered (a member who left) still shows as assigned.
    if (c.assigneeID && assignee_->findData(*c.assigneeID) < 0) {
        const std::optional<Person> gone = library_.person(c.assigneeID);
        assignee_->addItem(gone ? gone->name : *c.assigneeID, *c.assigneeID);
    }
    assignee_->setCurrentIndex(std::max(0, assignee_->findData(c.assigneeID.value_or(QString()))));
    assigneeHint_->setVisible(!library_.currentUserID() && library_.people().empty());

    QStringList lines;
    const std::optional<Person> author = library_.person(c.authorID);
    lines << (library_.isMine(c) ? tr("Filed by you")
              : author           ? tr("Filed by %1").arg(author->name)
              : c.authorID       ? tr("Filed by %1").arg(*c.authorID)
                                 : tr("Filed by someone"));
    if (c.claimedBy)
        lines << tr("✨ Claimed by %1").arg(*c.claimedBy);
    if (c.status == CaptureStatus::resolved && c.resolutionRef)
        lines << "✔ " + *c.resolutionRef;
    provenance_->setText(lines.join("\n"));
}

void CaptureFactsPane::refreshContext(const Capture& c) {
    contextHeading_->setText(c.hasImage() ? tr("Captured in") : tr("Filed from"));
    while (context_->rowCount() > 0)
        context_->removeRow(0);
    auto row = [&](const QString& label, const QString& value) {
        auto* field = new QLabel(value);
        field->setTextInteractionFlags(Qt::TextBrowserInteraction);
        field->setWordWrap(true);
        context_->addRow(label, field);
        return field;
    };
    row(tr("App"), c.context.appName.value_or(tr("Unknown")).toHtmlEscaped());
    if (c.context.windowTitle)
        row(tr("Window"), c.context.windowTitle->toHtmlEscaped());
    if (c.context.url) {
        QLabel* link =
            row(tr("URL"), QString("<a href=\"%1\">%2</a>").arg(c.context.url->toHtmlEscaped(), c.context.url->toHtmlEscaped()));
        link->setOpenExternalLinks(true);
    }
    if (c.context.displayName)
        row(tr("Display"), c.context.displayName->toHtmlEscaped());
    if (c.hasImage())
        row(tr("Size"), tr("%1 × %2 px").arg(c.imageWidth).arg(c.imageHeight));
    row(tr("Mode"), translatedName(c.captureMode));
}
