#include "LibrarySnapshot.h"

#include "LibraryPage.h"

LibrarySnapshot LibrarySnapshot::read(CaptureStore& store) {
    return store.transaction([&] {
        LibrarySnapshot s;
        CaptureQuery everything;
        everything.limit = captureLimit;
        everything.offset = 0;
        LibraryPage newest = LibraryPage::read(store, everything);
        s.captures = std::move(newest.captures);
        s.tagsByCapture = std::move(newest.tagsByCapture);
        s.commentCounts = std::move(newest.commentCounts);
        s.groups = store.groups();
        s.counts = store.countsByStatus();
        s.active = store.activeCounts();
        s.imageCounts = store.imageCounts();
        s.allTags = store.allTags();
        s.people = store.assignableCandidates();
        s.workspaces = store.workspaces();
        try {
            s.currentUserID = store.currentUserID();
        } catch (const ZorviError&) {
            s.currentUserID.reset();
        }
        s.stamp = store.changeStamp();
        return s;
    });
}
