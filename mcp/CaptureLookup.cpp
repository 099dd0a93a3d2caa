#include "CaptureLookup.h"

#include "ToolError.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

namespace CaptureLookup {

namespace {

// The board shows a capture's short id, the last 8 characters of its id, so
// that is what a person quotes to their agent.
std::optional<QString> uniqueBySuffix(CaptureStore& store, const QString& text) {
    if (text.size() < 4)
        return std::nullopt;
    return store.captureIDEndingWith(text);
}

} // namespace

Capture find(CaptureStore& store, const QString& idOrPrefix) {
    const QString text = idOrPrefix.trimmed();
    // Also keeps LIKE's "%" out of the prefix match.
    if (!Identifiers::isSafe(text))
        throw ToolError(QStringLiteral("\"%1\" is not a capture id.").arg(text));
    std::optional<QString> id = store.resolveCaptureID(text);
    if (!id)
        id = uniqueBySuffix(store, text);
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
