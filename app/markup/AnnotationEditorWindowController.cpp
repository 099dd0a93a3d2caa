#include "markup/AnnotationEditorWindowController.h"

#include "markup/AnnotationEditorModel.h"
#include "markup/AnnotationEditorView.h"
#include "markup/DiscardMarksPrompt.h"
#include "settings/Preferences.h"
#include "store/CaptureImage.h"
#include "store/ZorviPaths.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

#include <utility>

namespace {

const QSize defaultWindowSize(940, 700);
const QSize minimumWindowSize(640, 480);

// The top-level window: closing it by the title bar cancels, and its size is
// remembered for next time.
class EditorWindow : public QWidget {
public:
    EditorWindow(QSettings& settings, std::function<void()> onClose)
        : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                               Qt::WindowMaximizeButtonHint),
          settings_(settings), onClose_(std::move(onClose)) {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName("markupEditor");
        setWindowTitle(tr("Mark up screenshot"));
        setMinimumSize(minimumWindowSize);
        resize(settings_.value(AnnotationEditorWindowController::windowSizeKey, defaultWindowSize).toSize()
                   .expandedTo(minimumWindowSize));
    }

    // Asked before the title bar's close button discards anything.
    void setMayClose(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }

    // A save or cancel already answered the caller; closing must not answer again.
    void closeQuietly() {
        onClose_ = nullptr;
        close();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (onClose_ && mayClose_ && !mayClose_()) {
            event->ignore();
            return;
        }
        if (!isMaximized() && !isFullScreen())
            settings_.setValue(AnnotationEditorWindowController::windowSizeKey, size());
        if (auto onClose = std::exchange(onClose_, nullptr))
            onClose();
        QWidget::closeEvent(event);
    }

private:
    QSettings& settings_;
    std::function<void()> onClose_;
    std::function<bool()> mayClose_;
};

// Over the editor, which stays usable behind it once it is read.
void tellSaveFailed(QWidget* window, const QString& reason) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("AnnotationEditorWindowController", text);
    };
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Zorvi"), tr("The marks couldn't be saved"), QMessageBox::Ok,
                                window);
    box->setObjectName("markupSaveFailed");
    box->setInformativeText(
        tr("%1 Your marks are still in the editor: save again once that is put right.").arg(reason));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

AnnotationEditorWindowController::AnnotationEditorWindowController(QObject* parent)
    : AnnotationEditorWindowController(Preferences::shared().store(), parent) {}

AnnotationEditorWindowController::AnnotationEditorWindowController(QSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {}

AnnotationEditorWindowController::~AnnotationEditorWindowController() {
    dismiss();
}

void AnnotationEditorWindowController::present(const CaptureImage& image, SaveAttempt trySave) {
    cancelOpenEditor();
    const QString path = image.originalFile();
    QImage original;
    // A stored path that would leave the library is treated like a missing file.
    if (ZorviPaths::isSafeRelativePath(image.imagePath))
        original = QImageReader(path).read();
    if (original.isNull()) {
        QMessageBox alert(QMessageBox::Warning, tr("Zorvi"), tr("That screenshot is missing"), QMessageBox::Ok);
        alert.setObjectName("missingScreenshotAlert");
        alert.setInformativeText(tr("Zorvi couldn't find %1.").arg(path));
        alert.exec();
        return;
    }
    presentImage(original, image.annotation(), std::move(trySave));
}

void AnnotationEditorWindowController::presentImage(const QImage& original, const Annotation& initial,
                                                    SaveAttempt trySave, std::function<void()> onCancel) {
    cancelOpenEditor();
    auto* window = new EditorWindow(settings_, onCancel);
    auto* model = new AnnotationEditorModel(settings_, original, initial, window);
    const auto save = [window = QPointer<EditorWindow>(window), model, trySave] {
        // Stored before the window goes: marks that could not be stored stay
        // on screen, with the reason beside them.
        if (const std::optional<QString> failure = trySave(model->annotation())) {
            if (window)
                tellSaveFailed(window, *failure);
            return;
        }
        if (window && window->isVisible())
            window->closeQuietly();
    };
    const auto cancel = [window, onCancel] {
        window->closeQuietly();
        if (onCancel)
            onCancel();
    };
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new AnnotationEditorView(*model, save, cancel, window));
    window->setMayClose([window, model] { return !model->isModified() || confirmDiscardMarks(window); });
    window_ = window;

    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();
    window->raise();
    window->activateWindow();
}

void AnnotationEditorWindowController::cancelOpenEditor() {
    // Closed as if by its title bar: an editor opened from the note box hands
    // the box back instead of leaving its capture stranded.
    if (QWidget* window = window_.data()) {
        window_.clear();
        window->close();
    }
}

void AnnotationEditorWindowController::dismiss() {
    if (auto* window = static_cast<EditorWindow*>(window_.data())) {
        window_.clear();
        window->closeQuietly();
    }
}
