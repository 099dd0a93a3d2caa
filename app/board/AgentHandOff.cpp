#include "AgentHandOff.h"

#include "store/Capture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

namespace AgentHandOff {

QKeySequence shortcut() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
}

QString text(const Capture& capture) {
    // Meant for the agent, who reads English tool descriptions too; the
    // person's own note line goes in as written.
    return QStringLiteral("Zorvi capture %1: %2\n"
                          "Read it with Zorvi's MCP tools: get_capture with id \"%1\" shows its screenshots, "
                          "note and where it was captured.")
        .arg(capture.shortID(), capture.title());
}

void copy(const Capture& capture) {
    QGuiApplication::clipboard()->setText(text(capture));
}

} // namespace AgentHandOff
