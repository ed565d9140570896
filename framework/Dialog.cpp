#include "framework/Dialog.h"

#include "framework/Control.h"
#include "framework/DataExchange.h"
#include "framework/Dpi.h"
#include "framework/MessageLoop.h"
#include "framework/Resources.h"

#include <utility>

namespace framework {

namespace {
// The dialog being created on this thread: messages such as WM_SETFONT
// arrive before WM_INITDIALOG hands over the object pointer.
thread_local Dialog* creating = nullptr;

bool isColorRequest(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// What a busy dialog ignores: commands and the system menu's Close (the
// close box and Alt+F4 come as that too).
bool isUserCommand(UINT message, WPARAM wParam) {
    return message == WM_COMMAND || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE);
}

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool returnsDirectly(UINT message) {
    return isColorRequest(message) || message == WM_INITDIALOG || message == WM_QUERYDRAGICON ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM;
}
} // namespace

Dialog::Dialog(UINT templateId) : templateId_(templateId) {
    onMessage(WM_PAINT, &Dialog::onPaintMinimised);
    onMessage(WM_QUERYDRAGICON, &Dialog::onQueryDragIcon);
    onMessage(dpiChangedMessage, &Dialog::onDpiChanged);
    onMessage(WM_GETFONT, &Dialog::onGetFont);
}

Dialog::~Dialog() {
    // The derived parts of the object are gone by now: the window's last
    // messages must not reach their handlers, so the object lets go of the
    // window before destroying it.
    if (HWND window = handle()) {
        unbind();
        DestroyWindow(window);
    }
}

bool Dialog::create(HWND parent) {
    ended_ = false;
    creating = this;
    HWND hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                                   &dialogProc, reinterpret_cast<LPARAM>(this));
    creating = nullptr;
    return hwnd != nullptr;
}

INT_PTR Dialog::runModal(HWND owner) {
    if (owner == nullptr)
        owner = GetActiveWindow();
    if (!create(owner))
        return -1;
    bool disabledOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disabledOwner)
        EnableWindow(owner, FALSE);
    if (!ended_ && !IsWindowVisible(handle()))
        ShowWindow(handle(), SW_SHOWNORMAL);

    MSG msg;
    while (!ended_) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT ends the dialog; the outer loop must see it too.
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        MessageLoop::process(msg);
    }

    // Re-enable the owner before the dialog goes, so that the system gives
    // the activation back to it rather than to some other program.
    if (disabledOwner)
        EnableWindow(owner, TRUE);
    if (handle() != nullptr)
        DestroyWindow(handle());
    return result_;
}

void Dialog::endDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // The modal loop looks at the flag after each message it takes from
    // the queue; a sent message (another program's) is handled inside that
    // wait and would leave the loop asleep until some later message came.
    if (handle() != nullptr)
        PostMessageA(handle(), WM_NULL, 0, 0);
}

void Dialog::appendSystemMenuItem(UINT stringId, UINT commandId) {
    HMENU systemMenu = GetSystemMenu(handle(), FALSE);
    std::string text = loadString(stringId);
    if (systemMenu == nullptr || text.empty())
        return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, commandId, text.c_str());
}

void Dialog::setIcon(WORD iconId) {
    auto load = [this, iconId](int width, int height) {
        return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId),
                                             IMAGE_ICON, systemMetric(width, dpi_),
                                             systemMetric(height, dpi_), 0));
    };
    icon_.reset(load(SM_CXICON, SM_CYICON));
    smallIcon_.reset(load(SM_CXSMICON, SM_CYSMICON));
    SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

MessageResult Dialog::onPaintMinimised(WPARAM, LPARAM) {
    if (!icon_ || !IsIconic(handle()))
        return std::nullopt;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle(), &paint);
    SendMessageA(handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(handle(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_.get());
    EndPaint(handle(), &paint);
    return 0;
}

UINT Dialog::dpiOf(HWND window) {
    for (HWND at = window; at != nullptr; at = GetParent(at)) {
        if (auto* dialog = dynamic_cast<Dialog*>(Window::fromHandle(at)))
            return dialog->dpi();
        if ((GetWindowLongPtrA(at, GWL_STYLE) & WS_CHILD) == 0)
            break;
    }
    return windowDpi(window);
}

MessageResult Dialog::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    const UINT to = HIWORD(wParam);
    if (to == 0 || to == dpi_)
        return std::nullopt;
    // Known before the controls are told, so that they scale to it.
    const UINT from = std::exchange(dpi_, to);
    layout_.apply(handle(), from, to, *reinterpret_cast<const RECT*>(lParam));
    return 0;
}

MessageResult Dialog::onGetFont(WPARAM, LPARAM) {
    if (layout_.font() == nullptr)
        return std::nullopt;
    return reinterpret_cast<LRESULT>(layout_.font());
}

MessageResult Dialog::onQueryDragIcon(WPARAM, LPARAM) {
    if (!icon_)
        return std::nullopt;
    return reinterpret_cast<LRESULT>(icon_.get());
}

bool Dialog::updateData(bool save) {
    DataExchange exchange(*this, save);
    doDataExchange(exchange);
    return !exchange.failed();
}

BOOL Dialog::onInitDialog() {
    updateData(false);
    return TRUE;
}

void Dialog::onOK() {
    if (updateData(true))
        endDialog(IDOK);
}

void Dialog::onCancel() {
    endDialog(IDCANCEL);
}

HWND Dialog::notifyingChild(UINT message, LPARAM lParam) {
    if (message == WM_COMMAND)
        return reinterpret_cast<HWND>(lParam);
    if (message == WM_DRAWITEM)
        return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    if (isColorRequest(message))
        return reinterpret_cast<HWND>(lParam);
    return nullptr;
}

MessageResult Dialog::reflectToChild(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND child = notifyingChild(message, lParam);
    auto* control = dynamic_cast<Control*>(Window::fromHandle(child));
    if (control == nullptr || child == handle())
        return std::nullopt;
    return control->reflect(message, wParam, lParam);
}

MessageResult Dialog::route(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return onInitDialog();
    if (busy_ && isUserCommand(message, wParam))
        return 0;
    // A control's own handling of its notifications and drawing comes first.
    if (message == WM_COMMAND || message == WM_DRAWITEM) {
        if (MessageResult result = reflectToChild(message, wParam, lParam))
            return message == WM_DRAWITEM ? TRUE : *result;
    }
    if (MessageResult result = Window::route(message, wParam, lParam))
        return result;
    if (isColorRequest(message))
        return reflectToChild(message, wParam, lParam);
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            onOK();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            onCancel();
            return 0;
        }
    }
    return std::nullopt;
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Dialog*>(fromHandle(hwnd));
    if (self == nullptr) {
        self = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : creating;
        if (self == nullptr)
            return FALSE;
        self->bind(hwnd);
        self->dpi_ = windowDpi(hwnd);
        keepOwnDpiLayout(hwnd);
        self->onCreate();
    }
    if (message == WM_NCDESTROY) {
        self->unbind();
        return FALSE;
    }
    MessageResult result = self->dispatch(message, wParam, lParam);
    if (!result)
        return FALSE;
    if (returnsDirectly(message))
        return static_cast<INT_PTR>(*result);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, *result);
    return TRUE;
}

} // namespace framework
