#include "FrameWindowChecks.h"

#include <windows.h>

namespace checks {

namespace {

constexpr std::int32_t kFrameWidth = 200, kFrameHeight = 100;
constexpr DWORD kLongestPress = 5000;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 40;

HWND makeWindow(HWND parent, int left, int top, int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = "BreltoTestChain";
        registered = RegisterClassA(&windowClass) != 0;
    }
    const DWORD style = (parent != nullptr ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    return CreateWindowExA(0, "BreltoTestChain", "", style, left, top, width, height, parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Counts the paint passes that reach it, whatever they cover.
class CountingFrame : public CFrame {
public:
    using CFrame::CFrame;
    void drawRect(CDrawContext* context, const CRect& updateRect) override {
        ++draws;
        CFrame::drawRect(context, updateRect);
    }
    int draws = 0;
};

// Reports a press with the live buttons and follows the button, as a
// control does, until release.
class PressView : public CView {
public:
    PressView(const CRect& size, const PressReport& pressed) : CView(size), pressed(pressed) {}
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) override {
        pressed(where, buttons, context->getMouseButtons());
        const DWORD start = GetTickCount();
        while ((context->getMouseButtons() & (kLButton | kRButton)) != 0 &&
               GetTickCount() - start < kLongestPress)
            Sleep(5);
    }

private:
    PressReport pressed;
};

} // namespace

CRect sizeInThreeWindows() {
    HWND outer = makeWindow(nullptr, 300, 200, 300, 180);
    HWND middle = makeWindow(outer, 7, 5, 280, 160);
    HWND inner = makeWindow(middle, 3, 2, 250, 140);
    CFrame* frame = new CFrame(CRect(0, 0, kFrameWidth, kFrameHeight), inner, nullptr);
    CRect size;
    if (!frame->getSize(size)) size = CRect(-1, -1, -1, -1);
    frame->forget();
    DestroyWindow(outer);
    return size;
}

PaintCounts paintWithoutAndWithUpdate() {
    HWND host = makeWindow(nullptr, 300, 200, kFrameWidth, kFrameHeight);
    auto* frame = new CountingFrame(CRect(0, 0, kFrameWidth, kFrameHeight), host, nullptr);
    HWND window = static_cast<HWND>(frame->getNativeWindow());
    UpdateWindow(window);
    ValidateRect(window, nullptr);
    PaintCounts counts{};
    int before = frame->draws;
    SendMessageA(window, WM_PAINT, 0, 0);
    counts.withoutUpdate = frame->draws - before;
    InvalidateRect(window, nullptr, FALSE);
    before = frame->draws;
    SendMessageA(window, WM_PAINT, 0, 0);
    counts.withUpdate = frame->draws - before;
    frame->forget();
    DestroyWindow(host);
    return counts;
}

void pressesWithSwappedButtons(const std::function<void()>& ready, const PressReport& pressed,
                               const std::function<bool()>& quit) {
    // The frame's class records the setting when it is registered.
    const BOOL wasSwapped = SwapMouseButton(TRUE);
    HWND host = makeWindow(nullptr, 40, 30, kFrameWidth, kFrameHeight);
    CFrame* frame = new CFrame(CRect(0, 0, kFrameWidth, kFrameHeight), host, nullptr);
    frame->addView(new PressView(CRect(0, 0, kFrameWidth, kFrameHeight), pressed));
    UpdateWindow(static_cast<HWND>(frame->getNativeWindow()));
    ready();
    SetTimer(host, kPollTimer, kPollMilliseconds, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && quit()) break;
        DispatchMessageA(&message);
    }
    frame->forget();
    DestroyWindow(host);
    SwapMouseButton(wasSwapped);
}

} // namespace checks
