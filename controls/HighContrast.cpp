#include "controls/HighContrast.h"

namespace controls {

namespace {
bool askSystem() {
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

HighContrastQuery query = &askSystem;
} // namespace

bool highContrastOn() {
    return query();
}

void setHighContrastQuery(HighContrastQuery replacement) {
    query = replacement != nullptr ? replacement : &askSystem;
}

} // namespace controls
