#pragma once

#include <windows.h>

#include <string>

namespace framework {

// A tooltip control owned by a window, with the few tool operations the
// controls need. The tooltip is a top-level popup owned by the owner's
// top-level window; it is destroyed with this object unless that window
// has taken it along already.
class ToolTip {
public:
    ToolTip() = default;
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;
    ~ToolTip() { destroy(); }

    // Creates the tooltip (WS_POPUP plus `style`); false when it fails.
    bool create(HWND owner, DWORD style = 0);
    bool exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
    HWND handle() const { return hwnd_; }
    void destroy();

    void activate(bool active);
    void setMaxTipWidth(int pixels);
    int toolCount() const;
    // A tool that `window` owns, with identifier `id`, covering `rect` (in
    // the window's client coordinates); the window is not subclassed, so
    // its mouse messages must be relayed.
    bool addTool(HWND window, UINT_PTR id, const RECT& rect, const std::string& text);
    void updateTipText(HWND window, UINT_PTR id, const std::string& text);
    // The text of a tool, as the tooltip holds it.
    std::string toolText(HWND window, UINT_PTR id) const;
    // The tool's rectangle; an empty one when there is no such tool.
    RECT toolRect(HWND window, UINT_PTR id) const;
    // Moves the tool to `rect`, as after its window was resized.
    void setToolRect(HWND window, UINT_PTR id, const RECT& rect);
    void relayEvent(const MSG& msg);

private:
    HWND hwnd_ = nullptr;
};

} // namespace framework
