// Helpers for the toolkit tests on both backends: image decoding started for
// the whole run, a small PNG of known pixels, offscreens to draw into and
// read back, and a view that records what reaches it.
#pragma once

#include "vstgui/CFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace guitest {

using namespace VSTGUI;

// A 2 x 4 PNG strip of two 2 x 2 frames:
//   frame 0: (255,255,255,255) (200,100,50,0) / (255,0,0,128) (0,255,0,255)
//   frame 1: (0,0,255,255) (255,255,0,255) / (10,20,30,255) (255,255,255,255)
extern const unsigned char kStripPng[];
extern const std::size_t kStripPngSize;

class PngBytesBitmap : public CBitmap {
public:
    PngBytesBitmap(const unsigned char* bytes, std::size_t size) : CBitmap(0) {
        loaded = loadPng(bytes, size);
    }
    bool loaded = false;
};

inline ::testing::AssertionResult sameColor(const CColor& actual, const CColor& expected,
                                            int tolerance = 0) {
    auto near = [tolerance](int a, int b) { return a - b <= tolerance && b - a <= tolerance; };
    if (near(actual.red, expected.red) && near(actual.green, expected.green) &&
        near(actual.blue, expected.blue))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << int(actual.red) << "," << int(actual.green) << "," << int(actual.blue)
           << ") expected (" << int(expected.red) << "," << int(expected.green) << ","
           << int(expected.blue) << ")";
}

// The colour of one pixel of a backend's drawing surface (alpha 255), read
// from the backend's own pixels; black outside the surface.
CColor surfacePixel(native::Handle surface, CPoint where);

inline CColor pixelAt(CDrawContext* context, int x, int y) {
    return surfacePixel(context->getSystemContext(), CPoint(x, y));
}

// Owns one reference to a toolkit object for a test's scope.
template <typename T> class Ref {
public:
    explicit Ref(T* object) : object(object) {}
    ~Ref() {
        if (object != nullptr) object->forget();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T* operator->() const { return object; }
    T* get() const { return object; }

private:
    T* object;
};

// A view that records the calls that reach it and counts its destruction.
class ProbeView : public CView {
public:
    explicit ProbeView(const CRect& size, std::vector<std::string>* log = nullptr,
                       int* destroyed = nullptr, std::string name = "probe")
        : CView(size), log(log), destroyed(destroyed), name(std::move(name)) {}
    ~ProbeView() override {
        if (destroyed != nullptr) ++*destroyed;
    }
    void draw(CDrawContext* context) override {
        record("draw");
        ++draws;
        if (fill != nullptr) {
            context->setFillColor(*fill);
            CRect whole = size;
            whole.offset(-1, -1);
            context->fillRect(whole);
        }
        CView::draw(context);
    }
    void mouse(CDrawContext*, CPoint& where, std::int32_t buttons) override {
        record("mouse");
        lastWhere = where;
        lastButtons = buttons;
    }
    bool onWheel(CDrawContext*, const CPoint& where, float distance) override {
        record("wheel");
        lastWhere = where;
        lastDistance = distance;
        return true;
    }
    std::int32_t onKeyDown(CKeyCode& key) override {
        record("key");
        lastKey = key;
        return keyAnswer;
    }
    void onDragEnter(CDrawContext*, CDragContainer*, const CPoint& where) override {
        record("enter");
        lastWhere = where;
    }
    void onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) override { record("leave"); }
    void onDragMove(CDrawContext*, CDragContainer*, const CPoint&) override { record("move"); }
    bool onDrop(CDrawContext*, CDragContainer*, const CPoint&) override {
        record("drop");
        return true;
    }
    void loseFocus(CDrawContext*) override { record("loseFocus"); }

    void record(const char* what) {
        if (log != nullptr) log->push_back(name + ":" + what);
    }

    std::vector<std::string>* log;
    int* destroyed;
    std::string name;
    const CColor* fill = nullptr;
    int draws = 0;
    CPoint lastWhere{-1, -1};
    std::int32_t lastButtons = 0;
    float lastDistance = 0.0f;
    std::int32_t keyAnswer = -1;
    CKeyCode lastKey;
};

} // namespace guitest
