#pragma once

#include <QtGlobal>

class CaptureStore;
class SyncClient;

// Once a day, the library's synced captures are held up against the
// service's: what the service deleted (or the person may no longer read)
// goes, what it never had (a service restored from a backup) is pushed
// again, and a library that lacks captures pulls everything again.
class ReconcileCheck {
public:
    ReconcileCheck(CaptureStore& store, SyncClient& client) : store_(store), client_(client) {}

    static constexpr qint64 intervalSecs = 24 * 3600;
    // The most ids the service takes in one request.
    static constexpr qsizetype page = 20000;

    // True when the check found work that another run must do at once.
    // Throws the client's SyncError and the store's DatabaseError.
    bool runIfDue();

private:
    CaptureStore& store_;
    SyncClient& client_;
};
