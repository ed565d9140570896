#include "controller/VisibleIp.h"

#include "controller/EchoHost.h"
#include "framework/Handle.h"
#include "framework/InternetError.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace controller {

namespace {

const DWORD_PTR probeContext = 1;
// The library's own time-outs are a minute and more: on a dead network the
// window, which shows only after the first probe, would take that long.
const DWORD connectTimeoutMs = 5000;
const DWORD sendTimeoutMs = 5000;
const DWORD receiveTimeoutMs = 5000;

// The library's own text for its error codes, which live in its module.
std::string libraryErrorText(DWORD code) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        GetModuleHandleA("wininet.dll"), code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return "Internet error " + std::to_string(code) + ".";
    std::string text(buffer, length);
    LocalFree(buffer);
    return text.substr(0, text.find_last_not_of("\r\n") + 1);
}

// The handle, or an InternetError with the library's text when it is empty.
framework::InternetHandle required(HINTERNET handle) {
    if (handle == nullptr)
        throw framework::InternetError(libraryErrorText(GetLastError()));
    return framework::InternetHandle(handle);
}

int statusCode(HINTERNET request) {
    char text[32] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr))
        return 0;
    return std::atoi(text);
}

} // namespace

std::string GetVisibleIp() {
    std::string result;
    // Declared in nesting order, so they close request first, session last.
    framework::InternetHandle session =
        required(InternetOpenA("velquin-probe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    framework::InternetHandle connection =
        required(InternetConnectA(session.get(), echoHost, INTERNET_INVALID_PORT_NUMBER, nullptr,
                                  nullptr, INTERNET_SERVICE_HTTP, 0, probeContext));
    framework::InternetHandle request =
        required(HttpOpenRequestA(connection.get(), "GET", "/whip2.php", "HTTP/1.0", nullptr,
                                  nullptr, INTERNET_FLAG_EXISTING_CONNECT, probeContext));
    // Set on the request: the library takes no send or receive time-out
    // from a session under Wine.
    for (auto [option, milliseconds] :
         {std::pair{INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeoutMs},
          std::pair{INTERNET_OPTION_SEND_TIMEOUT, sendTimeoutMs},
          std::pair{INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeoutMs}})
        InternetSetOptionA(request.get(), option, &milliseconds, sizeof milliseconds);
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return unableToDetect;
    if (statusCode(request.get()) / 100 == 2) {
        // One read of what has arrived, at most 1023 bytes. Asking for more
        // than has arrived would have the library wait for the rest, which a
        // server sending a byte now and then delays without limit.
        char body[1024];
        DWORD available = 0, got = 0;
        if (!InternetQueryDataAvailable(request.get(), &available, 0, 0) ||
            !InternetReadFile(request.get(), body, std::min<DWORD>(available, sizeof body - 1),
                              &got))
            throw framework::InternetError(libraryErrorText(GetLastError()));
        body[got] = '\0';
        result = body;
    }
    return result;
}

} // namespace controller
