#pragma once

#include <windows.h>

#include <functional>

namespace testing_support {

// Processes this thread's messages until `condition` holds or `timeoutMs`
// has passed; returns whether it holds. Never a fixed sleep: it wakes for
// every message and re-checks at least every 10 ms.
bool waitUntil(const std::function<bool()>& condition, unsigned timeoutMs = 10000);

// Processes messages until `window` is visible and it and every window
// inside it have painted; returns whether that happened in time.
bool waitUntilPainted(HWND window, unsigned timeoutMs = 10000);

} // namespace testing_support
