#include "RefusedChangeNotices.h"

#include "settings/Preferences.h"

#include "account/Account.h"
#include "account/RefusalReason.h"
#include "library/Library.h"
#include "platform/DesktopNotifier.h"

RefusedChangeNotices::RefusedChangeNotices(Library& library, Account& account, Preferences& preferences,
                                           DesktopNotifier& notifier, QString accountKey, QObject* parent)
    : QObject(parent), library_(library), preferences_(preferences), notifier_(notifier),
      accountKey_(std::move(accountKey)) {
    burstTimer_.setSingleShot(true);
    burstTimer_.setInterval(burstMs);
    connect(&burstTimer_, &QTimer::timeout, this, &RefusedChangeNotices::tell);
    connect(&account, &Account::changeRefused, this, &RefusedChangeNotices::collect);
}

void RefusedChangeNotices::collect(const QString& table, const QString& id, const QString& reason,
                                   bool staysLocal) {
    // The same refusal again (the row sent once more and refused alike) tells nothing new.
    const QString key = table + u'\n' + id + u'\n' + reason;
    if (told_.contains(key) || !preferences_.showDesktopNotices())
        return;
    told_.insert(key);
    // Described now, while what it names is surely in the library.
    burst_.push_back(describe(table, id, reason, staysLocal));
    burstTimer_.start();
}

RefusedChangeNotices::Notice RefusedChangeNotices::describe(const QString& table, const QString& id,
                                                            const QString& reason, bool staysLocal) const {
    Notice notice{tr("A change was not synced"), {}, accountKey_};
    QString subject;
    std::optional<QString> captureID;
    try {
        captureID = library_.store().captureOfRow(table, id);
        if (table == u"groups")
            if (const std::optional<CaptureGroup> group = library_.store().group(id))
                subject = group->name;
    } catch (const ZorviError&) {
        // Told without its name: the refusal matters more than the lookup.
    }
    if (captureID)
        if (const std::optional<Capture> capture = library_.capture(*captureID)) {
            subject = capture->title();
            notice.key = capture->id;
        }
    if (table == u"captures")
        notice.title = tr("A capture was not synced");
    else if (table == u"capture_images")
        notice.title = tr("A screenshot was not synced");
    else if (table == u"comments")
        notice.title = tr("A comment was not synced");
    else if (table == u"groups")
        notice.title = tr("A group was not synced");
    QStringList sentences{RefusalReason::inWords(reason)};
    if (staysLocal)
        sentences << tr("It stays on this computer only.");
    notice.body = subject.isEmpty() ? sentences.join(u' ')
                                    : tr("“%1”: %2").arg(subject, sentences.join(u' '));
    return notice;
}

void RefusedChangeNotices::tell() {
    const std::vector<Notice> burst = std::exchange(burst_, {});
    if (burst.empty() || !preferences_.showDesktopNotices())
        return;
    if (burst.size() <= size_t(separateNotices)) {
        for (const Notice& notice : burst)
            notifier_.show(notice.title, notice.body, notice.key);
        return;
    }
    const int others = int(burst.size()) - 1;
    notifier_.show(tr("%n changes were not synced", nullptr, int(burst.size())),
                   burst.front().body + u'\n' + tr("And %n more; the account's sync log lists them.", nullptr, others),
                   burst.front().key);
}
