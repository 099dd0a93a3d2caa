#pragma once

#include "store/CaptureStore.h"

#include <QMap>
#include <QStringList>

#include <vector>

// One page of captures as the board draws them: the captures a query found,
// with the tags and comment counts of exactly those captures.
struct LibraryPage {
    std::vector<Capture> captures;
    QMap<QString, QStringList> tagsByCapture;
    QMap<QString, int> commentCounts;

    // Throws what the store throws; the caller decides the transaction.
    static LibraryPage read(CaptureStore& store, const CaptureQuery& query);
};
