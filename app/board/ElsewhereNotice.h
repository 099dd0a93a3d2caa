#pragma once

#include <QFrame>

class QLabel;

// Under a field being edited: "changed elsewhere", with the other version one
// click away and the person's own text left alone until they choose it.
class ElsewhereNotice : public QFrame {
    Q_OBJECT
public:
    explicit ElsewhereNotice(const QString& what, QWidget* parent = nullptr);

    // Shows the notice with the other version as its tooltip and preview.
    void showTheirs(const QString& theirs);

signals:
    void useTheirsRequested();
    void dismissed();

private:
    QLabel* preview_;
};
