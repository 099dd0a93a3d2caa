// Feeds arbitrary bytes to the decoding of zorvi-server's sync and reconcile
// bodies. A body is either refused as malformed (and nothing else escapes), or
// every change it yields names a known table, a safe id and only known,
// well-typed fields, within the per-request limits.

#include "common/Identifiers.h"
#include "changes/MalformedBody.h"
#include "changes/SyncRequest.h"
#include "changes/TableSchema.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "decoded body breaks its promise: %s\n", why);
    std::abort();
}

void check(const SyncRequest& r) {
    if (!Identifiers::isSafe(r.deviceId) || r.cursor < 0)
        fail("device id or cursor");
    if (r.changes.size() > std::size_t(SyncRequest::maxChanges) || r.fullGroups.size() > SyncRequest::maxFullGroups)
        fail("limits");
    for (const QString& g : r.fullGroups)
        if (!Identifiers::isSafe(g))
            fail("group id");
    for (const RowChange& c : r.changes) {
        // A change refused alone names its row and why.
        if (c.refusal) {
            if (!Identifiers::isSafe(c.id) || c.refusal->isEmpty())
                fail("a refused change names its row and the reason");
            continue;
        }
        const TableSchema::Table* table = TableSchema::table(c.table);
        if (!table || !Identifiers::isSafe(c.id) || c.baseVersion < 0)
            fail("table, id or base version");
        if (c.isDelete != c.patch.isEmpty())
            fail("a change is either a deletion or a non-empty patch");
        for (auto it = c.patch.begin(); it != c.patch.end(); ++it) {
            const TableSchema::Field* field = table->field(it.key());
            if (!field || TableSchema::typeError(*field, it.value()))
                fail("patch field");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        check(SyncRequest::decode(body));
    } catch (const MalformedBody& e) {
        if (e.message().isEmpty())
            fail("a refusal says why");
    }
    try {
        for (const QString& id : ReconcileRequest::decode(body).captureIds)
            if (!Identifiers::isSafe(id))
                fail("reconcile id");
    } catch (const MalformedBody&) {
    }
    return 0;
}
