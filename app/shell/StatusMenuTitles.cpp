#include "StatusMenuTitles.h"

#include <QObject>

namespace StatusMenuTitles {

namespace {

// No keys where pressing them does nothing.
QString withKeys(const QString& title, const QString& keys) {
    return keys.isEmpty() ? title : title + "  " + keys;
}

} // namespace

QString captureRegion(const QString& r) { return withKeys(QObject::tr("Capture Region"), r); }

QString captureFullScreen(const QString& f) { return withKeys(QObject::tr("Capture Full Screen"), f); }

QString newIssue(const QString& r) {
    return withKeys(QObject::tr("New Issue Without Screenshot"), r.isEmpty() ? r : r + " " + r);
}

QString openDashboard(int n) {
    const QString title = QObject::tr("Open Dashboard");
    return n > 0 ? title + "  (" + QString::number(n) + ")" : title;
}

QString tooltip(int n) {
    if (n <= 0)
        return QObject::tr("Zorvi — nothing open");
    return QObject::tr("Zorvi — ") + QString::number(n) + QObject::tr(" open capture") + (n == 1 ? "" : "s");
}

SyncLine syncLine(SyncState state, const QString& statusLine) {
    switch (state) {
    case SyncState::signedOut:
        return {false, {}, QObject::tr("Sign in to sync…")};
    case SyncState::sessionExpired:
        return {false, {}, QObject::tr("Sign in again to sync…")};
    case SyncState::signedIn:
        break;
    }
    return {true, statusLine, {}};
}

} // namespace StatusMenuTitles
