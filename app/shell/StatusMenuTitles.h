#pragma once

#include <QString>

// The tray menu's live texts, from the two shortcuts' display strings, the
// number of open captures and the account's sync state.
namespace StatusMenuTitles {

QString captureRegion(const QString& regionShortcut);
QString captureFullScreen(const QString& fullScreenShortcut);
// A note-only issue is the region shortcut pressed twice.
QString newIssue(const QString& regionShortcut);
QString openDashboard(int openCount);
QString tooltip(int openCount);

// Signed out or expired: the sign-in item replaces the status line.
struct SyncLine {
    bool showsStatus = false;
    QString statusTitle;
    QString signInTitle;
};
enum class SyncState { signedOut, sessionExpired, signedIn };
SyncLine syncLine(SyncState state, const QString& statusLine);

} // namespace StatusMenuTitles
