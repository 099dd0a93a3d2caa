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
    if (capture.appName) {
        QString app = *capture.appName;
        if (capture.appBundleID && !capture.appBundleID->isEmpty())
            app += " (" + *capture.appBundleID + ")";
        parts.append(app);
    }
    if (capture.windowTitle && !capture.windowTitle->isEmpty())
        parts.append("window “" + *capture.windowTitle + "”");
    if (capture.url && !capture.url->isEmpty())
        parts.append(*capture.url);
    if (capture.displayName && !capture.displayName->isEmpty()) {
        QString display = "display " + *capture.displayName;
        if (capture.displayScale > 0)
            display += QStringLiteral(" at %1x").arg(capture.displayScale);
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
