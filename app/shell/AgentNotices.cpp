#include "AgentNotices.h"

#include "settings/Preferences.h"
#include "RefusedChangeNotices.h"

#include "account/Account.h"
#include "library/Library.h"
#include "platform/DesktopNotifier.h"

namespace {

QString titleFor(const CaptureStore::AgentAction& action) {
    if (action.kind == u"claimed")
        return AgentNotices::tr("%1 is working on your capture").arg(action.actor);
    if (action.kind == u"resolved")
        return AgentNotices::tr("%1 resolved your capture").arg(action.actor);
    return AgentNotices::tr("%1 commented on your capture").arg(action.actor);
}

QString bodyFor(const CaptureStore::AgentAction& action) {
    if (action.kind == u"commented")
        return action.captureTitle + "\n" + action.detail;
    return action.captureTitle;
}

} // namespace

AgentNotices::AgentNotices(Library& library, Account* account, Preferences& preferences, DesktopNotifier& notifier,
                           QObject* parent)
    : QObject(parent), library_(library), account_(account), preferences_(preferences), notifier_(notifier) {
    connect(&library_, &Library::changed, this, &AgentNotices::checkLibrary);
    connect(&notifier_, &DesktopNotifier::activated, this, [this](const QString& key) {
        if (key == QLatin1String(accountKey))
            emit accountRequested();
        else
            emit captureRequested(key);
    });
    if (account_) {
        lastStatus_ = account_->status().kind;
        connect(account_, &Account::changed, this, &AgentNotices::checkAccount);
        new RefusedChangeNotices(library_, *account_, preferences_, notifier_, accountKey, this);
    }
}

void AgentNotices::checkLibrary() {
    std::vector<CaptureStore::AgentAction> actions;
    try {
        actions = library_.store().agentActionsSince(since_);
    } catch (const ZorviError&) {
        return; // the board says what is wrong with the library
    }
    for (const CaptureStore::AgentAction& action : actions) {
        since_ = std::max(since_, action.at);
        if (preferences_.showDesktopNotices())
            notifier_.show(titleFor(action), bodyFor(action), action.captureID);
    }
}

void AgentNotices::checkAccount() {
    const SyncStatus::Kind now = account_->status().kind;
    if (std::exchange(lastStatus_, now) == now || now != SyncStatus::Kind::sessionExpired)
        return;
    if (preferences_.showDesktopNotices())
        notifier_.show(tr("Zorvi was signed out"),
                       tr("The workspace ended this computer's session. Sign in again to keep syncing."), accountKey);
}
