// Windows, pointer, cursor and drop targets of the software backend: a
// small stand-in for a window system that keeps each window's pixels.
#include "vstgui/software/CDropTarget.h"
#include "vstgui/software/SoftwareSystem.h"

#include "vstgui/WindowEvents.h"

#include <algorithm>
#include <deque>
#include <memory>

namespace VSTGUI {
namespace software {

namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::int32_t kCursorTypes = 10;
constexpr std::int32_t kDoubleClickTime = 500; // ms, the usual system setting
// Cursor types that have a cursor of their own; the others show the default.
constexpr bool kHasSystemCursor[kCursorTypes] = {false, true, true,  true, true,
                                                 true,  true, false, true, true};

struct Cursor : Object {
    explicit Cursor(std::int32_t type) : Object(Kind::cursor, true), type(type) {}
    std::int32_t type;
};

// pointer: the pointer of the in-process windows, as the last press left it;
// focus: the window that took the last click; cursor: the one last set; live: every window that
// exists, to tell ours from a system window that a host hands over;
// pointerWindow: the window whose system answers pointer queries (the last
// presented one made, or the last one clicked), the pointer above for
// in-process windows; inPress:
// true while a presented window's press is being handled; screenScale: the
// scale of the in-process windows' screen.
struct SystemState {
    PointerState pointer;
    Window* focus = nullptr;
    Cursor* cursor = nullptr;
    std::vector<Window*> live;
    Window* pointerWindow = nullptr;
    bool inPress = false;
    double screenScale = 1.0;
};

SystemState& system() {
    static SystemState state;
    return state;
}

Cursor* cursorOf(std::int32_t type) {
    static std::deque<Cursor> cursors = [] {
        std::deque<Cursor> made;
        for (std::int32_t type = 0; type < kCursorTypes; ++type)
            made.emplace_back(type);
        return made;
    }();
    return &cursors[static_cast<std::size_t>(type)];
}

Window* windowOf(native::Handle handle) {
    return as<Window>(handle, Kind::window);
}

bool isOurs(native::Handle handle) {
    const std::vector<Window*>& live = system().live;
    return std::find(live.begin(), live.end(), handle) != live.end();
}

// The live pointer: from the system of a presented window, else as the last
// press left it.
const PointerState& livePointer() {
    PointerState& pointer = system().pointer;
    Window* window = system().pointerWindow;
    if (window != nullptr && window->presentation != nullptr) {
        PointerState state;
        if (window->presentation->pointer(state)) pointer = state;
    }
    return pointer;
}

// A frame's window inside a system window that a host handed over.
Window* presentFrameWindow(CFrame* frame, native::Handle parent, std::int32_t width,
                           std::int32_t height) {
    std::unique_ptr<Presentation> presentation = presentInSystemWindow(parent, width, height);
    if (presentation == nullptr) return nullptr;
    const CPoint topLeft = presentation->screenTopLeft();
    auto* window =
        new Window(nullptr, CRect(topLeft.h, topLeft.v, topLeft.h + width, topLeft.v + height));
    window->presentation = std::move(presentation);
    window->frame = frame;
    system().pointerWindow = window;
    return window;
}

void deliver(Window* window, const SystemEvent& event) {
    switch (event.type) {
    case SystemEvent::Type::expose:
        invalidate(window, event.rect);
        break;
    case SystemEvent::Type::press:
        system().focus = window;
        system().pointerWindow = window;
        system().inPress = true;
        windowEvents::buttonDown(window->frame, event.where, event.buttons);
        system().inPress = false;
        break;
    case SystemEvent::Type::wheel:
        windowEvents::wheel(window->frame, event.screen, event.delta);
        break;
    case SystemEvent::Type::destroyed:
        window->destroyed = true;
        windowEvents::destroyed(window->frame);
        break;
    }
}

void resize(Window& window, std::int32_t width, std::int32_t height) {
    window.screenRect.right = window.screenRect.left + width;
    window.screenRect.bottom = window.screenRect.top + height;
    Image resized(width, height, kBlack);
    for (std::int32_t y = 0; y < std::min(height, window.image.height); ++y)
        for (std::int32_t x = 0; x < std::min(width, window.image.width); ++x)
            resized.row(y)[x] = window.image.row(y)[x];
    window.image.width = width;
    window.image.height = height;
    window.image.pixels.swap(resized.pixels);
    if (window.presentation != nullptr) window.presentation->resize(width, height);
}

} // namespace

Window::Window(Window* parent, const CRect& screenRect)
    : Object(Kind::window), parent(parent), screenRect(screenRect),
      image(screenRect.width(), screenRect.height(), kBlack), pendingPaint(0, 0, 0, 0) {
    if (parent != nullptr) parent->children.push_back(this);
    system().live.push_back(this);
}

Window::~Window() {
    if (parent != nullptr)
        parent->children.erase(std::remove(parent->children.begin(), parent->children.end(), this),
                               parent->children.end());
    for (Window* child : children)
        child->parent = nullptr;
    if (system().focus == this) system().focus = nullptr;
    if (system().pointerWindow == this) system().pointerWindow = nullptr;
    std::vector<Window*>& live = system().live;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

native::Handle createHostWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                                std::int32_t height) {
    auto* window = new Window(nullptr, CRect(x, y, x + width, y + height));
    window->hasCaption = true;
    return window;
}

void destroyHostWindow(native::Handle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr) return;
    for (Window* child : std::vector<Window*>(window->children)) {
        child->destroyed = true;
        if (child->frame != nullptr) windowEvents::destroyed(child->frame);
    }
    delete window;
}

std::vector<native::Handle> childWindows(native::Handle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr) return {};
    return std::vector<native::Handle>(window->children.begin(), window->children.end());
}

void invalidate(native::Handle handle, const CRect& rect) {
    Window* window = windowOf(handle);
    if (window == nullptr) return;
    CRect& pending = window->pendingPaint;
    if (pending.width() <= 0 || pending.height() <= 0)
        pending = rect;
    else
        pending = CRect(std::min(pending.left, rect.left), std::min(pending.top, rect.top),
                        std::max(pending.right, rect.right), std::max(pending.bottom, rect.bottom));
    pending.bound(CRect(0, 0, window->image.width, window->image.height));
}

bool paint(native::Handle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr || window->destroyed) return false;
    const CRect rect = window->pendingPaint;
    window->pendingPaint = CRect(0, 0, 0, 0);
    if (window->frame == nullptr || rect.width() <= 0 || rect.height() <= 0) return false;
    native::Handle surface = native::windowSurface(window);
    windowEvents::paint(window->frame, surface, rect);
    native::releaseWindowSurface(window, surface);
    return true;
}

void pressButton(native::Handle handle, const CPoint& where, std::int32_t buttons) {
    Window* window = windowOf(handle);
    if (window == nullptr) return;
    system().focus = window;
    system().pointerWindow = window;
    system().pointer.buttons = buttons;
    system().pointer.screen =
        CPoint(window->screenRect.left + where.h, window->screenRect.top + where.v);
    if (window->frame != nullptr) windowEvents::buttonDown(window->frame, where, buttons);
}

void turnWheel(native::Handle handle, const CPoint& screen, std::int32_t delta) {
    Window* window = windowOf(handle);
    if (window != nullptr && window->frame != nullptr)
        windowEvents::wheel(window->frame, screen, delta);
}

void setScreenScale(double factor) {
    system().screenScale = factor;
    for (Window* window : std::vector<Window*>(system().live))
        if (isOurs(window) && window->frame != nullptr && window->presentation == nullptr)
            windowEvents::scaleChanged(window->frame);
}

native::Handle focusWindow() {
    return system().focus;
}

std::int32_t cursorType() {
    return system().cursor != nullptr ? system().cursor->type : 0;
}

native::Handle dropTargetOf(native::Handle handle) {
    Window* window = windowOf(handle);
    return window != nullptr ? window->dropTarget : nullptr;
}

} // namespace software

namespace native {

using namespace software;

Handle windowSurface(Handle handle) {
    Window* window = windowOf(handle);
    return window != nullptr && !window->destroyed ? new Surface(&window->image) : nullptr;
}

// What was drawn into a presented window goes on screen when the drawing ends.
void releaseWindowSurface(Handle handle, Handle surface) {
    delete as<Surface>(surface, Kind::surface);
    Window* window = windowOf(handle);
    if (window != nullptr && window->presentation != nullptr)
        window->presentation->present(window->image);
}

CPoint windowScreenTopLeft(Handle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr) return CPoint();
    if (window->presentation != nullptr) return window->presentation->screenTopLeft();
    return CPoint(window->screenRect.left, window->screenRect.top);
}

double systemScale(Handle parent) {
    if (parent != nullptr && isOurs(parent)) return system().screenScale;
    return systemScaleOf(parent);
}

std::int32_t systemMouseButtons() {
    return livePointer().buttons;
}

CPoint systemCursorPosition() {
    return livePointer().screen;
}

std::int32_t doubleClickTime() {
    return kDoubleClickTime;
}

Handle currentCursor() {
    if (system().cursor == nullptr) system().cursor = cursorOf(0);
    return system().cursor;
}

Handle systemCursor(std::int32_t type) {
    return type >= 0 && type < kCursorTypes && kHasSystemCursor[type] ? cursorOf(type) : nullptr;
}

void setCursor(Handle cursor) {
    if (auto* chosen = as<Cursor>(cursor, Kind::cursor)) system().cursor = chosen;
}

// Blending is built in; the handle only stands for the library being held.
Handle loadBlendLibrary() {
    static Object library(Kind::library, true);
    return &library;
}
void freeBlendLibrary(Handle) {}
void initializeOle() {}
void uninitializeOle() {}

Handle createFrameWindow(CFrame* frame, Handle parent, std::int32_t width, std::int32_t height) {
    if (parent != nullptr && !isOurs(parent))
        return presentFrameWindow(frame, parent, width, height);
    Window* host = windowOf(parent);
    if (host == nullptr || host->destroyed || width <= 0 || height <= 0) return nullptr;
    auto* window =
        new Window(host, CRect(host->screenRect.left, host->screenRect.top,
                               host->screenRect.left + width, host->screenRect.top + height));
    window->frame = frame;
    return window;
}

void destroyFrameWindow(Handle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr) return;
    window->frame = nullptr;
    delete window;
}

Handle registerDropTarget(Handle handle, CFrame* frame) {
    Window* window = windowOf(handle);
    if (window == nullptr) return nullptr;
    auto* target = new CDropTarget(frame);
    target->AddRef();
    window->dropTarget = target;
    return target;
}

void revokeDropTarget(Handle handle, Handle target) {
    if (Window* window = windowOf(handle)) window->dropTarget = nullptr;
    if (auto* dropTarget = as<CDropTarget>(target, Kind::dropTarget)) dropTarget->Release();
}

bool outerWindowPosition(Handle handle, std::int32_t& x, std::int32_t& y) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    while (window->parent != nullptr && !window->hasCaption)
        window = window->parent;
    x = window->screenRect.left;
    y = window->screenRect.top;
    return true;
}

bool parentRectInGrandparent(Handle handle, CRect& rect) {
    Window* window = windowOf(handle);
    if (window == nullptr || window->parent == nullptr) return false;
    rect = window->parent->screenRect;
    Window* above = window->parent->parent;
    if (Window* grandparent = above != nullptr ? above->parent : nullptr)
        rect.offset(-grandparent->screenRect.left, -grandparent->screenRect.top);
    return true;
}

void resizeWindow(Handle handle, std::int32_t width, std::int32_t height) {
    if (Window* window = windowOf(handle)) resize(*window, width, height);
}

// The host window grows with the frame; it is the host's, so the walk ends there.
bool growAncestors(Handle handle, std::int32_t width, std::int32_t height) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    resize(*window, width, height);
    if (window->parent != nullptr) resize(*window->parent, width, height);
    return false;
}

std::int32_t countDragItems(Handle dataObject) {
    const auto* data = static_cast<const DragData*>(dataObject);
    if (data == nullptr) return 0;
    return data->hasText ? 1 : data->fileCount;
}

void dispatchWaitingPaint() {
    if (Window* focus = system().focus) software::paint(focus);
}

void processWindowEvents(Handle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr || window->presentation == nullptr || window->frame == nullptr) return;
    SystemEvent event;
    while (window->presentation->nextEvent(event, !system().inPress)) {
        deliver(window, event);
        // A press may end with the frame, and its window, gone or going.
        if (!isOurs(handle) || window->frame == nullptr || window->frame->isClosing()) return;
    }
    software::paint(window);
}

} // namespace native
} // namespace VSTGUI
