#include "vstgui/CTextEdit.h"

#include "base/Text.h"
#include "vstgui/CFrame.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

namespace {

constexpr std::int32_t kEntryLength = 255;   // characters the field takes
constexpr std::size_t kEntryReadSize = 255;  // the field's text is read up to 254 characters
constexpr std::int32_t kFieldFontMargin = 2; // the field's font is this much lower than the edit
constexpr std::int32_t kNormalWeight = 400;

} // namespace

CTextEdit::CTextEdit(const CRect& size, CControlListener* listener, std::int32_t tag,
                     CBitmap* background, std::int32_t style)
    : CParamDisplay(size, background, style) {
    this->listener = listener;
    this->tag = tag;
    setWantsFocus(true);
}

CTextEdit::~CTextEdit() {
    if (field != nullptr) native::closeEntryField(field);
    field = nullptr;
    forgetFieldBrush();
}

void CTextEdit::draw(CDrawContext* context) {
    if (field != nullptr) {
        const CRect device = CRect(size).offset(context->offset.h, context->offset.v);
        native::paintEntryField(context->getSystemContext(), field, device, fontColor, backColor);
        setDirty(false);
        return;
    }
    char shown[kControlTextSize] = "";
    if (editConvertWithData != nullptr)
        editConvertWithData(text, shown, editData);
    else if (editConvert != nullptr)
        editConvert(text, shown);
    else if (convertValue(shown))
        base::copyInto(text, shown);
    else
        base::copyInto(shown, text);
    drawText(context, shown);
}

void CTextEdit::mouse(CDrawContext* context, CPoint&, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if (modifierClickConsumed(context, buttons)) return;
    if ((buttons & kLButton) == 0) return;
    if (parentFrame != nullptr && parentFrame->getFocusView() == this) return;
    if ((style & kDoubleClickStyle) != 0 && !isDoubleClick()) return;
    editing = true;
    beginEdit();
    takeFocus(context);
}

std::int32_t CTextEdit::onKeyDown(CKeyCode& key) {
    if (field == nullptr) return -1;
    switch (native::typeIntoEntryField(field, key.character, key.virt)) {
    case native::EntryKey::edited:
        setDirty();
        return 1;
    case native::EntryKey::returned:
        entryReturned();
        return 1;
    case native::EntryKey::ignored:
        break;
    }
    return -1;
}

void CTextEdit::takeFocus(CDrawContext*) {
    if (field != nullptr || parentFrame == nullptr) return;
    // The edit's rectangle in the frame's window.
    CPoint topLeft(size.left, size.top);
    if (parentView != nullptr) parentView->localToFrame(topLeft);
    const FontTableEntry& face = fontTableEntry(fontId);
    native::EntryFieldRequest request{};
    request.rect = CRect(size).moveTo(topLeft.h, topLeft.v);
    request.text = text;
    request.align = horiAlign;
    request.font.height = -std::max(1, std::min(face.height, size.height() - kFieldFontMargin));
    request.font.weight = kNormalWeight;
    request.font.face = face.face;
    request.maxLength = kEntryLength;
    endedByReturn = false;
    field = native::openEntryField(parentFrame->getNativeWindow(), request, this);
    if (field != nullptr) setDirty();
}

void CTextEdit::loseFocus(CDrawContext* context) {
    if (editing) {
        editing = false;
        endEdit();
    }
    // Cleared first: the focus change below and the field's own farewell
    // come back here and must find nothing left to do.
    native::Handle closing = field;
    field = nullptr;
    if (parentFrame != nullptr && parentFrame->getFocusView() == this)
        parentFrame->setFocusView(nullptr);
    if (closing == nullptr) return;
    char entered[kEntryReadSize] = "";
    native::entryFieldText(closing, entered, sizeof entered);
    native::closeEntryField(closing);
    forgetFieldBrush();
    const bool changed = std::strcmp(entered, text) != 0;
    setText(entered);
    // What lay under the field is drawn again, changed or not.
    setDirty();
    if (changed && listener != nullptr) listener->valueChanged(context, this);
}

bool CTextEdit::isTypeOf(const char* name) const {
    return std::strcmp(name, "CTextEdit") == 0 || CParamDisplay::isTypeOf(name);
}

void CTextEdit::setText(const char* newText) {
    if (newText == nullptr) {
        if (text[0] != 0) {
            text[0] = 0;
            setDirty();
        }
        return;
    }
    if (std::strncmp(newText, text, sizeof text - 1) == 0) return;
    base::copyInto(text, newText);
    setDirty();
}

void CTextEdit::getText(char* buffer, std::size_t size) const {
    if (buffer != nullptr && size > 0) base::copyCut(buffer, text, size - 1);
}

void CTextEdit::setTextEditConvert(TextToText convert) {
    editConvert = convert;
}

void CTextEdit::setTextEditConvert(TextToTextWithData convert, void* data) {
    editConvertWithData = convert;
    editData = data;
}

native::Handle CTextEdit::fieldColours(native::Handle surface) {
    native::setTextColor(surface, fontColor);
    native::setTextBackground(surface, backColor);
    forgetFieldBrush();
    native::reportDrawingRequest(native::DrawingRequest::brush);
    fieldBrush = native::createSolidBrush(backColor);
    return fieldBrush;
}

void CTextEdit::forgetFieldBrush() {
    if (fieldBrush != nullptr) native::deleteObject(fieldBrush);
    fieldBrush = nullptr;
}

void CTextEdit::entryFocusLost() {
    loseFocus(nullptr);
}

void CTextEdit::entryReturned() {
    endedByReturn = true;
    loseFocus(nullptr);
}

} // namespace VSTGUI
