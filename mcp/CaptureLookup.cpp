#include "CaptureLookup.h"

#include "ToolError.h"

#include "common/CaptureLink.h"
#include "common/Identifiers.h"
#include "store/CaptureStore.h"

namespace CaptureLookup {

Capture find(CaptureStore& store, const QString& idOrPrefix) {
    const QString text = CaptureLink::captureID(idOrPrefix).value_or(idOrPrefix.trimmed());
    // Also keeps LIKE's "%" out of the prefix match.
    if (!Identifiers::isSafe(text))
        throw ToolError(QStringLiteral("\"%1\" is not a capture id.").arg(text));
    const std::optional<QString> id = store.quotedCaptureID(text);
    if (!id)
        throw ToolError(QStringLiteral("No capture matches \"%1\": it may have been deleted, or the text is "
                                       "shared by several ids. Use list_captures to find its full id.")
                            .arg(text));
    std::optional<Capture> capture = store.capture(*id);
    if (!capture)
        throw ToolError(QStringLiteral("Capture %1 was just deleted.").arg(*id));
    return *capture;
}

} // namespace CaptureLookup
