#include "board/LibrarySnapshot.h"

LibrarySnapshot LibrarySnapshot::read(CaptureStore& store) {
    return store.transaction([&] {
        LibrarySnapshot s;
        CaptureQuery everything;
        everything.limit = captureLimit;
        everything.offset = 0;
        s.captures = store.captures(everything);
        s.groups = store.groups();
        s.counts = store.countsByStatus();
        s.active = store.activeCounts();
        // Counts and tags are read for the loaded captures only, one statement each.
        QStringList ids;
        ids.reserve(qsizetype(s.captures.size()));
        for (const Capture& capture : s.captures)
            ids << capture.id;
        s.commentCounts = store.commentCounts(ids);
        s.imageCounts = store.imageCounts();
        s.allTags = store.allTags();
        s.people = store.assignableCandidates();
        s.workspaces = store.workspaces();
        try {
            s.currentUserID = store.currentUserID();
        } catch (const ZorviError&) {
            s.currentUserID.reset();
        }
        s.tagsByCapture = store.tags(ids);
        s.stamp = store.changeStamp();
        return s;
    });
}
