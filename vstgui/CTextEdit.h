// A display whose text the user can type: a click opens a single-line entry
// field over it; Return or the loss of focus ends the entry, and the
// listener hears of a changed text.
#pragma once

#include "vstgui/CParamDisplay.h"

namespace VSTGUI {

using TextToText = void (*)(char* input, char* output);
using TextToTextWithData = void (*)(char* input, char* output, void* userData);

class CTextEdit : public CParamDisplay, private native::EntryFieldOwner {
public:
    CTextEdit(const CRect& size, CControlListener* listener, std::int32_t tag,
              CBitmap* background = nullptr, std::int32_t style = 0);
    // An entry still open is closed without telling anyone.
    ~CTextEdit() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    // Keys typed into the frame reach a field that the toolkit feeds.
    std::int32_t onKeyDown(CKeyCode& key) override;
    // Opens the entry field.
    void takeFocus(CDrawContext* context = nullptr) override;
    // Ends the entry: the field's text becomes the text.
    void loseFocus(CDrawContext* context = nullptr) override;
    bool isTypeOf(const char* name) const override;

    // Marks the edit dirty when the text changes; none clears it.
    virtual void setText(const char* newText);
    // Copies the text into a buffer of size characters.
    virtual void getText(char* buffer, std::size_t size = kControlTextSize) const;
    virtual void setTextEditConvert(TextToText convert);
    virtual void setTextEditConvert(TextToTextWithData convert, void* data);

    bool isEditing() const { return field != nullptr; }
    bool wasEndedByReturn() const { return endedByReturn; }
    // The open field asks for its colours (UI thread, from the frame's
    // window): the surface gets the edit's text and background colours, and
    // the answer is a brush of the background colour that the edit keeps.
    native::Handle fieldColours(native::Handle surface);

private:
    void entryFocusLost() override;
    void entryReturned() override;
    void forgetFieldBrush();

    // field: the open entry field; none while not editing.
    // fieldBrush: the background brush last given to the field; deleted with the next.
    // editing: an edit was begun with the frame's owner and not yet ended.
    // endedByReturn: the last entry ended with Return.
    // text: the text, at most kControlTextSize - 1 characters.
    // editConvert / editConvertWithData / editData: converters of the text for showing.
    native::Handle field = nullptr;
    native::Handle fieldBrush = nullptr;
    bool editing = false;
    bool endedByReturn = false;
    char text[kControlTextSize] = {};
    TextToText editConvert = nullptr;
    TextToTextWithData editConvertWithData = nullptr;
    void* editData = nullptr;
};

} // namespace VSTGUI
