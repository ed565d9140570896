#include "keeper/TestChild.h"

#include "framework/testing/ChildMode.h"

#include <windows.h>

namespace keeper_test {

namespace {

std::string toHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex.empty() ? "-" : hex;
}

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

int print(const std::vector<std::string>& args) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string holdEvent;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--hold" && i + 1 < args.size()) {
            holdEvent = args[++i];
            continue;
        }
        std::string chunk = fromHex(args[i]);
        DWORD written = 0;
        WriteFile(out, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        // Separate writes usually reach the reader as separate reads; the
        // cutting rules themselves are tested without a pipe.
        Sleep(20);
    }
    if (!holdEvent.empty()) {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, holdEvent.c_str());
        WaitForSingleObject(event, 30000);
        CloseHandle(event);
    }
    return 0;
}

int count(const std::vector<std::string>& args) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    int lines = args.empty() ? 0 : std::stoi(args[0]);
    for (int i = 0; i < lines; ++i) {
        std::string line = "line " + std::to_string(i) + "\r\n";
        DWORD written = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    return 0;
}

int sleepForever(const std::vector<std::string>&) {
    Sleep(INFINITE);
    return 0;
}

testing_support::ChildMode printer("print", &print);
testing_support::ChildMode counter("count", &count);
testing_support::ChildMode sleeper("sleep", &sleepForever);

} // namespace

std::string printerCommand(const std::vector<std::string>& chunks, const std::string& holdEvent) {
    std::vector<std::string> args;
    for (const std::string& chunk : chunks)
        args.push_back(toHex(chunk));
    if (!holdEvent.empty()) {
        args.push_back("--hold");
        args.push_back(holdEvent);
    }
    return testing_support::childCommandLine("print", args);
}

std::string counterCommand(int lines) {
    return testing_support::childCommandLine("count", {std::to_string(lines)});
}

std::string sleeperCommand() {
    return testing_support::childCommandLine("sleep");
}

} // namespace keeper_test
