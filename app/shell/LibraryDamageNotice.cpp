#include "shell/LibraryDamageNotice.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace LibraryDamageNotice {

QMessageBox* show(const LibraryHealth::Report& report) {
    auto* box = new QMessageBox(QMessageBox::Warning,
                                QCoreApplication::translate("LibraryDamageNotice", "Zorvi — library damaged"),
                                QCoreApplication::translate("LibraryDamageNotice", "Zorvi's library is damaged"),
                                QMessageBox::Ok);
    box->setObjectName(QStringLiteral("libraryDamagedNotice"));
    box->setInformativeText(report.advice());
    box->setDetailedText(report.problems.join(u'\n'));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

} // namespace LibraryDamageNotice
