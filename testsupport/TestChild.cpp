#include "testsupport/TestChild.h"

#include "testsupport/ChildMode.h"

#include <windows.h>

#include <algorithm>
#include <random>

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

void writeAll(const std::string& bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

void waitFor(const std::string& eventName) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    WaitForSingleObject(event, 30000);
    CloseHandle(event);
}

int print(const std::vector<std::string>& args) {
    std::string holdEvent;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--hold" && i + 1 < args.size()) {
            holdEvent = args[++i];
            continue;
        }
        writeAll(fromHex(args[i]));
        // Separate writes usually reach the reader as separate reads; the
        // cutting rules themselves are tested without a pipe.
        Sleep(20);
    }
    if (!holdEvent.empty())
        waitFor(holdEvent);
    return 0;
}

int count(const std::vector<std::string>& args) {
    int lines = args.empty() ? 0 : std::stoi(args[0]);
    // Lines go out in blocks of about 4 KB, as a buffered log writer sends
    // them: one write a line would measure the child's writes, not the
    // reader's pace.
    std::string block;
    for (int i = 0; i < lines; ++i) {
        block += "line " + std::to_string(i) + "\r\n";
        if (block.size() >= 4096 || i + 1 == lines) {
            writeAll(block);
            block.clear();
        }
    }
    return 0;
}

int printRandom(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return 1;
    std::string bytes = generatedOutput(std::stoul(args[0]), std::stoull(args[1]));
    std::minstd_rand sizes(std::stoul(args[0]));
    for (size_t at = 0; at < bytes.size();) {
        size_t size = std::min<size_t>(1 + sizes() % 8192, bytes.size() - at);
        writeAll(bytes.substr(at, size));
        at += size;
    }
    return 0;
}

int printLongLine(const std::vector<std::string>& args) {
    if (args.empty())
        return 1;
    std::string output = "before\r\n" + longLine(std::stoull(args[0])) + "\r\nafter\r\n";
    for (size_t at = 0; at < output.size(); at += 65536)
        writeAll(output.substr(at, 65536));
    return 0;
}

int closeOutput(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return 1;
    writeAll(fromHex(args[0]));
    CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    CloseHandle(GetStdHandle(STD_ERROR_HANDLE));
    waitFor(args[1]);
    return 0;
}

int sleepForever(const std::vector<std::string>&) {
    Sleep(INFINITE);
    return 0;
}

testing_support::ChildMode printer("print", &print);
testing_support::ChildMode counter("count", &count);
testing_support::ChildMode sleeper("sleep", &sleepForever);
testing_support::ChildMode randomPrinter("random", &printRandom);
testing_support::ChildMode closer("close", &closeOutput);
testing_support::ChildMode longPrinter("long", &printLongLine);

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

std::string generatedOutput(unsigned seed, size_t size, unsigned lineEvery) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        unsigned draw = generator();
        byte = draw % lineEvery == 0 ? '\n' : draw % lineEvery == 1 ? '\r' : char(1 + draw % 255);
    }
    return bytes;
}

std::string randomCommand(unsigned seed, size_t size) {
    return testing_support::childCommandLine("random",
                                             {std::to_string(seed), std::to_string(size)});
}

std::string longLine(size_t size) {
    std::string line(size, 'm');
    line[size / 3] = '\r';
    return line;
}

std::string longLineCommand(size_t size) {
    return testing_support::childCommandLine("long", {std::to_string(size)});
}

std::string closerCommand(const std::string& text, const std::string& holdEvent) {
    return testing_support::childCommandLine("close", {toHex(text), holdEvent});
}

std::string sleeperCommand() {
    return testing_support::childCommandLine("sleep");
}

} // namespace keeper_test
