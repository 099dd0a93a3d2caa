#include "platform/ImageClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ImageClipboard {

void setPng(const QByteArray& png) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    clipboard->clear();
    clipboard->setMimeData(data);
}

} // namespace ImageClipboard
