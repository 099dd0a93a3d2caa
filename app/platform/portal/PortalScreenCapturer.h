#pragma once

#include "platform/ScreenCapturer.h"

#include <QObject>
#include <QVariantMap>

// Asks the desktop portal for a non-interactive screenshot of the whole
// desktop and cuts it into one frame per screen. The portal may show its own
// permission dialog; a refusal or cancel there is permissionDenied, while a
// failing portal is captureFailed.
class PortalScreenCapturer : public QObject, public ScreenCapturer {
    Q_OBJECT
public:
    explicit PortalScreenCapturer(QObject* parent = nullptr);
    ~PortalScreenCapturer() override;

    void grabScreens(Done done, Failed failed) override;

    // The portal's picture of the whole desktop as one frame per screen, the
    // scale being the picture's width over the desktop's logical width.
    static std::vector<ScreenFrame> framesFromDesktopImage(const QImage& desktop);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    void finish(const std::optional<CaptureError>& error, const QImage& image = {});
    void listen();
    void unsubscribe();

    QString requestPath_;
    Done done_;
    Failed failed_;
};
