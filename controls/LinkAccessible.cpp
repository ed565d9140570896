#include "controls/LinkAccessible.h"

#include <string>

namespace controls {

namespace {
BSTR toBstr(const std::string& text) {
    int wide =
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (result != nullptr)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), result, wide);
    return result;
}

HRESULT answer(BSTR* out, const std::string& text) {
    *out = toBstr(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}
} // namespace

LinkAccessible* LinkAccessible::create(HWND window, const std::string& url, bool visited) {
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))) ||
        standard == nullptr)
        return nullptr;
    return new LinkAccessible(window, standard, url, visited);
}

LinkAccessible::LinkAccessible(HWND window, IAccessible* standard, std::string url, bool visited)
    : window_(window), standard_(standard), url_(std::move(url)), visited_(visited) {}

LinkAccessible::~LinkAccessible() {
    standard_->Release();
}

bool LinkAccessible::isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT LinkAccessible::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
        riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG LinkAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG LinkAccessible::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

// --- what makes it a link ---------------------------------------------------

HRESULT LinkAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!isSelf(child))
        return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LINK;
    return S_OK;
}

HRESULT LinkAccessible::get_accState(VARIANT child, VARIANT* state) {
    HRESULT result = standard_->get_accState(child, state);
    if (SUCCEEDED(result) && state->vt == VT_I4) {
        state->lVal |= STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
        if (visited_)
            state->lVal |= STATE_SYSTEM_TRAVERSED;
    }
    return result;
}

HRESULT LinkAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (!isSelf(child))
        return E_INVALIDARG;
    return answer(value, url_);
}

HRESULT LinkAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!isSelf(child))
        return E_INVALIDARG;
    return answer(action, "Jump");
}

HRESULT LinkAccessible::accDoDefaultAction(VARIANT child) {
    if (!isSelf(child))
        return E_INVALIDARG;
    // Posted: the caller (often another program) must not wait for the
    // browser to start, nor for the message box of a failed open.
    return PostMessageA(window_, openMessage, 0, 0) ? S_OK : E_FAIL;
}

// --- the rest, as the system says it for the window --------------------------

HRESULT LinkAccessible::GetTypeInfoCount(UINT* count) {
    return standard_->GetTypeInfoCount(count);
}
HRESULT LinkAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    return standard_->GetTypeInfo(index, locale, info);
}
HRESULT LinkAccessible::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                      DISPID* ids) {
    return standard_->GetIDsOfNames(riid, names, count, locale, ids);
}
HRESULT LinkAccessible::Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                               DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                               UINT* argumentError) {
    return standard_->Invoke(id, riid, locale, flags, parameters, result, exception, argumentError);
}
HRESULT LinkAccessible::get_accParent(IDispatch** parent) {
    return standard_->get_accParent(parent);
}
HRESULT LinkAccessible::get_accChildCount(long* count) {
    return standard_->get_accChildCount(count);
}
HRESULT LinkAccessible::get_accChild(VARIANT child, IDispatch** dispatch) {
    return standard_->get_accChild(child, dispatch);
}
HRESULT LinkAccessible::get_accName(VARIANT child, BSTR* name) {
    return standard_->get_accName(child, name);
}
HRESULT LinkAccessible::get_accDescription(VARIANT child, BSTR* description) {
    return standard_->get_accDescription(child, description);
}
HRESULT LinkAccessible::get_accHelp(VARIANT child, BSTR* help) {
    return standard_->get_accHelp(child, help);
}
HRESULT LinkAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    return standard_->get_accHelpTopic(file, child, topic);
}
HRESULT LinkAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return standard_->get_accKeyboardShortcut(child, shortcut);
}
HRESULT LinkAccessible::get_accFocus(VARIANT* child) {
    return standard_->get_accFocus(child);
}
HRESULT LinkAccessible::get_accSelection(VARIANT* children) {
    return standard_->get_accSelection(children);
}
HRESULT LinkAccessible::accSelect(long flags, VARIANT child) {
    return standard_->accSelect(flags, child);
}
HRESULT LinkAccessible::accLocation(long* left, long* top, long* width, long* height,
                                    VARIANT child) {
    return standard_->accLocation(left, top, width, height, child);
}
HRESULT LinkAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    return standard_->accNavigate(direction, start, end);
}
HRESULT LinkAccessible::accHitTest(long left, long top, VARIANT* child) {
    return standard_->accHitTest(left, top, child);
}
HRESULT LinkAccessible::put_accName(VARIANT child, BSTR name) {
    return standard_->put_accName(child, name);
}
HRESULT LinkAccessible::put_accValue(VARIANT child, BSTR value) {
    return standard_->put_accValue(child, value);
}

} // namespace controls
