#pragma once

#include "markup/Annotation.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

struct CaptureImage;
class QSettings;

// Owns the one markup editor window: opening another cancels and replaces it. The
// editor never writes to the library; the caller's onSave does.
class AnnotationEditorWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* windowSizeKey = "markup.windowSize";

    // Keeps the editor's choices and window size in the shared preferences.
    explicit AnnotationEditorWindowController(QObject* parent = nullptr);
    explicit AnnotationEditorWindowController(QSettings& settings, QObject* parent = nullptr);
    ~AnnotationEditorWindowController() override;

    // Stores the marks; says why in words when they could not be stored.
    using SaveAttempt = std::function<std::optional<QString>(const Annotation&)>;

    // A filed screenshot, starting from its stored marks. When its file is
    // gone an alert says so and no window opens. A save that fails keeps the
    // editor open with the marks and says why.
    void present(const CaptureImage& image, SaveAttempt trySave);
    // A screenshot not filed yet (the note box's), starting from `initial`.
    // Closing the window counts as cancelling. The window is still open
    // while trySave runs: a window it opens must wait for this one to go.
    void presentImage(const QImage& original, const Annotation& initial, SaveAttempt trySave,
                      std::function<void()> onCancel = {});
    void dismiss();

    // The open editor window, if any; a closed one is gone at once, even
    // before Qt deletes it.
    QWidget* window() const { return window_ && window_->isVisible() ? window_.data() : nullptr; }

private:
    void cancelOpenEditor();

    QSettings& settings_;
    QPointer<QWidget> window_;
};
