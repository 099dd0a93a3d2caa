#pragma once

#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"

#include <QtGlobal>

class CaptureStore;
class SyncClient;

// Once a day, the library's synced captures are held up against the
// service's: what the service deleted (or the person may no longer read)
// goes, what it never had (a service restored from a backup) is pushed
// again, and a library that lacks captures pulls everything again.
class ReconcileCheck {
public:
    ReconcileCheck(CaptureStore& store, SyncClient& client) : store_(store), ledger_(store), remote_(store), client_(client) {}

    // Captures the service dropped or never got are found once a day: the check sends every synced id.
    static constexpr qint64 intervalSecs = 24 * 3600;
    // Ids per reconcile request: under 1 MB of ids, well inside the service's request limit.
    static constexpr qsizetype page = 20000;

    // True when the check found work that another run must do at once.
    // Throws the client's SyncError and the store's DatabaseError.
    bool runIfDue();

private:
    CaptureStore& store_;
    SyncLedger ledger_;
    RemoteApplier remote_;
    SyncClient& client_;
};
