#include "platform/kwin/KWinScreenFocus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

std::optional<QString> KWinScreenFocus::focusedScreen() const {
    // KWin answers from memory; past this it is stuck, and the caller falls
    // back to the pointer.
    constexpr int callTimeoutMs = 1000;
    const QDBusReply<QString> name = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/KWin"),
                                       QStringLiteral("org.kde.KWin"), QStringLiteral("activeOutputName")),
        QDBus::Block, callTimeoutMs);
    if (!name.isValid() || name.value().isEmpty())
        return std::nullopt;
    return name.value();
}
