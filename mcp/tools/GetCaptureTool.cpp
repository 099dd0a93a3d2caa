#include "GetCaptureTool.h"

#include "CaptureLookup.h"
#include "CaptureText.h"
#include "GroupNames.h"
#include "InputSchema.h"

#include "capture/AgentImage.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <algorithm>
#include <future>
#include <thread>

namespace {

struct Screenshot {
    QString line;
    std::optional<AgentImage::Encoded> image;
};

Screenshot prepare(const CaptureImage& image, int number) {
    QString line = QStringLiteral("%1. ").arg(number);
    if (image.imagePath.isEmpty()) {
        line += image.isAwaitingDownload() ? "not downloaded to this computer yet" : "file no longer kept";
        return {line, std::nullopt};
    }
    QString relative = image.annotatedPath.value_or(image.imagePath);
    std::optional<AgentImage::Encoded> encoded = AgentImage::load(relative);
    bool marked = image.annotatedPath.has_value();
    if (!encoded && marked) {
        // A marked copy still on its way from the workspace: the original
        // beats no picture at all.
        relative = image.imagePath;
        encoded = AgentImage::load(relative);
        marked = false;
    }
    line += ZorviPaths::imageFile(relative);
    if (!encoded)
        return {line + " (missing or unreadable)", std::nullopt};
    line += QStringLiteral(" (%1×%2").arg(encoded->original.width()).arg(encoded->original.height());
    if (marked)
        line += ", marked up";
    if (encoded->size != encoded->original)
        line += QStringLiteral("; sent scaled to %1×%2").arg(encoded->size.width()).arg(encoded->size.height());
    return {line + ')', std::move(encoded)};
}

// A screenshot without its agent-sized rendition yet (filed before there
// were any, or downloaded from the workspace) is decoded and scaled here, so
// the screenshots of one capture are prepared side by side, a few at a time
// to bound the memory their decoded pixels take.
std::vector<Screenshot> prepareAll(const std::vector<CaptureImage>& images) {
    const size_t batch = std::max(2u, std::thread::hardware_concurrency());
    std::vector<Screenshot> screenshots;
    for (size_t start = 0; start < images.size(); start += batch) {
        std::vector<std::future<Screenshot>> running;
        for (size_t i = start; i < std::min(images.size(), start + batch); ++i)
            running.push_back(std::async(std::launch::async, prepare, std::cref(images[i]), int(i) + 1));
        for (auto& screenshot : running)
            screenshots.push_back(screenshot.get());
    }
    return screenshots;
}

QString commentLine(const Comment& comment) {
    QString who = comment.isAgent ? comment.author + " (agent)" : comment.author;
    QString line = "- " + CaptureText::timestamp(comment.createdAt) + " · " + who + ": " + comment.body;
    if (comment.isConflict())
        line += " — edited at the same time; kept here";
    return line;
}

QString activityLine(const ActivityEvent& event) {
    QString line = "- " + CaptureText::timestamp(event.createdAt) + " · " + event.actor + " · " + event.kind;
    if (!event.detail.isEmpty())
        line += ": " + event.detail;
    return line;
}

} // namespace

ToolDefinition GetCaptureTool::definition() const {
    using namespace InputSchema;
    return {
        .name = "get_capture",
        .title = "Get capture",
        .description =
            "Show one capture in full: its note, status, where it was captured (app, window title, page "
            "address, display), tags, comments and history, plus each screenshot as an image (the marked-up "
            "copy when the person drew on it), scaled to at most 1568 pixels. The screenshots' file paths are "
            "listed too, and the text recognised in the screenshots comes as a text block of its own.",
        .inputSchema = object({{"id", nonEmptyString("The capture's id, a unique prefix or ending of it (such as the "
                                                     "8-character short id), or its zorvi://capture/ link.")}},
                              {"id"}),
        .readOnly = true,
    };
}

ToolResult GetCaptureTool::call(const ToolArguments& arguments) {
    CaptureStore& store = context_.store;
    const Capture capture = CaptureLookup::find(store, arguments.requiredText("id"));

    QStringList text{
        "Capture " + capture.id,
        "Title: " + capture.title(),
        "State: " + CaptureText::state(capture),
    };
    if (auto group = GroupNames(store).name(capture.groupID))
        text.append("Group: " + *group);
    if (const QStringList tags = store.tags(capture.id); !tags.isEmpty())
        text.append("Tags: " + tags.join(", "));
    text.append(QStringLiteral("Filed: %1 (%2)")
                    .arg(CaptureText::timestamp(capture.createdAt),
                         capture.hasImage() ? displayName(capture.captureMode) : "no screenshot"));
    if (const QString where = CaptureText::context(capture); !where.isEmpty())
        text.append("Captured in: " + where);
    if (capture.resolvedAt)
        text.append("Resolved: " + CaptureText::timestamp(*capture.resolvedAt));
    text.append({QString(), "Note:", capture.note.isEmpty() ? "(empty)" : capture.note});

    const std::vector<Screenshot> screenshots = prepareAll(store.images(capture.id));
    if (!screenshots.empty()) {
        text.append({QString(), QStringLiteral("Screenshots (%1), shown below in this order:").arg(screenshots.size())});
        for (const Screenshot& screenshot : screenshots)
            text.append(screenshot.line);
    }

    const std::vector<Comment> comments = store.comments(capture.id);
    text.append({QString(), QStringLiteral("Comments (%1):").arg(comments.size())});
    for (const Comment& comment : comments)
        text.append(commentLine(comment));

    text.append({QString(), "History:"});
    for (const ActivityEvent& event : store.activity(capture.id))
        text.append(activityLine(event));

    ToolResult result = ToolResult::text(text.join('\n'));
    // For clients that drop image blocks, and for searching: what the
    // screenshots say, marked as machine-read.
    if (const QStringList read = store.screenshotText(capture.id); !read.isEmpty())
        result.addText("Recognised text (OCR of the screenshots; may contain misread words):\n\n" +
                       read.join("\n\n---\n\n"));
    for (const Screenshot& screenshot : screenshots)
        if (screenshot.image)
            result.addImage(screenshot.image->bytes, screenshot.image->mimeType);
    return result;
}
