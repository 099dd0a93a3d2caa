#include "CaptureThread.h"

#include "ActivityLine.h"
#include "ui/Labels.h"
#include "RelativeTime.h"
#include "ShownCapture.h"
#include "library/Library.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

} // namespace

CaptureThread::CaptureThread(Library& library, const ShownCapture& shown, QWidget* parent)
    : QWidget(parent), library_(library), shown_(shown) {
    commentsHeading_ = Labels::strong(tr("Comments"));
    comments_ = new QVBoxLayout;
    newComment_ = new QLineEdit;
    newComment_->setObjectName("newComment");
    newComment_->setPlaceholderText(tr("Add a comment…"));
    auto* post = new QPushButton(tr("Post"));
    post->setObjectName("postComment");
    connect(newComment_, &QLineEdit::returnPressed, this, &CaptureThread::postComment);
    connect(post, &QPushButton::clicked, this, &CaptureThread::postComment);
    auto* commentRow = new QHBoxLayout;
    commentRow->addWidget(newComment_, 1);
    commentRow->addWidget(post);
    history_ = new QVBoxLayout;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(commentsHeading_);
    // Above the comments, so it stays put however many there are.
    layout->addLayout(commentRow);
    layout->addLayout(comments_);
    layout->addWidget(Labels::strong(tr("History")));
    layout->addLayout(history_);
}

void CaptureThread::reset() { newComment_->clear(); }

void CaptureThread::postComment() {
    const QString body = newComment_->text().trimmed();
    if (body.isEmpty() || !shown_.id())
        return;
    if (library_.addComment(body, *shown_.id()))
        newComment_->clear();
}

void CaptureThread::refresh() {
    if (!shown_.id())
        return;
    refreshComments();
    refreshHistory();
}

void CaptureThread::refreshComments() {
    clear(comments_);
    std::vector<Comment> all;
    try {
        all = library_.store().comments(*shown_.id());
    } catch (const ZorviError&) {
    }
    commentsHeading_->setText(all.empty() ? tr("Comments") : tr("Comments (%1)").arg(all.size()));
    for (const Comment& comment : all) {
        QString who = comment.actorLabel.value_or(comment.author).toHtmlEscaped();
        if (comment.isConflict())
            who = tr("%1 — edited at the same time; kept here").arg(who);
        const QString mark = comment.isConflict() ? "⑂" : comment.isAgent ? "✨" : "●";
        auto* label = new QLabel(QString("%1 <b>%2</b> · %3<br>%4")
                                     .arg(mark, who, RelativeTime::string(comment.createdAt),
                                          comment.body.toHtmlEscaped().replace("\n", "<br>")));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        comments_->addWidget(label);
    }
}

void CaptureThread::refreshHistory() {
    clear(history_);
    std::vector<ActivityEvent> events;
    try {
        events = library_.store().activity(*shown_.id());
    } catch (const ZorviError&) {
    }
    const auto person = [this](const std::optional<QString>& id) { return library_.person(id); };
    for (const ActivityEvent& e : events) {
        auto* label = new QLabel(ActivityLine::text(e, person) + "  ·  " + RelativeTime::string(e.createdAt));
        label->setWordWrap(true);
        history_->addWidget(label);
    }
}
