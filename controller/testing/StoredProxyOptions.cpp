#include "controller/testing/StoredProxyOptions.h"

#include <wininet.h>

namespace controller_testing {

namespace {
std::string takeText(char* text) {
    std::string copy = text != nullptr ? text : "";
    if (text != nullptr)
        GlobalFree(text);
    return copy;
}
} // namespace

StoredProxyOptions storedProxyOptions(const std::string& connection) {
    INTERNET_PER_CONN_OPTIONA options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.pszConnection = const_cast<char*>(connection.c_str());
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD size = sizeof list;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
        return {};
    return {options[0].Value.dwValue, takeText(options[1].Value.pszValue),
            takeText(options[2].Value.pszValue)};
}

} // namespace controller_testing
