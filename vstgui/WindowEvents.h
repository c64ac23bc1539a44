// What the frame's window does with the system's messages, apart from the
// system calls around them; both window backends call these.
#pragma once

#include "vstgui/CFrame.h"

namespace VSTGUI {

class CDragContainer;

namespace windowEvents {

// The drop effects a drop target reports.
enum DropEffect : std::uint32_t { kDropNone = 0, kDropMove = 2 };

// The system's pixels are the window's device pixels; the frame gets them
// in its toolkit pixels (Scale.h).
// A paint request for paintRect on paintSurface: drawn into the back buffer
// and copied out, or straight onto the paint surface without a back buffer.
void paint(CFrame* frame, native::Handle paintSurface, const CRect& paintRect);
// A button went down at where (window coordinates); buttons are the buttons
// and modifiers that the system reported with the press. A click that is
// over before the frame polls the pointer still counts. A frame that closes
// during the press goes when the press is done; presses and the wheel
// reaching a closing frame do nothing.
void buttonDown(CFrame* frame, const CPoint& where, std::int32_t buttons);
// A wheel turned by delta units (120 per notch) with the cursor at screenPoint.
void wheel(CFrame* frame, const CPoint& screenPoint, std::int32_t delta);
// The window is being destroyed.
void destroyed(CFrame* frame);
// The system draws the window at another scale now.
void scaleChanged(CFrame* frame);
// The entry field of the focus view asks for its colours on surface; answers
// the background brush, or none when no text edit is editing.
native::Handle editFieldColours(CFrame* frame, native::Handle surface);

// A drag entered with dataObject; answers the effect. Without a data object
// or a frame nothing is routed.
std::uint32_t dragEnter(CFrame* frame, native::Handle dataObject);
// True when a drag in progress was routed (the effect is then a move).
bool dragOver(CFrame* frame);
void dragLeave(CFrame* frame);
void drop(CFrame* frame);
// The one drag in progress in the process, or none.
CDragContainer* currentDrag();

} // namespace windowEvents
} // namespace VSTGUI
