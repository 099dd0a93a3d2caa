#include "AgentComment.h"

#include "ToolContext.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

namespace AgentComment {

void post(const ToolContext& context, const QString& captureID, const QString& body) {
    Comment comment;
    comment.id = Identifiers::make();
    comment.captureID = captureID;
    comment.author = context.agent;
    comment.isAgent = true;
    comment.body = body;
    comment.createdAt = QDateTime::currentDateTimeUtc();
    context.store.addComment(comment);
}

} // namespace AgentComment
