#include "markup/AnnotationEditorWindowController.h"

#include "markup/AnnotationEditorModel.h"
#include "markup/AnnotationEditorView.h"
#include "markup/DiscardMarksPrompt.h"
#include "shell/Preferences.h"
#include "store/CaptureImage.h"
#include "store/ZorviPaths.h"

#include <QCloseEvent>
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

} // namespace

AnnotationEditorWindowController::AnnotationEditorWindowController(QObject* parent)
    : AnnotationEditorWindowController(Preferences::shared().store(), parent) {}

AnnotationEditorWindowController::AnnotationEditorWindowController(QSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {}

AnnotationEditorWindowController::~AnnotationEditorWindowController() {
    dismiss();
}

void AnnotationEditorWindowController::present(const CaptureImage& image, std::function<void(Annotation)> onSave) {
    cancelOpenEditor();
    const QString path = image.originalURL();
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
    presentImage(original, image.annotation(), std::move(onSave));
}

void AnnotationEditorWindowController::presentImage(const QImage& original, const Annotation& initial,
                                                    std::function<void(Annotation)> onSave,
                                                    std::function<void()> onCancel) {
    cancelOpenEditor();
    auto* window = new EditorWindow(settings_, onCancel);
    auto* model = new AnnotationEditorModel(settings_, original, initial, window);
    // Close first, then answer: the callback may open the editor again.
    const auto save = [window, model, onSave] {
        const Annotation annotation = model->annotation();
        window->closeQuietly();
        if (onSave)
            onSave(annotation);
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
