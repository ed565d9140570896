#pragma once

#include <windows.h>

namespace controls {

// Whether a high-contrast theme is on (SPI_GETHIGHCONTRAST). The dialogs,
// the image buttons and the link then draw with the system's colours
// instead of their own, and follow a change of theme at once.
bool highContrastOn();

// Replaces the question with `query`, or with the system's again when null:
// how tests and previews put the controls in a theme.
using HighContrastQuery = bool (*)();
void setHighContrastQuery(HighContrastQuery query);

} // namespace controls
