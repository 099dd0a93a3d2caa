#include "BoardPainting.h"

#include "LibraryFilter.h"
#include "ui/Theme.h"

#include "ui/SymbolIcons.h"
#include "store/Person.h"

#include <QHash>
#include <QIcon>
#include <QPainter>

namespace BoardPainting {

QPixmap symbol(const QString& name, const QColor& tint, int size, qreal dpr) {
    static QHash<QString, QPixmap> cache;
    const QString key = name + tint.name() + QString::number(size) + "@" + QString::number(dpr);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QIcon icon = symbolIcon(name, tint);
    if (icon.isNull())
        icon = QIcon::fromTheme(name);
    QPixmap pixmap = icon.pixmap(QSize(size, size), dpr);
    cache.insert(key, pixmap);
    return pixmap;
}

QPixmap appIcon(const std::optional<QString>& desktopID, int size, qreal dpr) {
    static QHash<QString, QPixmap> cache;
    const QString key = desktopID.value_or(QString()) + "@" + QString::number(size) + "@" + QString::number(dpr);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QPixmap pixmap;
    if (desktopID && !desktopID->isEmpty()) {
        QString name = *desktopID;
        name.remove(QStringLiteral(".desktop"));
        const QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull())
            pixmap = icon.pixmap(QSize(size, size), dpr);
    }
    if (pixmap.isNull())
        pixmap = symbol("macwindow", Theme::shared().color(Theme::Color::textSecondary), size, dpr);
    cache.insert(key, pixmap);
    return pixmap;
}

QString statusSymbol(CaptureStatus status) {
    return LibraryFilter::ofStatus(status).symbol();
}

void paintAvatar(QPainter* p, const QRect& r, const std::optional<Person>& person) {
    const Theme& theme = Theme::shared();
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(Qt::NoPen);
    p->setBrush(person && person->isBot() ? theme.color(Theme::Color::agentTint) : theme.color(Theme::Color::accent));
    p->drawEllipse(r);
    const qreal dpr = p->device()->devicePixelRatioF();
    if (!person || person->isBot()) {
        const int s = r.width() * 2 / 3;
        p->drawPixmap(QRect(r.center() - QPoint(s / 2, s / 2), QSize(s, s)),
                      symbol(person ? "sparkles" : "person", Qt::white, s, dpr));
    } else {
        QFont f = p->font();
        f.setPixelSize(std::max(8, r.height() * 2 / 5));
        f.setBold(true);
        p->setFont(f);
        p->setPen(Qt::white);
        p->drawText(r, Qt::AlignCenter, person->initials());
    }
    p->restore();
}

} // namespace BoardPainting
