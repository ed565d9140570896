#pragma once

#include "framework/Dialog.h"

namespace testing_support {

// Shows `dialog` modally as the program "Velquin" would, for a screenshot:
// `stage` runs once, a second after the dialog opened (to hover, tick or
// press something), and the dialog ends by itself ten seconds after that.
// Returns the program's exit code.
int runPreview(framework::Dialog& dialog, void (*stage)(framework::Dialog& shown));

} // namespace testing_support
