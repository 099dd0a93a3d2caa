#pragma once

#include "LibraryFilter.h"

#include <QString>

// What the board says when nothing passes the filter and search.
struct BoardEmptyState {
    QString title;
    QString text;
    QString symbol;
    // Only the empty inbox teaches the capture shortcut.
    bool showsShortcutHint = false;

    static BoardEmptyState forFilter(const LibraryFilter& filter, const QString& search);
};
