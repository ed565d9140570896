#pragma once

#include "framework/Control.h"
#include "framework/Handle.h"
#include "framework/ToolTip.h"

#include <string>

namespace controls {

// A static text of a dialog made into a link: drawn in link colours, with a
// hand cursor and a tooltip that shows the address, underlined as asked,
// fitted to its text, and opening the address when clicked (OpenLink in
// LinkOpening.h), or from the keyboard: it is a tab stop, shows a focus
// rectangle, and Enter or Space opens it; screen readers are told it is a
// link (LinkAccessible). Moved with its dialog to a monitor of another
// scale, it takes the dialog's new font and fits itself again. A failed open beeps and explains
// itself in a message box. Attach it during the dialog's data exchange, then call SetLink,
// SetUnderlineMode and SetLinkColors. Before it is attached, the setters
// only store their values.
class HyperlinkLabel : public framework::Control {
public:
    static constexpr COLORREF defaultColour = RGB(255, 202, 19);
    // A hover colour of this value means the system's highlight colour.
    static constexpr COLORREF highlightColour = CLR_INVALID;
    // Underline modes; any other value never underlines.
    static constexpr int underlineAlways = 1;
    static constexpr int underlineWhileHovering = -1;
    static constexpr UINT_PTR hoverTimerId = 100;
    static constexpr UINT hoverTimerPeriod = 100;
    static constexpr UINT_PTR toolId = 1;

    HyperlinkLabel();
    ~HyperlinkLabel() override;

    // Stores the address; with a window, fits the control to its text again
    // and shows the address in the tooltip.
    void SetLink(const std::string& url);
    void SetLinkColors(COLORREF link, COLORREF visited, COLORREF hover);
    void SetVisitedState(bool visited);
    void SetUnderlineMode(int mode);
    // Resizes the control to its text; see FitRect.
    void FitToText();

    const std::string& url() const { return url_; }
    bool isHovering() const { return hovering_; }
    bool isVisited() const { return visited_; }
    // The colour the text is drawn in now: in a high-contrast theme the
    // system's colour of links, whatever the link colours.
    COLORREF textColour() const;
    HCURSOR cursor() const { return linkCursor_.get(); }
    HFONT underlineFont() const { return underlineFont_.get(); }
    HFONT normalFont() const { return normalFont_.get(); }
    const framework::ToolTip& toolTip() const { return toolTip_; }

    bool preTranslateMessage(MSG& msg) override;

    // Where a control whose window rectangle is `window` (in its parent's
    // coordinates) and whose client area is `client` goes to fit a text of
    // `text`: the borders keep their widths; with SS_CENTERIMAGE the
    // vertical centre stays, else the top; a centred text (SS_CENTER) keeps
    // its horizontal centre, a right-aligned one (SS_RIGHT) its right edge,
    // any other its left edge. Halves of odd differences truncate toward
    // zero.
    static RECT FitRect(const RECT& window, SIZE client, SIZE text, LONG_PTR style);

protected:
    void onAttached() override;

private:
    void LoadHandCursor();
    void createFonts();
    // The plain and underlined fonts as copies of `like`.
    void createFontsLike(HFONT like);
    void setFont(HFONT font);
    void repaint();
    bool hasWindow() const { return IsWindow(handle()) != FALSE; }

    framework::MessageResult onCtlColor(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onSetCursor(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onMouseMove(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onTimer(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onEraseBackground(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onDestroy(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onGetDlgCode(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onKeyDown(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onFocusChange(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onPaint(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onGetObject(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onOpenRequest(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onDpiChanged(WPARAM wParam, LPARAM lParam);
    void onClicked();

    COLORREF linkColour_ = defaultColour;
    COLORREF visitedColour_ = defaultColour;
    COLORREF hoverColour_ = defaultColour;
    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = underlineWhileHovering;
    std::string url_;
    // The font the control had when attached: it gets it back when the
    // label goes before its window, so the window never keeps a deleted one.
    HFONT originalFont_ = nullptr;
    framework::Font underlineFont_;
    framework::Font normalFont_;
    framework::Icon linkCursor_;
    framework::ToolTip toolTip_;
};

} // namespace controls
