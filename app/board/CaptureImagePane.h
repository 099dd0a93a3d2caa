#pragma once

#include "store/CaptureImage.h"

#include <QWidget>

#include <optional>
#include <vector>

class Library;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class ShownCapture;

// The capture detail's screenshots: the selected one fitted to the pane (or
// at one image pixel per device pixel), a filmstrip to pick another or add
// one, and an invitation to add one when the capture was filed as text.
class CaptureImagePane : public QWidget {
    Q_OBJECT
public:
    CaptureImagePane(Library& library, const ShownCapture& shown, QWidget* parent = nullptr);

    // Actual size, Show in Folder and Copy image, for the detail's header;
    // hidden while there is no screenshot to act on.
    const std::vector<QToolButton*>& headerButtons() const { return headerButtons_; }

    // A newly shown capture starts at its first screenshot, fitted.
    void reset();
    // Reads the shown capture's screenshots again, keeping the one selected.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CaptureImage* selectedImage() const;
    void fillFilmstrip();
    void showSelectedImage();
    void showFilmstripMenu(const QPoint& at);
    void requestScreenshot();
    QWidget* buildNoImagePage();

    Library& library_;
    const ShownCapture& shown_;
    std::vector<CaptureImage> images_;
    std::optional<QString> selectedImageID_;
    bool actualSize_ = false;

    std::vector<QToolButton*> headerButtons_;
    QToolButton* sizeToggle_;
    QStackedWidget* pages_;
    QScrollArea* scroll_;
    QLabel* image_;
    QPushButton* markUp_;
    QListWidget* filmstrip_;
};
