#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The content of a tools/call result: text and image blocks in order.
class ToolResult {
public:
    static ToolResult text(const QString& text);
    static ToolResult error(const QString& message);

    ToolResult& addText(const QString& text);
    ToolResult& addImage(const QByteArray& encoded, const QString& mimeType);

    bool isError() const { return isError_; }
    const QJsonArray& content() const { return content_; }
    QJsonObject toJson() const;

private:
    QJsonArray content_;
    bool isError_ = false;
};
