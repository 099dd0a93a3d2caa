#include "ToolResult.h"

ToolResult ToolResult::text(const QString& text) {
    ToolResult result;
    result.addText(text);
    return result;
}

ToolResult ToolResult::error(const QString& message) {
    ToolResult result = text(message);
    result.isError_ = true;
    return result;
}

ToolResult& ToolResult::addText(const QString& text) {
    content_.append(QJsonObject{{"type", "text"}, {"text", text}});
    return *this;
}

ToolResult& ToolResult::addImage(const QByteArray& encoded, const QString& mimeType) {
    content_.append(QJsonObject{
        {"type", "image"}, {"data", QString::fromLatin1(encoded.toBase64())}, {"mimeType", mimeType}});
    return *this;
}

QJsonObject ToolResult::toJson() const {
    QJsonObject result{{"content", content_}};
    if (isError_)
        result.insert("isError", true);
    return result;
}
