#include "AnnotationTool.h"

#include <array>

namespace AnnotationTools {

namespace {

struct ToolInfo {
    AnnotationTool tool;
    const char* raw;
    const char* display;
    const char* symbol;
};

constexpr std::array<ToolInfo, 8> table{{
    {AnnotationTool::pen, "pen", "Draw", "pencil.tip"},
    {AnnotationTool::arrow, "arrow", "Arrow", "arrow.up.right"},
    {AnnotationTool::rectangle, "rectangle", "Box", "rectangle"},
    {AnnotationTool::ellipse, "ellipse", "Circle", "circle"},
    {AnnotationTool::highlight, "highlight", "Highlight", "highlighter"},
    {AnnotationTool::blur, "blur", "Blur", "eye.slash"},
    {AnnotationTool::text, "text", "Text", "textformat"},
    {AnnotationTool::step, "step", "Step", "number.circle"},
}};

const ToolInfo& info(AnnotationTool tool) {
    return table[static_cast<size_t>(tool)];
}

} // namespace

const QList<AnnotationTool>& allCases() {
    static const QList<AnnotationTool> all = [] {
        QList<AnnotationTool> tools;
        for (const ToolInfo& entry : table)
            tools.append(entry.tool);
        return tools;
    }();
    return all;
}

QString rawValue(AnnotationTool tool) { return QString::fromLatin1(info(tool).raw); }

std::optional<AnnotationTool> fromRawValue(const QString& raw) {
    for (const ToolInfo& entry : table)
        if (raw == QLatin1String(entry.raw))
            return entry.tool;
    return std::nullopt;
}

QString displayName(AnnotationTool tool) { return QString::fromLatin1(info(tool).display); }

QString symbolName(AnnotationTool tool) { return QString::fromLatin1(info(tool).symbol); }

bool isDragShape(AnnotationTool tool) { return tool != AnnotationTool::pen && !isPlaced(tool); }

bool isPlaced(AnnotationTool tool) { return tool == AnnotationTool::text || tool == AnnotationTool::step; }

} // namespace AnnotationTools
