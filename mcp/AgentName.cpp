#include "AgentName.h"

#include <QtGlobal>

namespace AgentName {

QString fromEnvironment() {
    // The label is shown on the board, so keep it to one short line.
    QString name = qEnvironmentVariable("ZORVI_AGENT").simplified().left(64);
    return name.isEmpty() ? QStringLiteral("agent") : name;
}

} // namespace AgentName
