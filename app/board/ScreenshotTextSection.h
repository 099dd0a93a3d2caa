#pragma once

#include <QWidget>

#include <optional>

class Library;
class QPlainTextEdit;

// The capture detail's "Text in screenshots": what was recognised in its
// screenshots, to read and copy. Hidden while there is none.
class ScreenshotTextSection : public QWidget {
    Q_OBJECT
public:
    explicit ScreenshotTextSection(Library& library, QWidget* parent = nullptr);
    void showCapture(const std::optional<QString>& captureID);

private:
    void reload();

    Library& library_;
    std::optional<QString> captureID_;
    QPlainTextEdit* text_;
};
