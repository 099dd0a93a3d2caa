#include "ShortIDBadge.h"

#include "AgentHandOff.h"
#include "ui/Theme.h"

#include <QFontDatabase>
#include <QPainter>

namespace {

constexpr int height = 18;
constexpr int sidePadding = 6;

QFont badgeFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(11);
    return f;
}

void paintBadge(QPainter* p, const QRect& r, const QString& shortID) {
    const Theme& theme = Theme::shared();
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(QPen(theme.color(Theme::Color::border), 1));
    p->setBrush(theme.color(Theme::Color::surfaceSunken));
    p->drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p->setFont(badgeFont());
    p->setPen(theme.color(Theme::Color::textSecondary));
    p->drawText(r, Qt::AlignCenter, shortID);
    p->restore();
}

} // namespace

namespace ShortIDBadge {

QSize size(const QString& shortID) {
    return {QFontMetrics(badgeFont()).horizontalAdvance(shortID) + 2 * sidePadding, height};
}

int paintAtRight(QPainter* p, const QRect& line, const QString& shortID) {
    const QSize s = size(shortID);
    paintBadge(p, QRect(QPoint(line.right() - s.width() + 1, line.center().y() - s.height() / 2 + 1), s), shortID);
    return s.width();
}

} // namespace ShortIDBadge

ShortIDBadgeWidget::ShortIDBadgeWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("shortID");
    setToolTip(tr("The capture's id: give it to your agent (Copy for Agent, %1)")
                   .arg(AgentHandOff::shortcut().toString(QKeySequence::NativeText)));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ShortIDBadgeWidget::setShortID(const QString& shortID) {
    shortID_ = shortID;
    setAccessibleName(shortID);
    updateGeometry();
    update();
}

QSize ShortIDBadgeWidget::sizeHint() const {
    return ShortIDBadge::size(shortID_);
}

void ShortIDBadgeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintBadge(&p, rect(), shortID_);
}
