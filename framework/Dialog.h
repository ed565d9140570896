#pragma once

#include "framework/DpiLayout.h"
#include "framework/Handle.h"
#include "framework/Window.h"

namespace framework {

class DataExchange;

// A dialog made from a template resource. runModal() runs it with the
// framework's own modal loop, so that the pre-translate step of its windows
// sees every message (tooltips and the image button rely on it); create()
// makes it modeless, which is how tests drive a dialog.
class Dialog : public Window {
public:
    explicit Dialog(UINT templateId);
    ~Dialog() override;

    // Shows the dialog modally and returns the value given to endDialog, or
    // -1 when the dialog could not be created. Without an owner the thread's
    // active window becomes the owner; the owner is disabled meanwhile.
    INT_PTR runModal(HWND owner = nullptr);
    // Creates the dialog modeless; false when the template cannot be used.
    bool create(HWND parent = nullptr);
    void endDialog(INT_PTR result);

    // Data exchange: false means pushing (members to controls), true pulling
    // (controls to members, validating). Returns false when validation failed;
    // the user has then been told why.
    bool updateData(bool save);

    // While one exists, the dialog ignores every command (its buttons, menus,
    // Enter and Esc) and the close command of its system menu: a handler
    // that waits with its messages processed (PumpingWait) cannot be
    // started again, nor its window closed, meanwhile. Everything else
    // (painting, moving, minimising, sent messages) goes on as usual.
    class BusyScope {
    public:
        explicit BusyScope(Dialog& dialog) : dialog_(dialog), wasBusy_(dialog.busy_) {
            dialog_.busy_ = true;
        }
        ~BusyScope() { dialog_.busy_ = wasBusy_; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        Dialog& dialog_;
        bool wasBusy_;
    };

    HWND item(int id) const { return GetDlgItem(handle(), id); }
    // The scale the dialog is laid out for: its monitor's when it was made,
    // and each new one it was moved to since (WM_DPICHANGED).
    UINT dpi() const { return dpi_; }
    // The scale of `window`: that of the framework dialog it is or is a
    // control of, else its monitor's.
    static UINT dpiOf(HWND window);
    bool isBusy() const { return busy_; }
    bool isEnded() const { return ended_; }
    INT_PTR result() const { return result_; }

protected:
    // Runs once the window exists, before its first message (WM_SETFONT or
    // WM_INITDIALOG) reaches the message table. A dialog procedure never
    // sees WM_CREATE, so this is where a dialog learns of its creation.
    virtual void onCreate() {}
    // The framework's dialog initialisation attaches the controls and pushes
    // the members to them; the result says whether the system should set the
    // focus to the first control.
    virtual BOOL onInitDialog();
    virtual void doDataExchange(DataExchange&) {}
    // Enter and the OK button: pull the data and end with IDOK.
    virtual void onOK();
    // Esc, the close box and the Cancel button: end with IDCANCEL.
    virtual void onCancel();

    // Below a separator at the end of the window's system menu, an item with
    // the text of string `stringId`; nothing when the window has no system
    // menu or the string is missing.
    void appendSystemMenuItem(UINT stringId, UINT commandId);
    // The window's large and small icon from icon resource `iconId`, each
    // the image of the size the system shows at the dialog's scale; the
    // large one is also drawn in the middle of the minimised window and
    // given as its drag icon.
    void setIcon(WORD iconId);
    // The answer of the control that asked for its colours (the base answer
    // of a colour request), or nothing when the control has none.
    MessageResult reflectToChild(UINT message, WPARAM wParam, LPARAM lParam);

    MessageResult route(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static HWND notifyingChild(UINT message, LPARAM lParam);

    UINT templateId_;
    bool ended_ = false;
    bool busy_ = false;
    INT_PTR result_ = 0;
    Icon icon_;
    Icon smallIcon_;

    UINT dpi_ = 96;
    DpiLayout layout_;

    MessageResult onPaintMinimised(WPARAM wParam, LPARAM lParam);
    MessageResult onQueryDragIcon(WPARAM wParam, LPARAM lParam);
    // Moved to a monitor of another scale: the dialog lays itself out again
    // in the window rectangle the system suggests.
    MessageResult onDpiChanged(WPARAM wParam, LPARAM lParam);
    MessageResult onGetFont(WPARAM wParam, LPARAM lParam);
};

} // namespace framework
