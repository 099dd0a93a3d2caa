#pragma once

#include <QWidget>

class QPainter;

// A capture's short id in a small monospace badge, so a person can read it
// out to their agent: painted on cards and rows, and as a widget in the detail.
namespace ShortIDBadge {

QSize size(const QString& shortID);
// Paints the badge with its right edge at `line`'s right, centred on the
// line; returns the width taken.
int paintAtRight(QPainter* p, const QRect& line, const QString& shortID);

} // namespace ShortIDBadge

class ShortIDBadgeWidget : public QWidget {
    Q_OBJECT
public:
    explicit ShortIDBadgeWidget(QWidget* parent = nullptr);
    void setShortID(const QString& shortID);
    const QString& shortID() const { return shortID_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString shortID_;
};
