#pragma once

#include <QWidget>

class Library;
class QLabel;

// The settings window's Library tab: counts, size on disk, where the library
// lives, and the version.
class LibrarySettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit LibrarySettingsPage(Library& library, QWidget* parent = nullptr);

    // Sum of the sizes of every file under the library's image folders.
    static qint64 sizeOnDisk();
    // "0.1.0 (1)".
    static QString versionText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showCounts();

    Library& library_;
    QLabel* captures_;
    QLabel* open_;
    QLabel* inProgress_;
    QLabel* size_;
};
