// The text entry field of the software backend: it keeps the text, the
// caret and the selection, takes the keys typed into the frame, and is drawn
// by the toolkit into the frame's surfaces, the way the system's edit
// control looks: all text selected when it opens, a caret after that.
#include "vstgui/software/Objects.h"

#include "vstgui/VirtualKeys.h"

#include <algorithm>
#include <string>

namespace VSTGUI {
namespace software {

namespace {

constexpr CColor kSelectionColor = {0, 120, 215, 255};
constexpr std::int32_t kFirstPrintable = 32;
constexpr std::int32_t kDeleteCharacter = 127;
constexpr std::int32_t kCharacterCount = 256;
constexpr std::int32_t kBoldWeight = 700;

// text: what has been typed; caret: the insertion point, a character index.
// allSelected: the whole text is selected, as when the field opens.
// align: 0 left, 1 centre, 2 right. maxLength: characters the field takes.
// font: the field's own font.
struct EntryField : Object {
    explicit EntryField(const native::EntryFieldRequest& request)
        : Object(Kind::entryField), text(request.text != nullptr ? request.text : ""),
          caret(text.size()), align(request.align),
          maxLength(static_cast<std::size_t>(std::max(request.maxLength, 0))),
          font(std::abs(request.font.height), request.font.weight >= kBoldWeight,
               request.font.italic, request.font.underline) {
        if (text.size() > maxLength) text.resize(maxLength);
        caret = text.size();
    }

    // Removes the selection; true when there was one.
    bool dropSelection() {
        if (!allSelected) return false;
        allSelected = false;
        text.clear();
        caret = 0;
        return true;
    }

    std::string text;
    std::size_t caret;
    bool allSelected = true;
    std::int32_t align;
    std::size_t maxLength;
    Font font;
};

EntryField* fieldOf(native::Handle handle) {
    return as<EntryField>(handle, Kind::entryField);
}

void fill(Surface& surface, const CRect& rect, const CColor& color) {
    const CRect area = CRect(rect).bound(surface.drawable());
    const std::uint32_t pixel = 0xFF000000u | (std::uint32_t(color.red) << 16) |
                                (std::uint32_t(color.green) << 8) | color.blue;
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        std::fill(surface.image->row(y) + area.left, surface.image->row(y) + area.right, pixel);
}

// Moves the caret; a selection collapses to the end the key points at.
native::EntryKey moveCaret(EntryField& field, std::int32_t virtualKey) {
    const bool toEnd = virtualKey == kVirtualKeyRight || virtualKey == kVirtualKeyEnd;
    if (field.allSelected) {
        field.allSelected = false;
        field.caret = toEnd ? field.text.size() : 0;
    } else if (virtualKey == kVirtualKeyHome) {
        field.caret = 0;
    } else if (virtualKey == kVirtualKeyEnd) {
        field.caret = field.text.size();
    } else if (virtualKey == kVirtualKeyLeft) {
        field.caret -= field.caret > 0 ? 1 : 0;
    } else {
        field.caret += field.caret < field.text.size() ? 1 : 0;
    }
    return native::EntryKey::edited;
}

} // namespace
} // namespace software

namespace native {

using namespace software;

Handle openEntryField(Handle window, const EntryFieldRequest& request, EntryFieldOwner*) {
    auto* frameWindow = as<Window>(window, Kind::window);
    if (frameWindow == nullptr || frameWindow->destroyed) return nullptr;
    return new EntryField(request);
}

void closeEntryField(Handle field) {
    delete fieldOf(field);
}

void entryFieldText(Handle handle, char* text, std::size_t size) {
    if (text == nullptr || size == 0) return;
    text[0] = 0;
    if (EntryField* field = fieldOf(handle)) {
        const std::size_t length = std::min(field->text.size(), size - 1);
        field->text.copy(text, length);
        text[length] = 0;
    }
}

EntryKey typeIntoEntryField(Handle handle, std::int32_t character, std::int32_t virtualKey) {
    EntryField* field = fieldOf(handle);
    if (field == nullptr) return EntryKey::ignored;
    switch (virtualKey) {
    case kVirtualKeyReturn:
    case kVirtualKeyEnter:
        return EntryKey::returned;
    case kVirtualKeyBack:
        if (!field->dropSelection() && field->caret > 0) field->text.erase(--field->caret, 1);
        return EntryKey::edited;
    case kVirtualKeyDelete:
        if (!field->dropSelection() && field->caret < field->text.size())
            field->text.erase(field->caret, 1);
        return EntryKey::edited;
    case kVirtualKeyLeft:
    case kVirtualKeyRight:
    case kVirtualKeyHome:
    case kVirtualKeyEnd:
        return moveCaret(*field, virtualKey);
    default:
        break;
    }
    if (character < kFirstPrintable || character == kDeleteCharacter ||
        character >= kCharacterCount)
        return EntryKey::ignored;
    field->dropSelection();
    if (field->text.size() < field->maxLength)
        field->text.insert(field->caret++, 1, static_cast<char>(character));
    return EntryKey::edited;
}

void paintEntryField(Handle surfaceHandle, Handle handle, const CRect& rect,
                     const CColor& textColor, const CColor& backColor) {
    Surface* surface = as<Surface>(surfaceHandle, Kind::surface);
    EntryField* field = fieldOf(handle);
    if (surface == nullptr || field == nullptr) return;
    // Everything stays inside the field.
    const CRect savedClip = surface->clip;
    const bool savedClipped = surface->clipped;
    surface->clip = CRect(rect).bound(surface->drawable());
    surface->clipped = true;
    fill(*surface, rect, backColor);

    const char* text = field->text.c_str();
    const int width = textExtent(field->font, text);
    int x = rect.left;
    if (field->align == 1)
        x = rect.left + (rect.width() - width) / 2;
    else if (field->align == 2)
        x = rect.right - width;
    const std::string before = field->text.substr(0, field->caret);
    int caretX = x + textExtent(field->font, before.c_str());
    // A text wider than the field scrolls so that the caret stays in sight.
    if (caretX >= rect.right) {
        x -= caretX - rect.right + 1;
        caretX = rect.right - 1;
    } else if (caretX < rect.left) {
        x += rect.left - caretX;
        caretX = rect.left;
    }
    const int lineTop = rect.top + (rect.height() - lineHeight(field->font)) / 2;
    const int lineBottom = lineTop + lineHeight(field->font);
    const bool selected = field->allSelected && !field->text.empty();
    if (selected) fill(*surface, CRect(x, lineTop, x + width, lineBottom), kSelectionColor);

    Font* savedFont = surface->font;
    const CColor savedTextColor = surface->textColor;
    const bool savedTransparency = surface->transparentBackground;
    surface->font = &field->font;
    surface->textColor = selected ? kWhiteCColor : textColor;
    surface->transparentBackground = true;
    drawText(*surface, text, CRect(x, rect.top, x + width, rect.bottom), 0);
    surface->font = savedFont;
    surface->textColor = savedTextColor;
    surface->transparentBackground = savedTransparency;
    if (!field->allSelected)
        fill(*surface, CRect(caretX, lineTop, caretX + 1, lineBottom), textColor);

    surface->clip = savedClip;
    surface->clipped = savedClipped;
}

} // namespace native
} // namespace VSTGUI
