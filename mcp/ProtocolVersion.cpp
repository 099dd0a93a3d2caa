#include "ProtocolVersion.h"

namespace ProtocolVersion {

QStringList supported() {
    // Nothing we send differs between these revisions in a way an older
    // client would trip over: tool titles and annotations are ignored by
    // clients that do not know them.
    return {latest, "2025-06-18", "2025-03-26", "2024-11-05"};
}

QString negotiate(const QString& requested) {
    return supported().contains(requested) ? requested : latest;
}

} // namespace ProtocolVersion
