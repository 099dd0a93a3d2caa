#include "LibraryFilter.h"

#include "TranslatedNames.h"

QString LibraryFilter::title() const {
    switch (kind) {
    case Kind::status: return translatedName(status);
    case Kind::group: return tr("Group");
    case Kind::tag: return "#" + value;
    case Kind::inbox: return tr("Inbox");
    case Kind::assignedToMe: return tr("Assigned to me");
    case Kind::mine: return tr("Mine");
    case Kind::everything: return tr("All Captures");
    }
    return {};
}

QString LibraryFilter::symbol() const {
    switch (kind) {
    case Kind::status:
        switch (status) {
        case CaptureStatus::open: return QStringLiteral("circle.dotted");
        case CaptureStatus::inProgress: return QStringLiteral("circle.lefthalf.filled");
        case CaptureStatus::resolved: return QStringLiteral("checkmark.circle.fill");
        case CaptureStatus::archived: return QStringLiteral("archivebox.fill");
        }
        break;
    case Kind::group: return QStringLiteral("folder");
    case Kind::tag: return QStringLiteral("number");
    case Kind::inbox: return QStringLiteral("tray.full");
    case Kind::assignedToMe: return QStringLiteral("person.crop.circle.badge.checkmark");
    case Kind::mine: return QStringLiteral("person");
    case Kind::everything: return QStringLiteral("square.grid.2x2");
    }
    return {};
}
