// A control that shows its value as text: through a converter of the
// owner's, or with two decimals; with its own font, colours, alignment,
// frame styles and shadow.
#pragma once

#include "vstgui/CControl.h"

namespace VSTGUI {

// The display's style bits.
enum CParamDisplayStyle : std::int32_t {
    kShadowText = 0x4,
    k3DIn = 0x80,
    k3DOut = 0x100,
    kNoTextStyle = 0x800,
    kNoDrawStyle = 0x1000,
    kDoubleClickStyle = 0x2000, // a text edit opens only on a double click
    kNoFrame = 0x4000,
};

// Bytes of a control's text: what its converters write into (at most
// kControlTextSize - 1 characters and a terminating zero) and what a text edit holds.
constexpr std::size_t kControlTextSize = 256;
using ValueToText = void (*)(float value, char* text);
using ValueToTextWithData = void (*)(float value, char* text, void* userData);
using TextToValue = void (*)(char* text, float& value);

class CParamDisplay : public CControl {
public:
    // No listener, tag 0.
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, std::int32_t style = 0);

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* name) const override;

    // These mark the display dirty only when the setting changes.
    virtual void setFont(std::int32_t id);
    virtual void setFontColor(const CColor& color);
    virtual void setBackColor(const CColor& color);
    virtual void setFrameColor(const CColor& color);
    virtual void setShadowColor(const CColor& color);
    virtual void setHoriAlign(std::int32_t align);
    // The converters are only stored; the one with data comes first.
    virtual void setStringConvert(ValueToTextWithData convert, void* data);
    virtual void setStringConvert(ValueToText convert);
    virtual void setStringConvert(TextToValue convert);
    virtual void setStyle(std::int32_t bits);
    virtual void setTxtFace(std::int32_t bits);
    virtual void setTextTransparency(bool transparent);

    std::int32_t getFont() const { return fontId; }
    const CColor& getFontColor() const { return fontColor; }
    const CColor& getBackColor() const { return backColor; }
    std::int32_t getHoriAlign() const { return horiAlign; }
    std::int32_t getStyle() const { return style; }

protected:
    // The value's text through the display's converters, or "%2.2f"; false
    // when the display has no converter.
    bool convertValue(char* text) const;
    // The display's frame, background and text (the text may be empty).
    void drawText(CDrawContext* context, const char* text);

    // valueToText / valueToTextWithData: the owner's converters, the second first.
    // textToValue: stored for the owner, never called here. userData: for the second.
    // horiAlign: 0 left, 1 centre, 2 right. style: CParamDisplayStyle bits.
    // fontId / txtFace: font table id and style bits (bold, italic, underline).
    // fontColor / backColor / frameColor / shadowColor: text, fill, outline, shadow.
    // textTransparency: the text leaves its background alone.
    ValueToText valueToText = nullptr;
    ValueToTextWithData valueToTextWithData = nullptr;
    TextToValue textToValue = nullptr;
    void* userData = nullptr;
    std::int32_t horiAlign = kCenterText;
    std::int32_t style;
    std::int32_t fontId = kNormalFont;
    std::int32_t txtFace = kNormalFace;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CColor shadowColor = kRedCColor;
    bool textTransparency = true;
};

} // namespace VSTGUI
