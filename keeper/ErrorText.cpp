#include "keeper/ErrorText.h"

#include "framework/Resources.h"
#include "resources/keeper/resource.h"

namespace keeper {

std::string errorText(DWORD code) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length != 0 && buffer != nullptr) {
        std::string text(buffer, length);
        LocalFree(buffer);
        return text.substr(0, text.find('\r'));
    }
    return framework::format(framework::loadString(IDS_UNKNOWN_ERROR).c_str(),
                             static_cast<int>(code), static_cast<unsigned>(code));
}

} // namespace keeper
