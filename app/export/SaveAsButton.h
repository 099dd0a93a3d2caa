#pragma once

#include "export/SaveAsName.h"

#include <functional>

struct CaptureImage;
class QToolButton;
class QWidget;

// "Save As…" beside a shown screenshot: its menu saves the original or, when
// there are marks, the marked copy. The callbacks give the image shown at
// the time of the click (or none) and what its file name is made from.
QToolButton* makeSaveAsButton(std::function<const CaptureImage*()> image,
                              std::function<SaveAsName::Context()> context, QWidget* parent);
