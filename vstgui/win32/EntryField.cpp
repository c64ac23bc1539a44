// The text entry field on Windows: the system's single-line edit control
// over the text edit, subclassed so that Return and the loss of focus reach
// the field's owner. The control draws itself; the frame's window gives it
// its colours.
#include "vstgui/win32/System.h"

#include "vstgui/Native.h"

#include "platform/win32/OwnModule.h"

namespace VSTGUI {
namespace win32 {

namespace {

constexpr std::size_t kLastTextSize = 256;

// edit: the edit control; none once it is destroyed (with its parent, say).
// font: made for the control, deleted with the field.
// systemProcedure: the edit control's own window procedure.
// owner: told of Return and of the loss of focus; none while closing.
// lastText: the text as the control was destroyed, for a read after that.
struct EntryField {
    HWND edit = nullptr;
    HFONT font = nullptr;
    WNDPROC systemProcedure = nullptr;
    native::EntryFieldOwner* owner = nullptr;
    char lastText[kLastTextSize] = {};
};

EntryField* fieldOf(HWND edit) {
    return reinterpret_cast<EntryField*>(GetWindowLongPtrA(edit, GWLP_USERDATA));
}

LRESULT CALLBACK entryProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    EntryField* field = fieldOf(edit);
    if (field == nullptr) return DefWindowProcA(edit, message, wParam, lParam);
    const WNDPROC systemProcedure = field->systemProcedure;
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KILLFOCUS:
        // The owner closes the field: nothing of it may be touched afterwards.
        if (native::EntryFieldOwner* owner = field->owner) {
            owner->entryFocusLost();
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && field->owner != nullptr) {
            field->owner->entryReturned();
            return 0;
        }
        break;
    case WM_DESTROY:
        GetWindowTextA(edit, field->lastText, sizeof field->lastText);
        break;
    case WM_NCDESTROY:
        field->edit = nullptr;
        SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(systemProcedure));
        break;
    default:
        break;
    }
    return CallWindowProcA(systemProcedure, edit, message, wParam, lParam);
}

DWORD alignmentStyle(std::int32_t align) {
    if (align == 1) return ES_CENTER;
    if (align == 2) return ES_RIGHT;
    return ES_LEFT;
}

} // namespace
} // namespace win32

namespace native {

using namespace win32;

Handle openEntryField(Handle window, const EntryFieldRequest& request, EntryFieldOwner* owner) {
    if (window == nullptr) return nullptr;
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | alignmentStyle(request.align);
    HWND edit = CreateWindowExA(0, "EDIT", request.text, style, request.rect.left, request.rect.top,
                                request.rect.width(), request.rect.height(),
                                static_cast<HWND>(window), nullptr, platform::ownModule(), nullptr);
    if (edit == nullptr) return nullptr;
    auto* field = new EntryField;
    field->edit = edit;
    field->owner = owner;
    field->font = static_cast<HFONT>(createFont(request.font));
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(field->font), TRUE);
    SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 0));
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(request.maxLength), 0);
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(field));
    field->systemProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entryProcedure)));
    SetFocus(edit);
    return field;
}

void closeEntryField(Handle handle) {
    auto* field = static_cast<EntryField*>(handle);
    if (field == nullptr) return;
    field->owner = nullptr;
    if (field->edit != nullptr) DestroyWindow(field->edit);
    if (field->font != nullptr) deleteObject(field->font);
    delete field;
}

void entryFieldText(Handle handle, char* text, std::size_t size) {
    auto* field = static_cast<EntryField*>(handle);
    if (text == nullptr || size == 0) return;
    text[0] = 0;
    if (field == nullptr) return;
    if (field->edit != nullptr) {
        GetWindowTextA(field->edit, text, static_cast<int>(size));
        return;
    }
    lstrcpynA(text, field->lastText, static_cast<int>(size));
}

// The system feeds the edit control with keys and draws it.
EntryKey typeIntoEntryField(Handle, std::int32_t, std::int32_t) {
    return EntryKey::ignored;
}

void paintEntryField(Handle, Handle, const CRect&, const CColor&, const CColor&) {}

} // namespace native
} // namespace VSTGUI
