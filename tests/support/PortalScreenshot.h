#pragma once

#include <QImage>
#include <QObject>
#include <QVariantMap>

// What the screen shows now, from the desktop's real Screenshot portal
// (interactive=false), at the outputs' full pixel resolution. Null when the
// portal refuses or never answers.
QImage portalScreenshot();

// Waits for the one answer to a desktop portal request.
class PortalResponse : public QObject {
    Q_OBJECT
public:
    bool answered = false;
    uint response = 2;
    QVariantMap results;

public slots:
    void onResponse(uint code, const QVariantMap& values) {
        answered = true;
        response = code;
        results = values;
    }
};
