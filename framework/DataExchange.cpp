#include "framework/DataExchange.h"

#include "framework/Control.h"
#include "framework/Dialog.h"
#include "framework/Resources.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace framework {

void DataExchange::control(int id, Control& control) {
    if (!failed_)
        control.attach(dialog_.handle(), id);
}

void DataExchange::text(int id, std::string& value) {
    if (failed_)
        return;
    if (saving_)
        value = Window::textOf(dialog_.item(id));
    else
        SetDlgItemTextA(dialog_.handle(), id, value.c_str());
}

void DataExchange::number(int id, int& value) {
    if (failed_)
        return;
    if (!saving_) {
        SetDlgItemTextA(dialog_.handle(), id, std::to_string(value).c_str());
        return;
    }
    if (!parseInteger(Window::textOf(dialog_.item(id)), value))
        fail(id, "Please enter an integer.");
}

void DataExchange::range(int id, int value, int min, int max) {
    if (failed_ || !saving_ || (value >= min && value <= max))
        return;
    fail(id, "Please enter an integer between " + std::to_string(min) + " and " +
                 std::to_string(max) + ".");
}

void DataExchange::check(int id, int& value) {
    if (failed_)
        return;
    if (saving_)
        value = static_cast<int>(IsDlgButtonChecked(dialog_.handle(), id));
    else
        CheckDlgButton(dialog_.handle(), id, static_cast<UINT>(value));
}

bool DataExchange::parseInteger(const std::string& text, int& value) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    const char* digits = (*begin == '-' || *begin == '+') ? begin + 1 : begin;
    if (*digits < '0' || *digits > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(begin, &end, 10);
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

void DataExchange::fail(int id, const std::string& message) {
    failed_ = true;
    messageBox(message, MB_OK | MB_ICONEXCLAMATION);
    HWND field = dialog_.item(id);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

} // namespace framework
