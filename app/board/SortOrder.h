#pragma once

#include <QString>

#include <array>
#include <optional>

// How the board orders what it shows; the array is the sort menu's order.
enum class SortOrder { newest, oldest, priority, app };
inline constexpr std::array allSortOrders{SortOrder::newest, SortOrder::oldest, SortOrder::priority, SortOrder::app};

QString rawValue(SortOrder order);
std::optional<SortOrder> sortOrderFromRaw(const QString& raw);
QString menuLabel(SortOrder order);

// Cards in a grid, or one row per capture.
enum class LayoutMode { grid, list };

QString rawValue(LayoutMode mode);
std::optional<LayoutMode> layoutModeFromRaw(const QString& raw);
QString symbol(LayoutMode mode);
