#include "ListCapturesTool.h"

#include "CaptureText.h"
#include "GroupNames.h"
#include "InputSchema.h"
#include "ToolError.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

namespace {

constexpr int defaultLimit = 25;

// The status filter's words: the four statuses, plus "active" (open or in
// progress, the default) and "all".
std::optional<std::vector<CaptureStatus>> statusesFor(const QString& word) {
    if (word == u"all")
        return std::nullopt;
    if (word == u"active")
        return std::vector<CaptureStatus>(activeCaptureStatuses.begin(), activeCaptureStatuses.end());
    return std::vector<CaptureStatus>{captureStatusFromRaw(word).value_or(CaptureStatus::open)};
}

QString heading(const QString& statusWord, int offset, int shown) {
    const QString which = statusWord == u"active" ? QStringLiteral("Open and in-progress captures")
                          : statusWord == u"all"  ? QStringLiteral("Captures")
                                                  : displayName(*captureStatusFromRaw(statusWord)) + " captures";
    return QStringLiteral("%1 %2–%3, high priority first, newest first within a priority:")
        .arg(which)
        .arg(offset + 1)
        .arg(offset + shown);
}

} // namespace

ToolDefinition ListCapturesTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "list_captures",
        .title = "List captures",
        .description =
        "List the bug reports on the Zorvi board: each with its full id, status, priority, title (the note's "
        "first line), group, tags and where it was captured (app, window, page address). By default only open "
        "and in-progress captures are listed. Use get_capture to see a capture's screenshots and comments.",
        .inputSchema = object({
            {"status", oneOf("Which captures: \"active\" (open or in progress, the default), \"open\", "
                             "\"in_progress\", \"resolved\", \"archived\" or \"all\".",
                             {"active", "open", "in_progress", "resolved", "archived", "all"})},
            {"group", string("Only captures in the group of this name (case-insensitive).")},
            {"tag", string("Only captures carrying this tag (case-insensitive).")},
            {"search", string("Text to find in the note, app name, window title or page address (as typed, "
                               "\"%\" and \"_\" included), or words in the text recognised in the screenshots.")},
            {"priority", oneOf("Only captures of this priority.", {"low", "normal", "high"})},
            {"assignee", string("Only captures assigned to this user id, or \"me\" for the signed-in user.")},
            {"limit", integer("How many captures to return (default 25).", 1, 200)},
            {"offset", integer("How many captures to skip, for the next page.", 0, 1000000)},
        }),
        .readOnly = true,
    };
}

ToolResult ListCapturesTool::call(const ToolArguments& arguments) {
    CaptureStore& store = context_.store;
    const QString statusWord = arguments.text("status").value_or("active");

    CaptureQuery query;
    query.statuses = statusesFor(statusWord);
    query.groupName = arguments.text("group");
    query.tag = arguments.text("tag");
    query.search = arguments.text("search");
    if (auto priority = arguments.text("priority"))
        query.priority = capturePriorityFromRaw(*priority);
    if (auto assignee = arguments.text("assignee")) {
        if (*assignee == u"me") {
            query.assigneeID = store.currentUserID();
            if (!query.assigneeID)
                throw ToolError("Nobody is signed in on this computer, so \"me\" names no one.");
        } else if (Identifiers::isSafe(*assignee)) {
            query.assigneeID = *assignee;
        } else {
            throw ToolError(QStringLiteral("\"%1\" is not a user id.").arg(*assignee));
        }
    }
    const int limit = arguments.integer("limit").value_or(defaultLimit);
    query.offset = arguments.integer("offset").value_or(0);
    // One row more than asked tells whether another page follows.
    query.limit = limit + 1;
    query.newestFirst = true;

    std::vector<Capture> captures = store.captures(query);
    const bool more = int(captures.size()) > limit;
    if (more)
        captures.pop_back();
    if (captures.empty())
        return ToolResult::text(query.offset > 0 ? "No more captures match." : "No captures match.");

    GroupNames groups(store);
    QStringList lines{heading(statusWord, query.offset, int(captures.size())), QString()};
    for (const Capture& capture : captures)
        lines.append(CaptureText::summary(capture, groups.name(capture.groupID), store.tags(capture.id)));
    if (more)
        lines.append(QStringLiteral("\nMore captures match: call list_captures again with offset %1.")
                         .arg(query.offset + limit));
    return ToolResult::text(lines.join('\n'));
}
