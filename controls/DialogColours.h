#pragma once

#include "framework/Dialog.h"
#include "framework/Handle.h"
#include "framework/MessageMap.h"

#include <utility>

namespace controls {

// The colours of the controller's dialogs: a light surface with black texts
// drawn transparently on it. Each answer starts from the base answer of the
// colour request. In a high-contrast theme the surface and the texts take
// the system's window and window-text colours instead, and a control that
// chose its own colours (the link, which then takes the system's) keeps
// them.
class DialogColours {
public:
    static constexpr COLORREF surface = RGB(244, 237, 231);

    DialogColours();

    // The dialog's own surface: green text on black, transparent.
    framework::MessageResult dialogSurface(HDC dc, framework::MessageResult base) const;
    // Static controls, check boxes and group boxes: black text, transparent.
    framework::MessageResult staticControl(HDC dc, framework::MessageResult base) const;

private:
    framework::Brush staticBrush_;
    framework::Brush dialogBrush_;
};

// Tells every control of `dialog` that the system's colours changed (only
// top-level windows are told by the system) and repaints it all.
void repaintForTheme(HWND dialog);

// A dialog in these colours: `Base` (framework::Dialog or a class derived
// from it) answering its colour requests with DialogColours. A dialog that
// wants another answer for some controls adds its own entry for the request,
// which wins, and calls onCtlColorStatic for the rest. A change of the
// system's colours or settings (a high-contrast theme switched on or off)
// reaches every control and repaints the dialog at once.
template <class Base> class ColouredDialog : public Base {
public:
    template <class... Args>
    explicit ColouredDialog(Args&&... args) : Base(std::forward<Args>(args)...) {
        this->onMessage(WM_CTLCOLORDLG, &ColouredDialog::onCtlColorDlg);
        this->onMessage(WM_CTLCOLORSTATIC, &ColouredDialog::onCtlColorStatic);
        this->onMessage(WM_SYSCOLORCHANGE, &ColouredDialog::onThemeChange);
        this->onMessage(WM_SETTINGCHANGE, &ColouredDialog::onThemeChange);
    }

protected:
    framework::MessageResult onCtlColorDlg(WPARAM wParam, LPARAM lParam) {
        return colours_.dialogSurface(reinterpret_cast<HDC>(wParam),
                                      this->reflectToChild(WM_CTLCOLORDLG, wParam, lParam));
    }
    // Texts, group boxes, icons and links alike: black on the surface. A
    // control's own colour choice (a link's) is the base answer.
    framework::MessageResult onCtlColorStatic(WPARAM wParam, LPARAM lParam) {
        return colours_.staticControl(reinterpret_cast<HDC>(wParam),
                                      this->reflectToChild(WM_CTLCOLORSTATIC, wParam, lParam));
    }

    framework::MessageResult onThemeChange(WPARAM, LPARAM) {
        repaintForTheme(this->handle());
        return std::nullopt;
    }

private:
    DialogColours colours_;
};

} // namespace controls
