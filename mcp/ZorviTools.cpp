#include "ZorviTools.h"

#include "ToolRegistry.h"
#include "tools/CaptureStatsTool.h"
#include "tools/ClaimCaptureTool.h"
#include "tools/CommentOnCaptureTool.h"
#include "tools/GetCaptureTool.h"
#include "tools/ListCapturesTool.h"
#include "tools/ListGroupsTool.h"
#include "tools/ListPeopleTool.h"
#include "tools/ReopenCaptureTool.h"
#include "tools/ResolveCaptureTool.h"
#include "tools/UpdateCaptureTool.h"

void registerZorviTools(ToolRegistry& registry, const ToolContext& context) {
    registry.add(std::make_unique<ListCapturesTool>(context));
    registry.add(std::make_unique<GetCaptureTool>(context));
    registry.add(std::make_unique<ClaimCaptureTool>(context));
    registry.add(std::make_unique<CommentOnCaptureTool>(context));
    registry.add(std::make_unique<ResolveCaptureTool>(context));
    registry.add(std::make_unique<ReopenCaptureTool>(context));
    registry.add(std::make_unique<UpdateCaptureTool>(context));
    registry.add(std::make_unique<ListGroupsTool>(context));
    registry.add(std::make_unique<ListPeopleTool>(context));
    registry.add(std::make_unique<CaptureStatsTool>(context));
}
