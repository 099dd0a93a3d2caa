#pragma once

#include <QWidget>

class Library;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class ShownCapture;

// The capture detail's conversation: a field to comment, the comments (an
// agent's and an edit kept from a conflict marked apart) and the history of
// what happened to the capture, newest as the store orders them.
class CaptureThread : public QWidget {
    Q_OBJECT
public:
    CaptureThread(Library& library, const ShownCapture& shown, QWidget* parent = nullptr);

    // A newly shown capture starts with an empty comment field.
    void reset();
    // Reads the comments and history again; a comment being typed stays.
    void refresh();

private:
    void postComment();
    void refreshComments();
    void refreshHistory();

    Library& library_;
    const ShownCapture& shown_;
    QLabel* commentsHeading_;
    QLineEdit* newComment_;
    QVBoxLayout* comments_;
    QVBoxLayout* history_;
};
