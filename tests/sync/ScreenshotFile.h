#pragma once

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QFile>

// Adds a screenshot to a capture as the capture flow would: its file in the
// library's folder first, then the row.
inline CaptureImage addScreenshotFile(CaptureStore& store, const QString& captureID, const QByteArray& bytes) {
    CaptureImage image;
    image.id = Identifiers::make();
    image.captureID = captureID;
    image.createdAt = QDateTime::currentDateTimeUtc();
    image.imagePath = ZorviPaths::relativeImagePath(image.id, image.createdAt, "png");
    ZorviPaths::ensureParentDirectory(ZorviPaths::imageFile(image.imagePath));
    QFile f(ZorviPaths::imageFile(image.imagePath));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + f.fileName().toStdString());
    f.close();
    image.bytes = bytes.size();
    return store.addImage(image);
}
