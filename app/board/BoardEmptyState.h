#pragma once

#include "LibraryFilter.h"

#include <QCoreApplication>
#include <QString>

// What the board says when nothing passes the filter and search.
struct BoardEmptyState {
    QString title;
    QString text;
    QString symbol;
    // Only the empty inbox teaches the capture shortcut.
    bool showsShortcutHint = false;

    static BoardEmptyState forFilter(const LibraryFilter& filter, const QString& search);

    // Last: the macro leaves what follows it private, which no data member may be.
    Q_DECLARE_TR_FUNCTIONS(BoardEmptyState)
};
