#pragma once

#include "capture/ComposeModel.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

// The note box: a small floating panel over a ComposeModel. Ctrl+Enter
// saves, Esc discards.
class ComposePanel : public QWidget {
    Q_OBJECT
public:
    explicit ComposePanel(std::unique_ptr<ComposeModel> model, QWidget* parent = nullptr);
    ~ComposePanel() override;

    ComposeModel& model() { return *model_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPicture();
    QWidget* buildContextRow();
    QWidget* buildGroupPicker();
    QWidget* buildPriority();
    void showSelectedImage();
    void fillGroups();
    void groupChosen(int index);
    void commitGroup();
    // Esc after typing asks before anything is thrown away.
    void confirmDiscard();

    std::unique_ptr<ComposeModel> model_;
    QLabel* preview_ = nullptr;
    QLabel* previewSize_ = nullptr;
    QPlainTextEdit* note_ = nullptr;
    QLineEdit* tags_ = nullptr;
    QStackedWidget* groupStack_ = nullptr;
    QComboBox* groups_ = nullptr;
    QLineEdit* groupName_ = nullptr;
    QPushButton* save_ = nullptr;
    QPoint dragOffset_;
};
