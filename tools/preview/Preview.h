#pragma once

#include "framework/Dialog.h"

#include <functional>

namespace preview {

// Shows `dialog` modally as the program "Velquin" would, for a screenshot:
// `stage` runs once, a second after the dialog opened (to hover, tick or
// press something), and the dialog ends by itself ten seconds after that.
// Returns the program's exit code.
int runPreview(framework::Dialog& dialog, void (*stage)(framework::Dialog& shown));

// Prints "staged" on standard output, for scripts/shot to take its picture,
// once `done` holds. It is asked on a timer, whose message comes only when
// the thread has nothing else queued: whatever the stage posted has been
// handled and painted by then.
void reportStagedWhen(std::function<bool()> done);
inline void reportStaged() {
    reportStagedWhen([] { return true; });
}

} // namespace preview
