#pragma once

#include "capture/PendingCapture.h"
#include "markup/Annotation.h"

#include <QImage>
#include <QObject>

#include <functional>
#include <optional>

// The markup editor opened on a screenshot of the open note box: marks that
// are kept get their marked copy and thumbnail written beside the original,
// as a filed screenshot's are.
class PendingMarkup : public QObject {
public:
    // Opens the editor on a screenshot not filed yet. trySave keeps the marks
    // or says why it could not; the editor stays open until it can.
    using Editor = std::function<void(const QImage& original, const Annotation& initial,
                                      std::function<std::optional<QString>(const Annotation&)> trySave,
                                      std::function<void()> onCancel)>;
    // The capture the note box is for; null once there is none.
    using Pending = std::function<PendingCapture*()>;

    void setEditor(Editor open, std::function<bool()> isOpen);
    bool isOpen() const { return isOpen_ && isOpen_(); }
    // Opens the editor on that screenshot; `back` runs once the editor has
    // gone, the marks kept or not. False, and nothing opened, without an
    // editor or such a screenshot.
    bool open(Pending pending, const QString& imageID, std::function<void()> back);

private:
    // The marks kept on that screenshot; why not, when they couldn't be.
    static std::optional<QString> keep(PendingCapture& pending, const QString& imageID, const Annotation& annotation);

    Editor editor_;
    std::function<bool()> isOpen_;
};
