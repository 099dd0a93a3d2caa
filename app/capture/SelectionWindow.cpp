#include "capture/SelectionWindow.h"

#include "capture/RegionSelectionOverlay.h"
#include "ui/HideAfterLastFrame.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

constexpr qreal dimAlpha = 0.38;
constexpr int handleDiameter = 5;
// Room around the selection for its frame and handles.
constexpr int selectionMargin = 8;

QFont hintFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(10);
    font.setWeight(QFont::Medium);
    return font;
}

QFont badgeFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace

SelectionWindow::SelectionWindow(RegionSelectionOverlay& overlay, const ScreenFrame& frame)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           (QGuiApplication::platformName() == QLatin1String("xcb") ? Qt::BypassWindowManagerHint
                                                                                    : Qt::WindowType(0))),
      overlay_(overlay) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);

    setFrame(frame);
    connect(&overlay_, &RegionSelectionOverlay::selectionChanged, this, &SelectionWindow::selectionChanged);
}

void SelectionWindow::setFrame(const ScreenFrame& frame) {
    // Shares the frozen pixels: dimming happens as they are painted, and the
    // picture keeps its own device pixel ratio (setting one would copy a
    // HiDPI frame), so nothing frame-sized is copied or blended before the
    // window maps.
    frame_ = frame;
    setWindowTitle(overlay_.mode() == RegionSelectionOverlay::Mode::window ? tr("Zorvi window selection")
                                                                           : tr("Zorvi region selection"));
    update();
}

void SelectionWindow::putAway(std::function<void()> hidden) {
    hideAfterLastFrame(this, [this, hidden = std::move(hidden)] {
        frame_.image = QImage();
        if (hidden)
            hidden();
    });
}

QString SelectionWindow::hintText() const {
    if (overlay_.mode() == RegionSelectionOverlay::Mode::window)
        return tr("Click a window    Space full screen    Esc cancel");
    if (overlay_.isAdjusting())
        return tr("Drag the handles to adjust    Enter capture    Esc cancel");
    return tr("Drag to select    Space full screen    Esc cancel");
}

void SelectionWindow::showOverDesktop(bool takeFocus) {
    setGeometry(frame_.geometry);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        show();
    } else {
        for (QScreen* screen : QGuiApplication::screens())
            if (screen->name() == frame_.name)
                setScreen(screen);
        showFullScreen();
    }
    raise();
    // Focus, not a keyboard grab: a grab would swallow the global shortcut
    // whose second press turns the capture into a note.
    if (takeFocus) {
        activateWindow();
        setFocus();
    }
    painted_ = decorations();
}

bool SelectionWindow::cursorIsHere() const {
    return frame_.geometry.contains(overlay_.cursor().toPoint());
}

bool SelectionWindow::showsHint() const {
    // Out of the way while a region is being dragged.
    return cursorIsHere() && (overlay_.mode() == RegionSelectionOverlay::Mode::window || overlay_.isAdjusting() ||
                              !overlay_.selection());
}

QRectF SelectionWindow::selectionHere() const {
    const std::optional<QRectF> selection = overlay_.selection();
    if (!selection || selection->width() <= 0 || selection->height() <= 0)
        return {};
    return selection->translated(-frame_.geometry.topLeft());
}

QRect SelectionWindow::badgeRect(const QRectF& hole) const {
    const QSize pixels = overlay_.selectionPixelSize();
    const QString text = QStringLiteral("%1 × %2").arg(pixels.width()).arg(pixels.height());
    const QSize textSize = QFontMetrics(badgeFont()).size(Qt::TextSingleLine, text);
    QRect badge(0, 0, textSize.width() + 20, textSize.height() + 10);
    badge.moveCenter(QPoint(int(hole.center().x()), 0));
    badge.moveTop(int(hole.bottom()) + 8);
    if (badge.bottom() > height() - 4)
        badge.moveBottom(int(hole.top()) - 8);
    badge.moveLeft(std::clamp(badge.left(), 4, std::max(4, width() - 4 - badge.width())));
    badge.moveTop(std::clamp(badge.top(), 4, std::max(4, height() - 4 - badge.height())));
    return badge;
}

QRect SelectionWindow::hintRect() const {
    const QSize textSize = QFontMetrics(hintFont()).size(Qt::TextSingleLine, hintText());
    QRect pill(0, 0, textSize.width() + 32, textSize.height() + 20);
    pill.moveCenter(QPoint(width() / 2, 0));
    pill.moveBottom(height() - 64);
    return pill;
}

QRegion SelectionWindow::decorations() const {
    QRegion region;
    if (showsHint())
        region += hintRect().adjusted(-1, -1, 1, 1);
    const QRectF hole = selectionHere();
    if (!hole.isEmpty()) {
        const QRect outer = hole.toAlignedRect().adjusted(-selectionMargin, -selectionMargin, selectionMargin,
                                                          selectionMargin);
        region += outer;
        if (cursorIsHere())
            region += badgeRect(hole).adjusted(-1, -1, 1, 1);
        return region;
    }
    if (cursorIsHere() && overlay_.mode() == RegionSelectionOverlay::Mode::region) {
        const QPoint c = (overlay_.cursor() - frame_.geometry.topLeft()).toPoint();
        region += QRect(c.x() - 1, 0, 3, height());
        region += QRect(0, c.y() - 1, width(), 3);
    }
    return region;
}

void SelectionWindow::selectionChanged() {
    setCursor(overlay_.isAdjusting() ? RegionHandles::cursorFor(overlay_.gripAt(overlay_.cursor())) : Qt::CrossCursor);
    // Only what was or will be decorated is repainted: a full 4K repaint per
    // mouse move would lag behind the pointer.
    const QRegion now = decorations();
    update(painted_ + now);
    painted_ = now;
}

void SelectionWindow::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect dirty = event->rect();
    p.drawImage(dirty, frame_.image, QRectF(QPointF(dirty.topLeft()) * frame_.scale, QSizeF(dirty.size()) * frame_.scale));
    const QRectF hole = selectionHere();
    p.setClipRegion(event->region() - QRegion(hole.toRect()));
    p.fillRect(dirty, QColor::fromRgbF(0, 0, 0, dimAlpha));
    p.setClipping(false);

    if (!hole.isEmpty()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.95), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(hole.adjusted(-0.75, -0.75, 0.75, 0.75));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        // Larger while they can be taken hold of.
        const qreal handle = (overlay_.isAdjusting() ? handleDiameter + 4 : handleDiameter) / 2.0;
        const QRectF grown = QRectF(rect()).adjusted(-8, -8, 8, 8);
        // A window is taken as it is: nothing to pull at.
        if (overlay_.mode() == RegionSelectionOverlay::Mode::region)
            for (qreal x : {hole.left(), hole.center().x(), hole.right()})
                for (qreal y : {hole.top(), hole.center().y(), hole.bottom()})
                    if (QPointF centre(x, y); centre != hole.center() && grown.contains(centre))
                        p.drawEllipse(centre, handle, handle);
        if (cursorIsHere()) {
            const QSize pixels = overlay_.selectionPixelSize();
            const QRect badge = badgeRect(hole);
            p.setBrush(QColor::fromRgbF(0, 0, 0, 0.82));
            p.drawRoundedRect(badge, 6, 6);
            p.setPen(Qt::white);
            p.setFont(badgeFont());
            p.drawText(badge, Qt::AlignCenter, QStringLiteral("%1 × %2").arg(pixels.width()).arg(pixels.height()));
        }
    } else if (cursorIsHere() && overlay_.mode() == RegionSelectionOverlay::Mode::region) {
        const QPointF c = overlay_.cursor() - frame_.geometry.topLeft();
        QPen guide(QColor::fromRgbF(1, 1, 1, 0.28), 1);
        guide.setDashPattern({4, 4});
        p.setPen(guide);
        p.drawLine(QPointF(c.x(), 0), QPointF(c.x(), height()));
        p.drawLine(QPointF(0, c.y()), QPointF(width(), c.y()));
    }
    if (showsHint())
        paintHint(p);
}

void SelectionWindow::paintHint(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRect pill = hintRect();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.72));
    p.drawRoundedRect(pill, 10, 10);
    p.setPen(QColor::fromRgbF(1, 1, 1, 0.92));
    p.setFont(hintFont());
    p.drawText(pill, Qt::AlignCenter, hintText());
}

void SelectionWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    activateWindow();
    overlay_.beginDrag(event->globalPosition());
}

void SelectionWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        overlay_.updateDrag(event->globalPosition());
    else
        overlay_.moveCursor(event->globalPosition());
}

void SelectionWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        overlay_.endDrag();
}

void SelectionWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
        overlay_.requestFullScreen();
        break;
    case Qt::Key_Escape:
        overlay_.finish(std::nullopt);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        overlay_.confirm();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
