#pragma once

#include "LibraryFilter.h"
#include "SortOrder.h"

#include "store/Capture.h"

#include <QMap>
#include <QSet>
#include <QStringList>

#include <optional>
#include <vector>

// Turns the loaded captures into what the board shows: the sidebar's
// filter, then the toolbar's search, then the chosen order. Pure and in
// memory; it runs on every change of any of its inputs.
namespace CaptureFilterEngine {

// `screenshotMatches` are captures the search also finds by words in their
// screenshots (the store's full-text index knows them).
std::vector<Capture> apply(const std::vector<Capture>& captures, const LibraryFilter& filter, const QString& search,
                           SortOrder sort, const QMap<QString, QStringList>& tagsByCapture,
                           const std::optional<QString>& currentUserID, const QSet<QString>& screenshotMatches = {});

// Whether one capture passes the filter stage alone.
bool matches(const Capture& capture, const LibraryFilter& filter, const QMap<QString, QStringList>& tagsByCapture,
             const std::optional<QString>& currentUserID);

// The sidebar's number beside a group: its loaded captures that are open or in progress.
QMap<QString, int> activeCountsByGroup(const std::vector<Capture>& captures);

} // namespace CaptureFilterEngine
