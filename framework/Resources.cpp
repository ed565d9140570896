#include "framework/Resources.h"

#include "framework/Application.h"

#include <cstdarg>
#include <cstdio>

namespace framework {

std::string loadString(UINT id) {
    // A string table entry holds at most 4097 characters.
    char buffer[4100];
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

std::string format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, pattern, measure);
    va_end(measure);
    std::string text(length > 0 ? length : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), length + 1, pattern, args);
    va_end(args);
    return text;
}

int messageBox(const std::string& text, UINT flags) {
    return MessageBoxA(GetActiveWindow(), text.c_str(), Application::name().c_str(), flags);
}

} // namespace framework
