#include "platform/DesktopCommand.h"

#include "launcher/ProgramLayout.h"

#include <QCoreApplication>
#include <QFile>

namespace DesktopCommand {

QString program() {
    const QByteArray app = QFile::encodeName(QCoreApplication::applicationFilePath());
    return QFile::decodeName(QByteArray::fromStdString(ProgramLayout::commandFor(app.toStdString())));
}

} // namespace DesktopCommand
