#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>

#include <vector>

class Account;
class DesktopNotifier;
class Library;
class Preferences;

// A desktop notice for each change the workspace refused for good: which
// capture (or group) it was and why, in words. Each refusal is told once; a
// burst of them (a sync run that sent many rows) is told in one notice.
// Clicking opens the capture, through DesktopNotifier::activated.
class RefusedChangeNotices : public QObject {
    Q_OBJECT
public:
    // Refusals arriving within this long of the previous one are one burst.
    static constexpr int burstMs = 500;
    // A burst of more refusals than this is one notice.
    static constexpr int separateNotices = 3;

    // `accountKey` is the key of a notice that is about no capture.
    RefusedChangeNotices(Library& library, Account& account, Preferences& preferences, DesktopNotifier& notifier,
                         QString accountKey, QObject* parent = nullptr);

private:
    struct Notice {
        QString title;
        QString body;
        QString key;
    };
    void collect(const QString& table, const QString& id, const QString& reason, bool staysLocal);
    Notice describe(const QString& table, const QString& id, const QString& reason, bool staysLocal) const;
    void tell();

    Library& library_;
    Preferences& preferences_;
    DesktopNotifier& notifier_;
    const QString accountKey_;
    std::vector<Notice> burst_;
    QTimer burstTimer_;
    QSet<QString> told_;
};
