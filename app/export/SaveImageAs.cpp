#include "export/SaveImageAs.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString tr(const char* text) { return QCoreApplication::translate("SaveImageAs", text); }

} // namespace

std::optional<QString> saveImageAs(QWidget* parent, QSettings& settings, const QImage& image,
                                   const SaveAsName::Context& context) {
    const QString png = tr("PNG image (*.png)");
    const QString jpeg = tr("JPEG image (*.jpg *.jpeg)");
    QString folder = settings.value(SaveAsName::folderKey).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString pattern = settings.value(SaveAsName::patternKey, SaveAsName::defaultPattern).toString();

    QFileDialog dialog(parent, tr("Save Screenshot As"), folder);
    dialog.setObjectName("saveAsDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({png, jpeg});
    dialog.setDefaultSuffix("png");
    dialog.selectFile(SaveAsName::fileName(pattern, context, "png"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, png](const QString& filter) {
        dialog.setDefaultSuffix(filter == png ? "png" : "jpg");
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool asJpeg = suffix == "jpg" || suffix == "jpeg";

    const std::optional<QByteArray> data =
        ImageWriter::encode(image, asJpeg ? ImageWriter::Type::jpeg : ImageWriter::Type::png, asJpeg ? 0.92 : 1.0);
    QString failure = data ? QString() : tr("The picture could not be encoded.");
    if (data) {
        try {
            ImageWriter::writeAtomically(path, *data);
        } catch (const CaptureError& error) {
            failure = error.description();
        }
    }
    if (!failure.isEmpty()) {
        QMessageBox alert(QMessageBox::Warning, tr("Couldn't save the screenshot"),
                          tr("Zorvi couldn't write %1.").arg(QDir::toNativeSeparators(path)), QMessageBox::Ok, parent);
        alert.setObjectName("saveAsFailedAlert");
        alert.setInformativeText(failure);
        alert.exec();
        return std::nullopt;
    }
    settings.setValue(SaveAsName::folderKey, QFileInfo(path).absolutePath());
    return path;
}
