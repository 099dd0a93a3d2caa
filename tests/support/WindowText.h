#pragma once

#include "support/WaylandDesktop.h"

#include "ocr/TextRecognizer.h"

// The words a person reads in a window, as on the screen now (needs
// zorvi-core-ocr).
inline QString textOfWindow(const WaylandDesktop& desktop, const QString& title) {
    const std::optional<WaylandDesktop::Window> window = desktop.window(title);
    if (!window)
        return {};
    const QImage shown = desktop.screenshot().copy(window->rect);
    // Small interface text reads more reliably enlarged.
    TextRecognizer recognizer;
    return recognizer.recognise(shown.scaled(shown.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
