#include "CaptureCardDelegate.h"

#include "BoardPainting.h"
#include "CardText.h"
#include "CaptureListModel.h"
#include "TranslatedNames.h"
#include "library/Library.h"
#include "RelativeTime.h"
#include "ShortIDBadge.h"
#include "ui/Theme.h"
#include "ThumbnailLoader.h"

#include "store/ZorviPaths.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QToolTip>

using C = Theme::Color;

namespace {

constexpr int pad = 10;
constexpr int thumbHeight = 132;
constexpr int actionSize = 26;

QColor color(C c) {
    return Theme::shared().color(c);
}

QFont sized(QFont f, int px, bool bold = false) {
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

// The file a card shows: the thumbnail, else the original; none without a screenshot.
QString thumbnailFile(const Capture& c) {
    if (c.thumbPath && !c.thumbPath->isEmpty())
        return ZorviPaths::thumbFile(*c.thumbPath);
    return c.hasImage() ? ZorviPaths::imageFile(c.imagePath) : QString();
}

// The image scaled to cover `size`, cropped to the centre; cached per decoded image, size and
// scale. Not per path: a marked-up screenshot's thumbnail is rewritten under the same name, and
// only the decoded image (reloaded after the loader's eviction) tells the two apart.
QPixmap covering(const QImage& image, QSize size, qreal dpr) {
    const QString key =
        QString("board-thumb:%1@%2x%3x%4").arg(image.cacheKey()).arg(size.width()).arg(size.height()).arg(dpr);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    const QSize pixels = size * dpr;
    const QImage scaled = image.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    pixmap = QPixmap::fromImage(scaled.copy(
        QRect(QPoint((scaled.width() - pixels.width()) / 2, (scaled.height() - pixels.height()) / 2), pixels)));
    pixmap.setDevicePixelRatio(dpr);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace

CaptureCardDelegate::CaptureCardDelegate(Library& library, QObject* parent)
    : QStyledItemDelegate(parent), library_(library) {}

QSize CaptureCardDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    if (layout_ == LayoutMode::grid)
        return {cardWidth_, cardSize.height()};
    return {std::max(option.rect.width(), 400), rowHeight};
}

void CaptureCardDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* model = qobject_cast<const CaptureListModel*>(index.model());
    const Capture* c = model ? model->capture(index) : nullptr;
    if (!c)
        return;
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setFont(option.font);
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    if (layout_ == LayoutMode::grid)
        paintCard(p, option.rect.adjusted(6, 6, -6, -6), *c, selected, hovered);
    else
        paintRow(p, option.rect, *c, selected, hovered);
    if (hovered)
        paintActions(p, option.rect, *c);
    p->restore();
}

void CaptureCardDelegate::paintCard(QPainter* p, const QRect& r, const Capture& c, bool selected, bool) const {
    QPainterPath card;
    card.addRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    p->fillPath(card, color(C::surface));

    const QRect thumb(r.left(), r.top(), r.width(), thumbHeight);
    p->save();
    p->setClipPath(card);
    paintThumbnail(p, thumb, c);
    p->restore();
    paintBadges(p, thumb.topLeft() + QPoint(8, 8), c);
    if (const int images = library_.imageCounts().value(c.id); images > 1) {
        const QString text = QString::number(images);
        const QFont f = sized(p->font(), 11, true);
        const int w = QFontMetrics(f).horizontalAdvance(text) + 26;
        const QRect badge(thumb.right() - 8 - w, thumb.top() + 8, w, 20);
        p->setPen(Qt::NoPen);
        p->setBrush(QColor(0, 0, 0, 150));
        p->drawRoundedRect(badge, 10, 10);
        p->drawPixmap(badge.left() + 6, badge.top() + 4,
                      BoardPainting::symbol("square.on.square", Qt::white, 12, p->device()->devicePixelRatioF()));
        p->setFont(f);
        p->setPen(Qt::white);
        p->drawText(badge.adjusted(20, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }

    const QRect body = r.adjusted(pad, thumbHeight + 8, -pad, -pad);
    p->setFont(sized(p->font(), 13, true));
    p->setPen(color(C::textPrimary));
    const QFontMetrics fm(p->font());
    const QRect noteRect(body.left(), body.top(), body.width(), fm.lineSpacing() * 2);
    p->drawText(noteRect, Qt::AlignTop | Qt::AlignLeft,
                CardText::elidedLines(c.note.isEmpty() ? c.title() : c.note, p->font(), body.width(), 2));
    paintFacts(p, QRect(body.left(), noteRect.bottom() + 6, body.width(), 18), c);

    // Comments, agent and assignee on the right; tags take what is left on the left.
    const int y = body.bottom() - 20;
    int right = body.right();
    if (c.assigneeID) {
        right -= 20;
        BoardPainting::paintAvatar(p, QRect(right, y, 20, 20), library_.person(c.assigneeID));
        right -= 6;
    }
    const qreal dpr = p->device()->devicePixelRatioF();
    if (c.claimedBy) {
        right -= 16;
        p->drawPixmap(right, y + 2, BoardPainting::symbol("sparkles", color(C::agentTint), 16, dpr));
        right -= 6;
    }
    if (const int comments = library_.commentCount(c.id); comments > 0) {
        p->setFont(sized(p->font(), 12));
        const QString text = QString::number(comments);
        const int w = QFontMetrics(p->font()).horizontalAdvance(text);
        right -= w;
        p->setPen(color(C::textSecondary));
        p->drawText(QRect(right, y, w, 20), Qt::AlignVCenter, text);
        right -= 18;
        p->drawPixmap(right, y + 3, BoardPainting::symbol("bubble.left.fill", color(C::textTertiary), 14, dpr));
    }
    paintTags(p, {body.left(), y}, right - 8 - body.left(), library_.tags(c.id));

    p->setPen(QPen(selected ? color(C::accent) : color(C::border), selected ? 2 : 1));
    p->setBrush(Qt::NoBrush);
    p->drawPath(card);
}

void CaptureCardDelegate::paintRow(QPainter* p, const QRect& r, const Capture& c, bool selected, bool hovered) const {
    p->fillRect(r, selected ? color(C::accentSoft) : hovered ? color(C::surfaceSunken) : color(C::surface));
    p->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color(C::border));
    // The soft fill alone hardly shows on a light surface; the keyboard's row needs a mark.
    if (selected)
        p->fillRect(QRect(r.left(), r.top(), 3, r.height()), color(C::accent));
    const QRect thumb(r.left() + pad, r.top() + 8, 64, r.height() - 16);
    QPainterPath clip;
    clip.addRoundedRect(thumb, 6, 6);
    p->save();
    p->setClipPath(clip);
    paintThumbnail(p, thumb, c);
    p->restore();
    const int middle = r.top() + (r.height() - 20) / 2;
    paintBadges(p, {thumb.right() + 12, middle}, c);

    // Fixed columns, so the notes, tags and facts of all rows line up whatever their badges say.
    const QFont badgeFont = sized(p->font(), 11, true);
    const QFontMetrics badgeMetrics(badgeFont);
    int widestStatus = 0;
    for (CaptureStatus status : allCaptureStatuses)
        widestStatus = std::max(widestStatus, badgeMetrics.horizontalAdvance(translatedName(status)) + 30);
    const int widestPriority = std::max(badgeMetrics.horizontalAdvance(translatedName(CapturePriority::high)),
                                        badgeMetrics.horizontalAdvance(translatedName(CapturePriority::low))) +
                               28;
    const int x = thumb.right() + 12 + widestStatus + 4 + widestPriority + 10;
    const int factsWidth = std::min(320, r.width() / 3);
    const QRect facts(r.right() - pad - factsWidth, r.top(), factsWidth, r.height());
    const int tagsWidth = std::min(180, r.width() / 6);
    const int tagsLeft = facts.left() - 12 - tagsWidth;
    const QStringList tags = library_.tags(c.id);
    // A row without tags lets its note run on into their column.
    const int noteWidth = std::max(40, (tags.isEmpty() ? facts.left() - 12 : tagsLeft - 8) - x);
    p->setFont(sized(p->font(), 13, true));
    p->setPen(color(C::textPrimary));
    const QString firstLine = (c.note.isEmpty() ? c.title() : c.note).section(u'\n', 0, 0);
    p->drawText(QRect(x, r.top(), noteWidth, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                QFontMetrics(p->font()).elidedText(firstLine, Qt::ElideRight, noteWidth));
    paintTags(p, {tagsLeft, middle}, tagsWidth, tags);
    paintFacts(p, facts.adjusted(0, (r.height() - 18) / 2, 0, -(r.height() - 18) / 2), c);
}

int CaptureCardDelegate::paintTags(QPainter* p, QPoint at, int available, const QStringList& tags) const {
    const QFontMetrics metrics(sized(p->font(), 11));
    const auto chipWidth = [&](const QString& text) { return metrics.horizontalAdvance(text) + 16; };
    const CardText::TagFit fit = CardText::fitTags(tags, chipWidth, available, 2);
    int x = at.x();
    int right = x;
    for (int i = 0; i < fit.shown; ++i) {
        right = paintChip(p, {x, at.y()}, tags[i], color(C::textSecondary), color(C::surfaceSunken));
        x = right + 4;
    }
    if (fit.hidden > 0)
        right = paintChip(p, {x, at.y()}, CardText::moreTags(fit.hidden), color(C::textTertiary),
                          color(C::surfaceSunken));
    return right;
}

void CaptureCardDelegate::paintThumbnail(QPainter* p, const QRect& r, const Capture& c) const {
    p->fillRect(r, color(C::surfaceSunken));
    const qreal dpr = p->device()->devicePixelRatioF();
    const QString file = thumbnailFile(c);
    if (file.isEmpty() || ThumbnailLoader::shared().failed(file)) {
        const bool missing = !file.isEmpty();
        const int s = std::min(28, r.height() / 2);
        const QColor tint = color(C::textTertiary);
        const bool roomForText = r.height() >= 80;
        const int top = roomForText ? r.center().y() - s : r.center().y() - s / 2;
        p->drawPixmap(QRect(r.center().x() - s / 2, top, s, s),
                      BoardPainting::symbol(missing ? "photo.badge.exclamationmark" : "text.alignleft", tint, s, dpr));
        if (roomForText) {
            p->setFont(sized(p->font(), 12));
            p->setPen(tint);
            p->drawText(QRect(r.left(), top + s + 6, r.width(), 18), Qt::AlignCenter,
                        missing ? tr("Image missing") : tr("No screenshot"));
        }
        return;
    }
    if (const QImage* image = ThumbnailLoader::shared().image(file))
        p->drawPixmap(r.topLeft(), covering(*image, r.size(), dpr));
}

int CaptureCardDelegate::paintBadges(QPainter* p, QPoint at, const Capture& c) const {
    const Theme& theme = Theme::shared();
    const QColor tint = theme.statusColor(c.status);
    const qreal dpr = p->device()->devicePixelRatioF();
    const QFont f = sized(p->font(), 11, true);
    const QString status = translatedName(c.status);
    const int w = QFontMetrics(f).horizontalAdvance(status) + 30;
    QRect pill(at, QSize(w, 20));
    // An opaque backdrop with an edge, so a screenshot of the same colour under it can't swallow it;
    // the edge on whole pixels, where half a pixel either side would halve its contrast.
    const auto backdrop = [&](const QRect& badge) {
        p->setPen(QPen(color(C::borderStrong), 1));
        p->setBrush(color(C::surfaceRaised));
        p->drawRoundedRect(QRectF(badge).adjusted(0.5, 0.5, -0.5, -0.5), 9.5, 9.5);
    };
    backdrop(pill);
    p->drawPixmap(pill.left() + 7, pill.top() + 4,
                  BoardPainting::symbol(BoardPainting::statusSymbol(c.status), tint, 12, dpr));
    p->setFont(f);
    p->setPen(tint);
    p->drawText(pill.adjusted(22, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, status);
    int right = pill.right();
    if (c.priority != CapturePriority::normal) {
        const bool high = c.priority == CapturePriority::high;
        const QColor ptint = color(high ? C::priorityHigh : C::priorityLow);
        const QString text = translatedName(c.priority);
        const int pw = QFontMetrics(f).horizontalAdvance(text) + 28;
        const QRect badge(right + 4, at.y(), pw, 20);
        backdrop(badge);
        p->drawPixmap(badge.left() + 6, badge.top() + 4,
                      BoardPainting::symbol(high ? "arrow.up" : "arrow.down", ptint, 12, dpr));
        p->setPen(ptint);
        p->drawText(badge.adjusted(20, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        right = badge.right();
    }
    return right;
}

int CaptureCardDelegate::paintChip(QPainter* p, QPoint at, const QString& text, const QColor& fg,
                                   const QColor& bg) const {
    const QFont f = sized(p->font(), 11);
    const int w = QFontMetrics(f).horizontalAdvance(text) + 16;
    const QRect chip(at, QSize(w, 20));
    p->setPen(Qt::NoPen);
    p->setBrush(bg);
    p->drawRoundedRect(chip, 10, 10);
    p->setFont(f);
    p->setPen(fg);
    p->drawText(chip, Qt::AlignCenter, text);
    return chip.right();
}

void CaptureCardDelegate::paintFacts(QPainter* p, QRect line, const Capture& c) const {
    line.setRight(line.right() - ShortIDBadge::paintAtRight(p, line, c.shortID()) - 6);
    const qreal dpr = p->device()->devicePixelRatioF();
    p->drawPixmap(line.left(), line.top() + 1, BoardPainting::appIcon(c.context.appBundleID, 16, dpr));
    p->setFont(sized(p->font(), 12));
    p->setPen(color(C::textSecondary));
    const QString text =
        c.context.appName.value_or(tr("Unknown")) + " · " + RelativeTime::string(c.createdAt);
    const QRect textRect = line.adjusted(22, 0, 0, 0);
    p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                QFontMetrics(p->font()).elidedText(text, Qt::ElideMiddle, textRect.width()));
}

std::vector<std::pair<CaptureCardDelegate::Action, QRect>> CaptureCardDelegate::actionRects(const QRect& item,
                                                                                            const Capture& c) const {
    std::vector<std::pair<Action, QRect>> rects;
    const QRect area = layout_ == LayoutMode::grid ? item.adjusted(6, 6, -6, -6) : item;
    const int top = layout_ == LayoutMode::grid ? area.top() + thumbHeight - actionSize - 8
                                                : area.top() + (area.height() - actionSize) / 2;
    int x = area.right() - pad - actionSize;
    // On a card the trash sits in the top corner, away from the middle of the
    // picture where a click opens the capture; deleting can be undone anyway.
    const int removeTop = layout_ == LayoutMode::grid ? area.top() + 8 : top;
    rects.emplace_back(Action::remove, QRect(x, removeTop, actionSize, actionSize));
    if (c.status != CaptureStatus::resolved)
        rects.emplace_back(Action::resolve, QRect(layout_ == LayoutMode::grid ? x : x - actionSize - 6, top,
                                                  actionSize, actionSize));
    return rects;
}

std::optional<QRect> CaptureCardDelegate::resolveButton(const QRect& item, const Capture& capture) const {
    for (const auto& [action, rect] : actionRects(item, capture))
        if (action == Action::resolve)
            return rect;
    return std::nullopt;
}

void CaptureCardDelegate::paintActions(QPainter* p, const QRect& item, const Capture& c) const {
    const qreal dpr = p->device()->devicePixelRatioF();
    for (const auto& [action, rect] : actionRects(item, c)) {
        p->setPen(QPen(color(C::border), 1));
        p->setBrush(color(C::surfaceRaised));
        p->drawEllipse(rect);
        const bool remove = action == Action::remove;
        const QColor tint = remove ? color(C::priorityHigh) : color(C::statusResolved);
        p->drawPixmap(rect.adjusted(6, 6, -6, -6),
                      BoardPainting::symbol(remove ? "trash" : "checkmark", tint, actionSize - 12, dpr));
    }
}

bool CaptureCardDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonPress)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* list = qobject_cast<const CaptureListModel*>(model);
    const Capture* c = list ? list->capture(index) : nullptr;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonPress)
        actionClicked_ = false;
    if (!c || mouse->button() != Qt::LeftButton)
        return false;
    for (const auto& [action, rect] : actionRects(option.rect, *c)) {
        if (!rect.contains(mouse->position().toPoint()))
            continue;
        // The press is swallowed too, so the click does not also open the capture.
        if (event->type() == QEvent::MouseButtonRelease) {
            actionClicked_ = true;
            const QString id = c->id;
            if (action == Action::remove)
                emit deleteClicked(id);
            else
                emit resolveClicked(id);
        }
        return true;
    }
    return false;
}

bool CaptureCardDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) {
    const auto* list = qobject_cast<const CaptureListModel*>(index.model());
    if (const Capture* c = list ? list->capture(index) : nullptr) {
        for (const auto& [action, rect] : actionRects(option.rect, *c))
            if (rect.contains(event->pos())) {
                QToolTip::showText(
                    event->globalPos(),
                    action == Action::remove ? tr("Delete") : tr("Mark resolved"), view);
                return true;
            }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
