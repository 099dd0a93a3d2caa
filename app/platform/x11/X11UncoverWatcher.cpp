#include "platform/x11/X11UncoverWatcher.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Properties.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/damage.h>

using X11Properties::own;

std::unique_ptr<X11UncoverWatcher> X11UncoverWatcher::open() {
    std::unique_ptr<X11Connection> x = X11Connection::open();
    if (!x)
        return nullptr;
    xcb_connection_t* c = x->connection();
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present)
        return nullptr;
    // The server takes no DAMAGE request before the version is agreed.
    if (!own(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr)))
        return nullptr;
    return std::unique_ptr<X11UncoverWatcher>(new X11UncoverWatcher(std::move(x), damage->first_event));
}

X11UncoverWatcher::X11UncoverWatcher(std::unique_ptr<X11Connection> x, uint8_t damageEvent)
    : x_(std::move(x)), damageEvent_(damageEvent) {
    QObject::connect(x_.get(), &X11Connection::eventReceived, x_.get(),
                     [this](const xcb_generic_event_t* event) { received(event); });
    bound_.setSingleShot(true);
    QObject::connect(&bound_, &QTimer::timeout, [this] { finish(); });
}

X11UncoverWatcher::~X11UncoverWatcher() {
    stopWatching();
}

xcb_window_t X11UncoverWatcher::topLevelOf(xcb_window_t window) {
    xcb_connection_t* c = x_->connection();
    while (window != XCB_WINDOW_NONE) {
        const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == x_->root() || tree->parent == XCB_WINDOW_NONE)
            return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

std::vector<X11UncoverWatcher::Frame> X11UncoverWatcher::visibleFrames(const QList<QWindow*>& windows) {
    xcb_connection_t* c = x_->connection();
    QList<xcb_window_t> ours;
    for (QWindow* window : windows)
        if (const xcb_window_t frame = topLevelOf(xcb_window_t(window->winId())); frame && !ours.contains(frame))
            ours.append(frame);
    const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, x_->root()), nullptr));
    if (!tree)
        return {};
    // Bottom to top; every question asked before any answer is read, so the
    // whole stack costs one round trip.
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (int i = 0; i < count; ++i) {
        attributeCookies.push_back(xcb_get_window_attributes(c, children[i]));
        geometryCookies.push_back(xcb_get_geometry(c, children[i]));
    }
    struct Shown {
        xcb_window_t window;
        QRect area;
    };
    std::vector<Shown> shown;
    for (int i = 0; i < count; ++i) {
        const auto attributes = own(xcb_get_window_attributes_reply(c, attributeCookies[size_t(i)], nullptr));
        const auto geometry = own(xcb_get_geometry_reply(c, geometryCookies[size_t(i)], nullptr));
        if (attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            shown.push_back({children[i], QRect(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                                                geometry->height + 2 * geometry->border_width)});
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QRect desktop(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    std::vector<Frame> frames;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (!ours.contains(shown[i].window))
            continue;
        QRegion visible = QRegion(shown[i].area.intersected(desktop));
        // Our own windows above it step aside as well, so only others' count.
        for (size_t above = i + 1; above < shown.size(); ++above)
            if (!ours.contains(shown[above].window))
                visible -= shown[above].area;
        if (!visible.isEmpty())
            frames.push_back({shown[i].window, visible, false});
    }
    return frames;
}

void X11UncoverWatcher::hide(const QList<QWindow*>& windows, std::function<void()> hideThem,
                             std::function<void()> uncovered) {
    stopWatching();
    frames_ = visibleFrames(windows);
    uncovered_ = std::move(uncovered);
    xcb_connection_t* c = x_->connection();
    if (!frames_.empty()) {
        // Both in force before the first window goes, or its going is missed.
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, x_->root(), XCB_CW_EVENT_MASK, &mask);
        damage_ = xcb_generate_id(c);
        xcb_damage_create(c, damage_, x_->root(), XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        own(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    hideThem();
    // Qt would send the unmaps when its event loop next idles.
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        xcb_flush(x11->connection());
    // With nothing of ours in sight there is nothing to wait for, but the callback still comes later.
    bound_.start(frames_.empty() ? 0 : longestWaitMs);
}

void X11UncoverWatcher::cancel() {
    uncovered_ = nullptr;
    stopWatching();
}

void X11UncoverWatcher::received(const xcb_generic_event_t* event) {
    if (!uncovered_ || frames_.empty())
        return;
    const uint8_t type = event->response_type & 0x7f;
    // A window manager's or client's word that a window went (sent, not
    // seen by the server) proves nothing about the screen.
    const bool synthetic = event->response_type & 0x80;
    auto gone = [this](xcb_window_t window) {
        for (Frame& frame : frames_)
            if (frame.window == window)
                frame.gone = true;
    };
    if (type == XCB_UNMAP_NOTIFY && !synthetic)
        gone(reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window);
    else if (type == XCB_DESTROY_NOTIFY)
        gone(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
    else if (type == uint8_t(damageEvent_ + XCB_DAMAGE_NOTIFY)) {
        const xcb_rectangle_t area = reinterpret_cast<const xcb_damage_notify_event_t*>(event)->area;
        // Drawing before a frame went may be that frame's own.
        for (Frame& frame : frames_)
            if (frame.gone)
                frame.exposed -= QRect(area.x, area.y, area.width, area.height);
    } else {
        return;
    }
    for (const Frame& frame : frames_)
        if (!frame.gone || !frame.exposed.isEmpty())
            return;
    finish();
}

void X11UncoverWatcher::stopWatching() {
    bound_.stop();
    frames_.clear();
    if (!damage_)
        return;
    xcb_connection_t* c = x_->connection();
    xcb_damage_destroy(c, std::exchange(damage_, 0));
    const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(c, x_->root(), XCB_CW_EVENT_MASK, &none);
    xcb_flush(c);
}

void X11UncoverWatcher::finish() {
    stopWatching();
    if (std::function<void()> uncovered = std::exchange(uncovered_, nullptr))
        uncovered();
}
