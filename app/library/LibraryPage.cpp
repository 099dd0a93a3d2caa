#include "LibraryPage.h"

LibraryPage LibraryPage::read(CaptureStore& store, const CaptureQuery& query) {
    LibraryPage page;
    page.captures = store.captures(query);
    // Counts and tags are read for these captures only, one statement each.
    QStringList ids;
    ids.reserve(qsizetype(page.captures.size()));
    for (const Capture& capture : page.captures)
        ids << capture.id;
    page.commentCounts = store.commentCounts(ids);
    page.tagsByCapture = store.tags(ids);
    return page;
}
