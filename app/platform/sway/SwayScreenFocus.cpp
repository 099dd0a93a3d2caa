#include "platform/sway/SwayScreenFocus.h"

#include "platform/sway/SwayIpc.h"

#include <QJsonArray>
#include <QJsonObject>

std::optional<QString> SwayScreenFocus::focusedScreen() const {
    std::optional<QString> first;
    for (const QJsonValue value : SwayIpc::ask(SwayIpc::Request::getOutputs).array()) {
        const QJsonObject output = value.toObject();
        // A disabled output is listed too, but shows nothing to capture.
        if (!output.value(QLatin1String("active")).toBool())
            continue;
        const QString name = output.value(QLatin1String("name")).toString();
        if (output.value(QLatin1String("focused")).toBool())
            return name;
        if (!first)
            first = name;
    }
    return first;
}
