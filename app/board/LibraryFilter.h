#pragma once

#include "store/LibraryEnums.h"

#include <QCoreApplication>
#include <QString>

// What the sidebar has picked: one of the fixed views, a status, a group or a tag.
struct LibraryFilter {
    enum class Kind { status, group, tag, inbox, assignedToMe, mine, everything };

    Kind kind = Kind::inbox;
    CaptureStatus status = CaptureStatus::open; // only for Kind::status
    QString value;                              // the group id or the tag text

    static LibraryFilter ofStatus(CaptureStatus s) { return {Kind::status, s, {}}; }
    static LibraryFilter ofGroup(const QString& id) { return {Kind::group, CaptureStatus::open, id}; }
    static LibraryFilter ofTag(const QString& tag) { return {Kind::tag, CaptureStatus::open, tag}; }
    static LibraryFilter inbox() { return {Kind::inbox, CaptureStatus::open, {}}; }
    static LibraryFilter assignedToMe() { return {Kind::assignedToMe, CaptureStatus::open, {}}; }
    static LibraryFilter mine() { return {Kind::mine, CaptureStatus::open, {}}; }
    static LibraryFilter everything() { return {Kind::everything, CaptureStatus::open, {}}; }

    QString title() const;
    // A symbol name for symbolIcon().
    QString symbol() const;

    bool operator==(const LibraryFilter& o) const {
        return kind == o.kind && (kind != Kind::status || status == o.status) && value == o.value;
    }

    // Last: the macro leaves what follows it private, which no data member may be.
    Q_DECLARE_TR_FUNCTIONS(LibraryFilter)
};
