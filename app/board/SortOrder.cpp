#include "SortOrder.h"

#include <QCoreApplication>

QString rawValue(SortOrder order) {
    switch (order) {
    case SortOrder::newest: return QStringLiteral("newest");
    case SortOrder::oldest: return QStringLiteral("oldest");
    case SortOrder::priority: return QStringLiteral("priority");
    case SortOrder::app: return QStringLiteral("app");
    }
    return {};
}

std::optional<SortOrder> sortOrderFromRaw(const QString& raw) {
    for (SortOrder order : allSortOrders)
        if (rawValue(order) == raw)
            return order;
    return std::nullopt;
}

QString menuLabel(SortOrder order) {
    switch (order) {
    case SortOrder::newest: return QCoreApplication::translate("SortOrder", "Newest first");
    case SortOrder::oldest: return QCoreApplication::translate("SortOrder", "Oldest first");
    case SortOrder::priority: return QCoreApplication::translate("SortOrder", "Priority");
    case SortOrder::app: return QCoreApplication::translate("SortOrder", "App");
    }
    return {};
}

QString rawValue(LayoutMode mode) {
    return mode == LayoutMode::grid ? QStringLiteral("grid") : QStringLiteral("list");
}

std::optional<LayoutMode> layoutModeFromRaw(const QString& raw) {
    if (raw == u"grid")
        return LayoutMode::grid;
    if (raw == u"list")
        return LayoutMode::list;
    return std::nullopt;
}

QString symbol(LayoutMode mode) {
    return mode == LayoutMode::grid ? QStringLiteral("square.grid.2x2") : QStringLiteral("list.bullet");
}
