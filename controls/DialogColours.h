#pragma once

#include "framework/Handle.h"
#include "framework/MessageMap.h"

namespace controls {

// The colours of the controller's dialogs: a light surface with black texts
// drawn transparently on it. Each answer starts from the base answer of the
// colour request; without its brush (after release()) that answer stands.
class DialogColours {
public:
    static constexpr COLORREF surface = RGB(244, 237, 231);

    DialogColours();

    // The brushes belong to the dialog's window: released when it goes.
    void release();

    // The dialog's own surface: green text on black, transparent.
    framework::MessageResult dialogSurface(HDC dc, framework::MessageResult base) const;
    // Static controls, check boxes and group boxes: black text, transparent.
    framework::MessageResult staticControl(HDC dc, framework::MessageResult base) const;

private:
    framework::Brush staticBrush_;
    framework::Brush dialogBrush_;
};

} // namespace controls
