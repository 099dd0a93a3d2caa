#include "platform/x11/X11WindowFinder.h"

#include "platform/x11/X11ActiveWindowSource.h"
#include "platform/x11/X11Properties.h"

#include <xcb/xcb.h>

#include <algorithm>

using X11Properties::own;

std::unique_ptr<X11WindowFinder> X11WindowFinder::connect(const char* displayName) {
    std::unique_ptr<X11ActiveWindowSource> source = X11ActiveWindowSource::connect(displayName);
    if (!source)
        return nullptr;
    return std::unique_ptr<X11WindowFinder>(new X11WindowFinder(std::move(source)));
}

X11WindowFinder::X11WindowFinder(std::unique_ptr<X11ActiveWindowSource> source) : source_(std::move(source)) {
    xcb_connection_t* c = source_->connection();
    clientListAtom_ = X11Properties::internAtom(c, "_NET_CLIENT_LIST_STACKING");
    frameExtentsAtom_ = X11Properties::internAtom(c, "_NET_FRAME_EXTENTS");
    windowTypeAtom_ = X11Properties::internAtom(c, "_NET_WM_WINDOW_TYPE");
    desktopTypeAtom_ = X11Properties::internAtom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    stateAtom_ = X11Properties::internAtom(c, "_NET_WM_STATE");
    hiddenStateAtom_ = X11Properties::internAtom(c, "_NET_WM_STATE_HIDDEN");
}

X11WindowFinder::~X11WindowFinder() = default;

std::vector<DesktopWindow> X11WindowFinder::windows() const {
    bool managed = false;
    const std::vector<uint32_t> order = stackingOrder(managed);
    const std::optional<uint32_t> active = source_->activeWindowID();
    std::vector<DesktopWindow> found;
    for (auto window = order.rbegin(); window != order.rend(); ++window) {
        const std::optional<QRect> frame = frameOf(*window, managed);
        if (!frame)
            continue;
        found.push_back({*frame, source_->describe(*window), active == *window});
    }
    return found;
}

std::vector<uint32_t> X11WindowFinder::stackingOrder(bool& managed) const {
    xcb_connection_t* c = source_->connection();
    std::vector<uint32_t> clients = X11Properties::readValues(c, source_->root(), clientListAtom_, XCB_ATOM_WINDOW);
    managed = !clients.empty();
    if (managed)
        return clients;
    const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, source_->root()), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::vector<uint32_t>(children, children + xcb_query_tree_children_length(tree.get()));
}

std::optional<QRect> X11WindowFinder::frameOf(uint32_t window, bool managed) const {
    xcb_connection_t* c = source_->connection();
    const auto attributes = own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    // Without a window manager, override-redirect windows are menus and tooltips, not windows.
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
        (!managed && attributes->override_redirect) || attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
        return std::nullopt;
    if (managed && isHiddenOrDesktop(window))
        return std::nullopt;
    const auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const auto origin = own(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, source_->root(), 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    const int border = geometry->border_width;
    QRect frame(origin->dst_x - border, origin->dst_y - border, geometry->width + 2 * border,
                geometry->height + 2 * border);
    // left, right, top, bottom
    const std::vector<uint32_t> extents = X11Properties::readValues(c, window, frameExtentsAtom_, XCB_ATOM_CARDINAL);
    if (extents.size() >= 4)
        frame.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    if (frame.isEmpty())
        return std::nullopt;
    return frame;
}

bool X11WindowFinder::isHiddenOrDesktop(uint32_t window) const {
    xcb_connection_t* c = source_->connection();
    const std::vector<uint32_t> types = X11Properties::readValues(c, window, windowTypeAtom_, XCB_ATOM_ATOM);
    const std::vector<uint32_t> states = X11Properties::readValues(c, window, stateAtom_, XCB_ATOM_ATOM);
    return std::ranges::find(types, desktopTypeAtom_) != types.end() ||
           std::ranges::find(states, hiddenStateAtom_) != states.end();
}
