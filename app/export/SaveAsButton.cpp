#include "export/SaveAsButton.h"

#include "export/SaveImageAs.h"
#include "settings/Preferences.h"
#include "ui/SymbolIcons.h"
#include "store/CaptureImage.h"
#include "store/ZorviPaths.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

namespace {

QString tr(const char* text) { return QCoreApplication::translate("SaveAsButton", text); }

void saveFile(QWidget* parent, const std::optional<QString>& relativePath, const SaveAsName::Context& context) {
    QImage picture;
    if (relativePath && ZorviPaths::isSafeRelativePath(*relativePath))
        picture = QImageReader(ZorviPaths::imageFile(*relativePath)).read();
    if (picture.isNull()) {
        QMessageBox::warning(parent, tr("Zorvi"), tr("That screenshot is missing"));
        return;
    }
    saveImageAs(parent, Preferences::shared().store(), picture, context);
}

} // namespace

QToolButton* makeSaveAsButton(std::function<const CaptureImage*()> image,
                              std::function<SaveAsName::Context()> context, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName("saveAs");
    button->setText(tr("Save As…"));
    button->setIcon(symbolIcon("square.and.arrow.down"));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    QAction* original = menu->addAction(tr("Original…"));
    original->setObjectName("saveOriginalAs");
    QAction* marked = menu->addAction(tr("Marked Copy…"));
    marked->setObjectName("saveMarkedAs");
    QObject::connect(menu, &QMenu::aboutToShow, button, [image, marked] {
        const CaptureImage* shown = image();
        marked->setEnabled(shown && shown->annotatedPath.has_value());
    });
    QObject::connect(original, &QAction::triggered, button, [button, image, context] {
        if (const CaptureImage* shown = image())
            saveFile(button->window(), shown->imagePath, context());
    });
    QObject::connect(marked, &QAction::triggered, button, [button, image, context] {
        if (const CaptureImage* shown = image())
            saveFile(button->window(), shown->annotatedPath, context());
    });
    button->setMenu(menu);
    return button;
}
