#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

// Keeps every window (settings, guide, note box, markup editor, board) in the
// board theme's light or dark. When the desktop's own palette already agrees
// it is left alone; otherwise the app switches to Fusion with a palette made
// from the theme's colours, and back to the desktop's when they agree again.
class AppPalette : public QObject {
    Q_OBJECT
  public:
    explicit AppPalette(QObject* parent = nullptr);

    static QPalette themed(bool dark);

  private:
    void apply();

    QPalette desktopPalette_;
    QString desktopStyle_;
    bool overridden_ = false;
};
