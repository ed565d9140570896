#include "keeper/ProcessPipe.h"

#include "testsupport/Wait.h"
#include "keeper/PipeMessages.h"
#include "testsupport/TestChild.h"

#include <gtest/gtest.h>

#include <vector>

using keeper::ProcessPipe;
using testing_support::waitUntil;

namespace {

// A hidden window that records the pump's notices in arrival order:
// "handle", "line:<text>" for each line of a batch, and "finished:<code>".
class Receiver {
public:
    Receiver() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &Receiver::proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PumpReceiver";
        RegisterClassA(&windowClass);
        hwnd = CreateWindowA("PumpReceiver", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Receiver() { DestroyWindow(hwnd); }

    bool finished() const { return !notices.empty() && notices.back().rfind("finished:", 0) == 0; }

    // Starts `command` and waits for the finished notice.
    bool run(const std::string& command, DWORD& lastError) {
        auto record = std::make_unique<ProcessPipe>();
        record->command = command;
        record->window = hwnd;
        record->tag = 77;
        SetLastError(0xdeadbeef);
        bool started = ProcessPipe::start(std::move(record));
        lastError = GetLastError();
        EXPECT_TRUE(waitUntil([this] { return finished(); }));
        return started;
    }
    std::vector<std::string> run(const std::vector<std::string>& chunks) {
        DWORD error = 0;
        EXPECT_TRUE(run(keeper_test::printerCommand(chunks), error));
        return notices;
    }

    HWND hwnd;
    std::vector<std::string> notices;
    std::vector<size_t> batchSizes;
    bool tagsRight = true;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self == nullptr)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        if (message == keeper::UPM_PROCESS_HANDLE) {
            self->notices.push_back("handle");
            CloseHandle(reinterpret_cast<HANDLE>(wParam));
        } else if (message == keeper::UPM_LINES) {
            std::unique_ptr<keeper::LineBatch> lines(reinterpret_cast<keeper::LineBatch*>(wParam));
            self->batchSizes.push_back(lines->size());
            for (const std::string& line : *lines)
                self->notices.push_back("line:" + line);
        } else if (message == keeper::UPM_FINISHED) {
            self->notices.push_back("finished:" + std::to_string(wParam));
        } else {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        self->tagsRight = self->tagsRight && lParam == 77;
        return 0;
    }
};

using Notices = std::vector<std::string>;

} // namespace

TEST(ProcessPipe, LinesArriveBetweenTheHandleAndTheFinishedNotice) {
    Receiver receiver;
    EXPECT_EQ(receiver.run({"Bootstrapped 5%\r\n", "second\nthird\r", "\nlast without end"}),
              (Notices{"handle", "line:Bootstrapped 5%", "line:second", "line:third",
                       "line:last without end", "finished:0"}));
    EXPECT_TRUE(receiver.tagsRight);
}

TEST(ProcessPipe, LinesOfOneWriteArriveAsOneNotice) {
    Receiver receiver;
    EXPECT_EQ(receiver.run({"a\nb\r\n\nc\n"}),
              (Notices{"handle", "line:a", "line:b", "line:", "line:c", "finished:0"}));
    EXPECT_EQ(receiver.batchSizes, std::vector<size_t>{4});
}

TEST(ProcessPipe, SilentChildGivesHandleThenNormalEnd) {
    Receiver receiver;
    EXPECT_EQ(receiver.run({}), (Notices{"handle", "finished:0"}));
}

TEST(ProcessPipe, LongLineAndEmptyLinesArriveWhole) {
    Receiver receiver;
    std::string longLine(5000, 'z');
    EXPECT_EQ(receiver.run({longLine + "\n\n", "end\n"}),
              (Notices{"handle", "line:" + longLine, "line:", "line:end", "finished:0"}));
}

TEST(ProcessPipe, NulDropsTheRestOfItsRead) {
    Receiver receiver;
    EXPECT_EQ(receiver.run({std::string("ab\0cd\n", 6), "ef\n"}),
              (Notices{"handle", "line:abef", "finished:0"}));
}

TEST(ProcessPipe, MissingProgramFailsWithFileNotFoundReportedTwice) {
    Receiver receiver;
    DWORD error = 0;
    EXPECT_FALSE(receiver.run("C:\\windows\\no-such-program.exe -f x", error));
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(receiver.notices, (Notices{"finished:2"}));
}
