#pragma once

#include <windows.h>

namespace controls_testing {

// A dialog's answers to the colour requests of its own surface and of one
// of its static controls.
struct ColourAnswers {
    LRESULT surface = 0;
    LRESULT staticControl = 0;
};

// Asks `dialog` for the colours of its surface and of `staticControl` on
// `dc` and expects the controller's rule: green on black, transparent, on
// the surface brush; black text, transparent, the background colour left
// alone, on a brush of its own with the surface colour.
ColourAnswers expectColourRule(HWND dialog, HWND staticControl, HDC dc);

} // namespace controls_testing
