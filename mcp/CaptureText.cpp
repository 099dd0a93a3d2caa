#include "CaptureText.h"

namespace CaptureText {

QString timestamp(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

QString state(const Capture& capture) {
    QStringList parts{displayName(capture.status), displayName(capture.priority) + " priority"};
    if (capture.claimedBy && !capture.claimedBy->isEmpty())
        parts.append("claimed by " + *capture.claimedBy);
    if (capture.resolutionRef && !capture.resolutionRef->isEmpty())
        parts.append("fixed in " + *capture.resolutionRef);
    return parts.join(" · ");
}

QString context(const Capture& capture) {
    QStringList parts;
    if (capture.context.appName) {
        QString app = *capture.context.appName;
        if (capture.context.appBundleID && !capture.context.appBundleID->isEmpty())
            app += " (" + *capture.context.appBundleID + ")";
        parts.append(app);
    }
    if (capture.context.windowTitle && !capture.context.windowTitle->isEmpty())
        parts.append("window “" + *capture.context.windowTitle + "”");
    if (capture.context.url && !capture.context.url->isEmpty())
        parts.append(*capture.context.url);
    if (capture.context.displayName && !capture.context.displayName->isEmpty()) {
        QString display = "display " + *capture.context.displayName;
        if (capture.context.displayScale > 0)
            display += QStringLiteral(" at %1x").arg(capture.context.displayScale);
        parts.append(display);
    }
    return parts.join(" · ");
}

QString summary(const Capture& capture, const std::optional<QString>& groupName, const QStringList& tags) {
    QString text = QStringLiteral("- %1 · %2 · %3\n").arg(capture.id, state(capture), capture.title());
    QStringList details;
    if (groupName)
        details.append("group " + *groupName);
    if (!tags.isEmpty())
        details.append("tags " + tags.join(", "));
    const QString where = context(capture);
    if (!where.isEmpty())
        details.append(where);
    details.append(capture.hasImage() ? "filed " + timestamp(capture.createdAt)
                                      : "no screenshot, filed " + timestamp(capture.createdAt));
    text += "  " + details.join(" · ");
    return text;
}

} // namespace CaptureText
