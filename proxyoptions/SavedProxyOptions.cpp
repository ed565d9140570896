#include "proxyoptions/SavedProxyOptions.h"

#include "settings/RegistryPath.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

namespace proxyoptions {

namespace {

const char* const flagsName = "Flags";
const char* const serverName = "Server";
const char* const bypassName = "Bypass";
const char* const autoConfigUrlName = "AutoConfigUrl";
const char* const autoDiscoveryName = "AutoDiscoveryFlags";

bool writeDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool writeText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::optional<DWORD> readDword(HKEY key, const char* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::string readText(HKEY key, const char* name) {
    DWORD size = 0;
    if (RegGetValueA(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return "";
    std::string text(size, '\0');
    if (RegGetValueA(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS)
        return "";
    text.resize(text.find('\0'));
    return text;
}

} // namespace

bool SavedProxyOptions::nameable() const {
    // A key's name cannot hold a backslash.
    return connection_.find('\\') == std::string::npos;
}

std::string SavedProxyOptions::path() const {
    return std::string(key) + "\\" + (connection_.empty() ? unnamedConnection : connection_);
}

bool SavedProxyOptions::store(const ConnectionOptions& options) const {
    if (!nameable() || !discard())
        return false;
    framework::RegKey copy = settings::openForWrite(HKEY_CURRENT_USER, path());
    // The flags go last: a copy is whole only once it has them.
    return copy && writeText(copy.get(), serverName, options.server) &&
           writeText(copy.get(), bypassName, options.bypass) &&
           writeText(copy.get(), autoConfigUrlName, options.autoConfigUrl) &&
           writeDword(copy.get(), autoDiscoveryName, options.autoDiscoveryFlags) &&
           writeDword(copy.get(), flagsName, options.flags);
}

std::optional<ConnectionOptions> SavedProxyOptions::load() const {
    if (!nameable())
        return std::nullopt;
    framework::RegKey copy = settings::openForRead(HKEY_CURRENT_USER, path());
    std::optional<DWORD> flags = copy ? readDword(copy.get(), flagsName) : std::nullopt;
    if (!flags)
        return std::nullopt;
    return ConnectionOptions{*flags, readText(copy.get(), serverName),
                             readText(copy.get(), bypassName),
                             readText(copy.get(), autoConfigUrlName),
                             readDword(copy.get(), autoDiscoveryName).value_or(0)};
}

bool SavedProxyOptions::discard() const {
    if (!nameable())
        return true;
    LSTATUS status = RegDeleteKeyA(HKEY_CURRENT_USER, path().c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> SavedProxyOptions::connections() {
    std::vector<std::string> names = settings::subKeyNames(HKEY_CURRENT_USER, key);
    for (std::string& name : names)
        if (name == unnamedConnection)
            name.clear();
    return names;
}

bool SaveConnectionOptions(const std::string& connection, const ConnectionOptionsCalls& calls) {
    ConnectionOptions current = calls.query(connection);
    // Flags 0: the library told nothing, and nothing is worth keeping.
    if (current.flags == 0)
        return false;
    if (ActiveProxyServer(current) == localProxyServer)
        return true;
    return SavedProxyOptions(connection).store(current);
}

bool RestoreConnectionOptions(const std::string& connection, const ConnectionOptionsCalls& calls,
                              const std::string& localProxy) {
    SavedProxyOptions saved(connection);
    if (ActiveProxyServer(calls.query(connection)) != localProxy)
        return saved.discard();
    std::optional<ConnectionOptions> copy = saved.load();
    if (!copy)
        return calls.disable(connection);
    return calls.apply(connection, *copy) && saved.discard();
}

bool RestoreEveryConnection(const std::string& current, const ConnectionOptionsCalls& calls,
                            const std::string& localProxy) {
    std::vector<std::string> connections = SavedProxyOptions::connections();
    if (std::find(connections.begin(), connections.end(), current) == connections.end())
        connections.push_back(current);
    bool givenBack = true;
    for (const std::string& connection : connections)
        givenBack = RestoreConnectionOptions(connection, calls, localProxy) && givenBack;
    return givenBack;
}

} // namespace proxyoptions
