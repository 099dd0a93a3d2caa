#include "markup/DiscardMarksPrompt.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

bool confirmDiscardMarks(QWidget* parent) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("DiscardMarksPrompt", text); };
    QMessageBox prompt(QMessageBox::Question, tr("Discard your marks?"),
                       tr("The marks you made on this screenshot haven't been saved."), QMessageBox::NoButton,
                       parent);
    prompt.setObjectName("discardMarksPrompt");
    QPushButton* discard = prompt.addButton(tr("Discard marks"), QMessageBox::DestructiveRole);
    discard->setObjectName("discard");
    QPushButton* keep = prompt.addButton(tr("Keep editing"), QMessageBox::RejectRole);
    keep->setObjectName("keepEditing");
    prompt.setDefaultButton(keep);
    prompt.setEscapeButton(keep);
    prompt.exec();
    return prompt.clickedButton() == discard;
}
