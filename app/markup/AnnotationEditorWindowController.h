#pragma once

#include "markup/Annotation.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

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

    // A filed screenshot, starting from its stored marks. When its file is
    // gone an alert says so and no window opens.
    void present(const CaptureImage& image, std::function<void(Annotation)> onSave);
    // A screenshot not filed yet (the note box's), starting from `initial`.
    // Closing the window counts as cancelling.
    void presentImage(const QImage& original, const Annotation& initial, std::function<void(Annotation)> onSave,
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
