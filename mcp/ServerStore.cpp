#include "ServerStore.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

namespace ServerStore {

std::unique_ptr<CaptureStore> open() {
    auto store = std::make_unique<CaptureStore>(ZorviPaths::databaseURL());
    // Listing open work reads thousands of rows scattered over the file;
    // SQLite's default 2 MB page cache sends most of them back to the disk
    // cache. Up to 64 MB here, allocated only as pages are read, makes repeat
    // calls between writes several times cheaper.
    store->db().executeRaw("PRAGMA cache_size = -65536;");
    return store;
}

} // namespace ServerStore
