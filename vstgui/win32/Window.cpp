// The frame's child window on user32: its class, the window procedure, and
// the cursor, pointer, OLE and window-size services around it.
#include "vstgui/win32/CDropTarget.h"

#include "vstgui/WindowEvents.h"

#include "platform/win32/OwnModule.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>

namespace VSTGUI {
namespace win32 {

namespace {

constexpr DWORD kFrameWindowStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr LONG kOuterWindowSlack = 60; // a parent this much larger is not the outer window
constexpr LONG kHostWindowExtra = 80;  // growth beyond this means the host's own window
constexpr std::size_t kClassNameLength = 1024;
constexpr UINT kAllDragItems = 0xFFFFFFFF;
constexpr double kSystemDpi = 96.0; // the dots per inch of an unscaled screen
// Sent to child windows after their top-level window moved to a screen of
// another DPI, where the host is per-monitor aware (Windows 10 1703 on).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// classUses: frames whose window uses the class; oleInitialized: successful
// OleInitialize calls not yet undone on this thread.
int classUses = 0;
int oleInitialized = 0;

const char* className() {
    static char name[32] = {};
    if (name[0] == 0) std::snprintf(name, sizeof name, "Plugin%p", platform::ownModule());
    return name;
}

// The buttons and modifiers of a press message, as the toolkit's bits; Alt
// as the message queue saw it at the press.
std::int32_t pressedButtons(WPARAM flags) {
    std::int32_t buttons = 0;
    if ((flags & MK_LBUTTON) != 0) buttons |= kLButton;
    if ((flags & MK_MBUTTON) != 0) buttons |= kMButton;
    if ((flags & MK_RBUTTON) != 0) buttons |= kRButton;
    if ((flags & MK_SHIFT) != 0) buttons |= kShift;
    if ((flags & MK_CONTROL) != 0) buttons |= kControl;
    if ((GetKeyState(VK_MENU) & 0x8000) != 0) buttons |= kAlt;
    return buttons;
}

CFrame* frameOf(HWND window) {
    return reinterpret_cast<CFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CFrame* frame = frameOf(window);
    switch (message) {
    case WM_DESTROY:
        if (frame != nullptr) windowEvents::destroyed(frame);
        break;
    case WM_PAINT:
        if (frame != nullptr && GetUpdateRect(window, nullptr, FALSE)) {
            PAINTSTRUCT paint;
            HDC surface = BeginPaint(window, &paint);
            windowEvents::paint(frame, surface,
                                CRect(paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                                      paint.rcPaint.bottom));
            EndPaint(window, &paint);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(window);
        if (frame != nullptr)
            windowEvents::buttonDown(frame, CPoint(LOWORD(lParam), HIWORD(lParam)),
                                     pressedButtons(wParam));
        return 0;
    case WM_MOUSEMOVE:
        // An entry field of the frame keeps the keys it is being typed into.
        if (GetFocus() != window && !IsChild(window, GetFocus())) SetFocus(window);
        break;
    case WM_CTLCOLOREDIT:
        if (frame != nullptr) {
            if (native::Handle brush = windowEvents::editFieldColours(frame, HDC(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        }
        break;
    case kDpiChangedAfterParent:
        if (frame != nullptr) windowEvents::scaleChanged(frame);
        return 0;
    case WM_MOUSEWHEEL:
        if (frame != nullptr)
            windowEvents::wheel(frame, CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)),
                                GET_WHEEL_DELTA_WPARAM(wParam));
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool useClass() {
    if (classUses == 0) {
        WNDCLASSA windowClass{};
        windowClass.style = CS_GLOBALCLASS;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = platform::ownModule();
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className();
        state().swappedButtons = GetSystemMetrics(SM_SWAPBUTTON) != 0;
        if (RegisterClassA(&windowClass) == 0) return false;
    }
    ++classUses;
    return true;
}

void dropClass() {
    if (classUses > 0 && --classUses == 0) UnregisterClassA(className(), platform::ownModule());
}

// A function of a library by name; the generic address goes through void*.
template <typename Function> Function lookUp(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

LONG widthOf(const RECT& rect) {
    return rect.right - rect.left;
}
LONG heightOf(const RECT& rect) {
    return rect.bottom - rect.top;
}

void setWindowSize(HWND window, LONG width, LONG height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

} // namespace win32

namespace native {

using namespace win32;

Handle windowSurface(Handle window) {
    return window != nullptr ? GetDC(static_cast<HWND>(window)) : nullptr;
}

void releaseWindowSurface(Handle window, Handle surface) {
    ReleaseDC(static_cast<HWND>(window), static_cast<HDC>(surface));
}

CPoint windowScreenTopLeft(Handle window) {
    RECT rect{};
    if (window == nullptr || !GetWindowRect(static_cast<HWND>(window), &rect)) return CPoint();
    return CPoint(rect.left, rect.top);
}

double systemScale(Handle parent) {
    // Systems before Windows 10 1607 have no DPI per window: the screen's
    // then, which is 96 too for a host that is not DPI aware.
    using DpiOfWindow = UINT(WINAPI*)(HWND);
    static const DpiOfWindow dpiOfWindow =
        lookUp<DpiOfWindow>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    UINT dpi = 0;
    if (parent != nullptr && dpiOfWindow != nullptr) dpi = dpiOfWindow(static_cast<HWND>(parent));
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return dpi / kSystemDpi;
}

std::int32_t systemMouseButtons() {
    auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    const bool swapped = state().swappedButtons;
    std::int32_t buttons = 0;
    if (down(VK_LBUTTON)) buttons |= swapped ? kRButton : kLButton;
    if (down(VK_MBUTTON)) buttons |= kMButton;
    if (down(VK_RBUTTON)) buttons |= swapped ? kLButton : kRButton;
    if (down(VK_SHIFT)) buttons |= kShift;
    if (down(VK_CONTROL)) buttons |= kControl;
    if (down(VK_MENU)) buttons |= kAlt;
    return buttons;
}

CPoint systemCursorPosition() {
    POINT point{};
    GetCursorPos(&point);
    return CPoint(point.x, point.y);
}

std::int32_t doubleClickTime() {
    return static_cast<std::int32_t>(GetDoubleClickTime());
}

Handle currentCursor() {
    return GetCursor();
}

Handle systemCursor(std::int32_t type) {
    LPCSTR shape = nullptr;
    switch (type) {
    case 1:
        shape = IDC_WAIT;
        break;
    case 2:
        shape = IDC_SIZEWE;
        break;
    case 3:
        shape = IDC_SIZENS;
        break;
    case 4:
        shape = IDC_SIZEALL;
        break;
    case 5:
        shape = IDC_SIZENESW;
        break;
    case 6:
        shape = IDC_SIZENWSE;
        break;
    case 8:
        shape = IDC_NO;
        break;
    case 9:
        shape = IDC_HAND;
        break;
    default:
        return nullptr;
    }
    return LoadCursorA(nullptr, shape);
}

void setCursor(Handle cursor) {
    SetCursor(static_cast<HCURSOR>(cursor));
}

Handle loadBlendLibrary() {
    state().alphaBlend = nullptr;
    state().transparentBlt = nullptr;
    HMODULE library = LoadLibraryA("msimg32.dll");
    if (library == nullptr) return nullptr;
    ++state().blendLibraryUses;
    state().alphaBlend = lookUp<AlphaBlendFunction>(library, "AlphaBlend");
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId > VER_PLATFORM_WIN32_WINDOWS)
        state().transparentBlt = lookUp<TransparentBltFunction>(library, "TransparentBlt");
    return library;
}

void freeBlendLibrary(Handle library) {
    if (library == nullptr) return;
    // The addresses die with the library's last use.
    if (--state().blendLibraryUses == 0) {
        state().alphaBlend = nullptr;
        state().transparentBlt = nullptr;
    }
    FreeLibrary(static_cast<HMODULE>(library));
}

void initializeOle() {
    if (SUCCEEDED(OleInitialize(nullptr))) ++oleInitialized;
}

void uninitializeOle() {
    if (oleInitialized == 0) return;
    --oleInitialized;
    OleUninitialize();
}

Handle createFrameWindow(CFrame* frame, Handle parent, std::int32_t width, std::int32_t height) {
    if (!useClass()) return nullptr;
    HWND window =
        CreateWindowExA(0, className(), "Window", kFrameWindowStyle, 0, 0, width, height,
                        static_cast<HWND>(parent), nullptr, platform::ownModule(), nullptr);
    if (window == nullptr) {
        dropClass();
        return nullptr;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    return window;
}

void destroyFrameWindow(Handle handle) {
    HWND window = static_cast<HWND>(handle);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    dropClass();
}

Handle registerDropTarget(Handle window, CFrame* frame) {
    auto* target = new CDropTarget(frame);
    target->AddRef(); // the frame's reference
    RegisterDragDrop(static_cast<HWND>(window), target);
    return target;
}

void revokeDropTarget(Handle window, Handle target) {
    RevokeDragDrop(static_cast<HWND>(window));
    if (target != nullptr) static_cast<CDropTarget*>(target)->Release();
}

bool outerWindowPosition(Handle handle, std::int32_t& x, std::int32_t& y) {
    HWND frameWindow = static_cast<HWND>(handle);
    RECT frameRect{};
    if (frameWindow == nullptr || !GetWindowRect(frameWindow, &frameRect)) return false;
    HWND outer = frameWindow;
    for (;;) {
        HWND parent = GetParent(outer);
        const bool captioned = (GetWindowLongA(outer, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
        if (captioned || parent == nullptr) break;
        RECT parentRect{};
        GetWindowRect(parent, &parentRect);
        if (std::abs(widthOf(parentRect) - widthOf(frameRect)) > kOuterWindowSlack ||
            std::abs(heightOf(parentRect) - heightOf(frameRect)) > kOuterWindowSlack)
            break;
        outer = parent;
    }
    RECT outerRect{};
    GetWindowRect(outer, &outerRect);
    POINT topLeft{outerRect.left, outerRect.top};
    if (HWND parent = GetParent(outer)) ScreenToClient(parent, &topLeft);
    x = topLeft.x;
    y = topLeft.y;
    return true;
}

bool parentRectInGrandparent(Handle handle, CRect& rect) {
    HWND parent = handle != nullptr ? GetParent(static_cast<HWND>(handle)) : nullptr;
    RECT area{};
    if (parent == nullptr || !GetWindowRect(parent, &area)) return false;
    // Without a grandparent the rectangle stays in screen coordinates.
    HWND above = GetParent(parent);
    HWND grandparent = above != nullptr ? GetParent(above) : nullptr;
    MapWindowPoints(HWND_DESKTOP, grandparent, reinterpret_cast<POINT*>(&area), 2);
    rect = CRect(area.left, area.top, area.right, area.bottom);
    return true;
}

void resizeWindow(Handle window, std::int32_t width, std::int32_t height) {
    if (window != nullptr) setWindowSize(static_cast<HWND>(window), width, height);
}

bool growAncestors(Handle handle, std::int32_t width, std::int32_t height) {
    const LONG frameThickness = 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    LONG extraWidth = 0, extraHeight = 0;
    HWND current = static_cast<HWND>(handle);
    while (current != nullptr && extraWidth != frameThickness) {
        HWND parent = GetParent(current);
        if (parent == nullptr) break;
        char parentClass[kClassNameLength] = {};
        GetClassNameA(parent, parentClass, sizeof parentClass);
        if (std::strcmp(parentClass, "MDIClient") == 0) break;
        RECT currentRect{}, parentRect{};
        GetWindowRect(current, &currentRect);
        GetWindowRect(parent, &parentRect);
        setWindowSize(current, width + extraWidth, height + extraHeight);
        extraWidth += widthOf(parentRect) - widthOf(currentRect);
        extraHeight += heightOf(parentRect) - heightOf(currentRect);
        if (extraWidth > kHostWindowExtra || extraHeight > kHostWindowExtra) return true;
        extraWidth = std::max(extraWidth, 0L);
        extraHeight = std::max(extraHeight, 0L);
        current = parent;
    }
    if (current != nullptr) setWindowSize(current, width + extraWidth, height + extraHeight);
    return false;
}

std::int32_t countDragItems(Handle dataObject) {
    auto* data = static_cast<IDataObject*>(dataObject);
    if (data == nullptr) return 0;
    FORMATETC format{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) == S_OK) {
        ReleaseStgMedium(&medium);
        return 1;
    }
    format.cfFormat = CF_HDROP;
    if (data->GetData(&format, &medium) != S_OK) return 0;
    const UINT files =
        DragQueryFileA(static_cast<HDROP>(medium.hGlobal), kAllDragItems, nullptr, 0);
    ReleaseStgMedium(&medium);
    return static_cast<std::int32_t>(files);
}

void dispatchWaitingPaint() {
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
}

// The host's message loop delivers the window's messages to its procedure.
void processWindowEvents(Handle) {}

} // namespace native
} // namespace VSTGUI
