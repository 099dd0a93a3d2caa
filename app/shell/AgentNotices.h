#pragma once

#include "sync/SyncStatus.h"

#include <QDateTime>
#include <QObject>

class Account;
class DesktopNotifier;
class Library;
class Preferences;

// Desktop notices for what happens without the person watching: an agent
// claimed, commented on or resolved a capture of theirs, the workspace
// signed this computer out or refused a change (RefusedChangeNotices).
// Clicking one opens what it is about. The preference turns them off; what
// happened meanwhile is not told later.
class AgentNotices : public QObject {
    Q_OBJECT
public:
    // The key of the notice about the account rather than a capture.
    static constexpr const char* accountKey = "account";

    AgentNotices(Library& library, Account* account, Preferences& preferences, DesktopNotifier& notifier,
                 QObject* parent = nullptr);

signals:
    void captureRequested(const QString& captureID);
    void accountRequested();

private:
    void checkLibrary();
    void checkAccount();

    Library& library_;
    Account* account_;
    Preferences& preferences_;
    DesktopNotifier& notifier_;
    // Only what happens after the app started is told.
    QDateTime since_ = QDateTime::currentDateTimeUtc();
    SyncStatus::Kind lastStatus_ = SyncStatus::Kind::idle;
};
