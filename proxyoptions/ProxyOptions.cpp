#include "proxyoptions/ProxyOptions.h"

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <new>

namespace proxyoptions {

namespace {

// Writes `count` per-connection options for `connection` in one call, then
// tells running programs that the settings changed and makes them re-read
// them. The array comes from `fill`; a failed allocation changes nothing.
template <class Fill>
bool applyOptions(const std::string& connection, DWORD count, const char* allocationFailure,
                  Fill fill) {
    std::unique_ptr<INTERNET_PER_CONN_OPTIONA[]> options(new (std::nothrow)
                                                             INTERNET_PER_CONN_OPTIONA[count]);
    if (!options) {
        OutputDebugStringA(allocationFailure);
        return false;
    }
    fill(options.get());
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.pszConnection = const_cast<char*>(connection.c_str());
    list.dwOptionCount = count;
    list.pOptions = options.get();
    BOOL applied =
        InternetSetOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list);
    options.reset();
    InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
    return applied != FALSE;
}

} // namespace

std::string ConnectionNameFor(const std::string& reported, unsigned long flags) {
    if ((flags & INTERNET_CONNECTION_LAN) || reported.find("LAN Connection") != std::string::npos)
        return "DefaultConnectionSettings";
    return reported;
}

std::string CurrentConnectionName() {
    // The system writes nothing when there is no connection: start empty.
    char name[1024] = {};
    DWORD flags = 0;
    InternetGetConnectedStateExA(&flags, name, sizeof name, 0);
    name[sizeof name - 1] = '\0';
    return ConnectionNameFor(name, flags);
}

bool SetConnectionOptions(const std::string& connection, const std::string& proxyServer) {
    return applyOptions(connection, 3, "failed to allocat memory in SetConnectionOptions()",
                        [&](INTERNET_PER_CONN_OPTIONA* options) {
                            options[0].dwOption = INTERNET_PER_CONN_FLAGS;
                            options[0].Value.dwValue = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
                            options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
                            options[1].Value.pszValue = const_cast<char*>(proxyServer.c_str());
                            options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
                            options[2].Value.pszValue = const_cast<char*>("local");
                        });
}

bool DisableConnectionProxy(const std::string& connection) {
    return applyOptions(connection, 1, "failed to allocat memory in DisableConnectionProxy()",
                        [](INTERNET_PER_CONN_OPTIONA* options) {
                            options[0].dwOption = INTERNET_PER_CONN_FLAGS;
                            options[0].Value.dwValue = PROXY_TYPE_DIRECT;
                        });
}

bool ApplyConnectionOptions(const std::string& connection, const ConnectionOptions& options) {
    return applyOptions(connection, 5, "failed to allocate memory in ApplyConnectionOptions()",
                        [&](INTERNET_PER_CONN_OPTIONA* entries) {
                            entries[0].dwOption = INTERNET_PER_CONN_FLAGS;
                            entries[0].Value.dwValue = options.flags;
                            entries[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
                            entries[1].Value.pszValue = const_cast<char*>(options.server.c_str());
                            entries[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
                            entries[2].Value.pszValue = const_cast<char*>(options.bypass.c_str());
                            entries[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
                            entries[3].Value.pszValue =
                                const_cast<char*>(options.autoConfigUrl.c_str());
                            entries[4].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
                            entries[4].Value.dwValue = options.autoDiscoveryFlags;
                        });
}

ConnectionOptions QueryConnectionOptions(const std::string& connection) {
    INTERNET_PER_CONN_OPTIONA options[5] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
    options[4].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.pszConnection = const_cast<char*>(connection.c_str());
    list.dwOptionCount = 5;
    list.pOptions = options;
    DWORD size = sizeof list;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
        return {};
    // The library hands the texts over in memory of its own.
    auto take = [](char* text) {
        std::unique_ptr<char, decltype(&GlobalFree)> owned(text, &GlobalFree);
        return std::string(owned ? owned.get() : "");
    };
    return {options[0].Value.dwValue, take(options[1].Value.pszValue),
            take(options[2].Value.pszValue), take(options[3].Value.pszValue),
            options[4].Value.dwValue};
}

std::string ActiveProxyServer(const ConnectionOptions& options) {
    return options.flags & PROXY_TYPE_PROXY ? options.server : "";
}

std::string ActiveProxyServer(const std::string& connection) {
    return ActiveProxyServer(QueryConnectionOptions(connection));
}

} // namespace proxyoptions
