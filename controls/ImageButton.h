#pragma once

#include "framework/Control.h"
#include "framework/Dpi.h"
#include "framework/Handle.h"
#include "framework/ToolTip.h"

namespace controls {

// The controller's command button: an owner-drawn push button with no face
// of its own (the dialog behind it shows through), one icon at its left and
// its caption centred in the width that remains; a raised edge while the
// mouse is over it, a sunken one while pressed, and a tooltip. Clicks,
// keyboard activation and the default-button handling stay the platform's.
// In a high-contrast theme it is a framed button in the system's button
// colours instead, the frame in the highlight colour while the mouse is
// over it or it is pressed.
// Its metrics (the margins, the shift, the frame, the icon of 32 pixels)
// are those at 96 DPI, scaled to the scale of its dialog; the icon is the
// image of the resource nearest that size, and both follow the dialog to a
// monitor of another scale.
class ImageButton : public framework::Control {
public:
    static constexpr int iconMargin = 3;
    static constexpr POINT pressShift{1, 1};
    static constexpr int focusInset = 3;
    static constexpr int iconSize = 32;

    ImageButton();
    ~ImageButton() override;

    // 0 on success (also when the resource does not load: the button then
    // has no icon); 1 when the loaded icon cannot be queried.
    int AssignIcon(WORD iconId);
    int ShowFocusRect(bool show, bool repaint);
    void SetHint(const char* text, bool activate);
    void UseParentBackground(bool repaint);

    bool isHovering() const { return hovering_; }
    int iconWidth() const { return iconWidth_; }
    bool isDefault() const { return isDefault_; }
    const framework::ToolTip& toolTip() const { return toolTip_; }

    bool preTranslateMessage(MSG& msg) override;

    // Where the icon goes: the item rectangle with its top-left corner
    // moved; with a caption, captionRect loses the icon's width plus the
    // margin on its left. Halves truncate toward zero; the margin and the
    // shift are scaled to `dpi`.
    static RECT PlaceIcon(bool hasCaption, const RECT& item, RECT& captionRect, bool pressed,
                          int iconWidth, int iconHeight, UINT dpi = framework::baseDpi);
    // The measured text block (`measured`, whose top-left is that of
    // `bounds`) centred in `bounds`, halves truncating toward zero.
    static RECT CentreCaption(const RECT& bounds, const RECT& measured);

protected:
    void onAttached() override;

    // The drawing steps after the parent's background, in this order.
    virtual void PaintBorder(HDC dc, const RECT& item);
    virtual void PaintIcon(HDC dc, bool hasCaption, const RECT& item, RECT& captionRect);
    virtual void PaintCaption(HDC dc, const std::string& caption, RECT& captionRect);

private:
    void PaintParentBackground(HDC dc);
    void EndHover();
    void dropSnapshot();
    void repaint();
    void ensureToolTip();

    framework::MessageResult onDrawItem(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onClicked(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onCtlColor(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onMouseMove(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onMouseLeave(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onKillFocus(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onActivate(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onCancelMode(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onEnable(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onSysColorChange(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onGetDlgCode(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onSetStyle(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onGetCheck(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onSetCheck(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onDpiChanged(WPARAM wParam, LPARAM lParam);
    UINT dpi() const;

    bool hovering_ = false;
    bool transparent_ = false;
    bool pressed_ = false;
    bool focused_ = false;
    bool disabled_ = false;
    bool isDefault_ = false;
    bool showFocusRect_ = false;
    COLORREF textColour_;
    framework::ToolTip toolTip_;
    framework::MemoryDc backgroundDC_;
    framework::Bitmap backgroundBitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    framework::Icon icon_;
    WORD iconId_ = 0;
    int iconWidth_ = 0;
    int iconHeight_ = 0;
};

} // namespace controls
