#include "platform/sway/SwayActiveWindowSource.h"

#include "platform/sway/SwayIpc.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

std::optional<QString> textOf(const QJsonValue& value) {
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

std::optional<ActiveWindow> find(const QJsonObject& node, const std::optional<QString>& output) {
    const QString type = node.value(QLatin1String("type")).toString();
    const std::optional<QString> here = type == QLatin1String("output") ? textOf(node.value(QLatin1String("name")))
                                                                         : output;
    // A focused workspace (nothing open on it) is no window.
    if (node.value(QLatin1String("focused")).toBool() &&
        (type == QLatin1String("con") || type == QLatin1String("floating_con"))) {
        ActiveWindow window;
        window.title = textOf(node.value(QLatin1String("name")));
        const QJsonObject x11 = node.value(QLatin1String("window_properties")).toObject();
        window.className = textOf(node.value(QLatin1String("app_id")));
        if (!window.className)
            window.className = textOf(x11.value(QLatin1String("class")));
        window.instanceName = textOf(x11.value(QLatin1String("instance")));
        if (const QJsonValue pid = node.value(QLatin1String("pid")); pid.isDouble())
            window.pid = qint64(pid.toDouble());
        window.output = here;
        return window;
    }
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
            if (std::optional<ActiveWindow> found = find(child.toObject(), here))
                return found;
    return std::nullopt;
}

} // namespace

std::optional<ActiveWindow> SwayActiveWindowSource::activeWindow() const {
    return focusedIn(SwayIpc::ask(SwayIpc::Request::getTree).object());
}

std::optional<ActiveWindow> SwayActiveWindowSource::focusedIn(const QJsonObject& tree) {
    return find(tree, std::nullopt);
}
