#include "keeper/ProcessPipe.h"

#include "framework/Handle.h"
#include "framework/WorkerThread.h"
#include "keeper/LineCutter.h"
#include "keeper/PipeMessages.h"

#include <vector>

namespace keeper {

namespace {

const DWORD readSize = 1024;
// Reads whose lines may share one notice: a notice's lines must be listed
// quickly enough for the window to stay responsive.
const int readsPerNotice = 8;

// Posts a notice. A window's queue holds a bounded number of posted
// messages; when it is full the window is busy draining it, so the post is
// retried rather than the notice lost. False when the window is gone.
bool postNotice(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    while (!PostMessageA(window, message, wParam, lParam)) {
        if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA || !IsWindow(window))
            return false;
        Sleep(1);
    }
    return true;
}

// Whether more output is already waiting in the pipe.
bool moreWaiting(HANDLE readEnd) {
    DWORD waiting = 0;
    return PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0;
}

// Posts the lines gathered so far as one notice; an empty batch posts nothing.
void postLines(const ProcessPipe& record, LineBatch& lines) {
    if (lines.empty())
        return;
    auto* batch = new LineBatch(std::move(lines));
    lines.clear();
    if (!postNotice(record.window, UPM_LINES, reinterpret_cast<WPARAM>(batch), record.tag))
        delete batch;
}

DWORD WINAPI readOutput(void* parameter) {
    std::unique_ptr<ProcessPipe> record(static_cast<ProcessPipe*>(parameter));
    framework::KernelHandle readEnd(record->readEnd);
    LineCutter cutter;
    LineBatch lines;
    auto sink = [&lines](std::string&& line) { lines.push_back(std::move(line)); };
    char buffer[readSize + 1];
    DWORD endCode = 0;
    // Every hand-over to the window's thread costs a thread switch, so the
    // lines of output that is already waiting go out together; once the
    // pipe is empty they go at once, so a lone line is not held back.
    for (int reads = 1;; ++reads) {
        DWORD got = 0;
        if (!ReadFile(readEnd.get(), buffer, readSize, &got, nullptr)) {
            endCode = GetLastError();
            break;
        }
        if (got == 0)
            break;
        buffer[got] = '\0';
        cutter.feed(buffer, got, sink);
        if (reads < readsPerNotice && moreWaiting(readEnd.get()))
            continue;
        postLines(*record, lines);
        reads = 0;
    }
    readEnd.reset();
    record->readEnd = nullptr;

    std::string rest = cutter.takePending();
    if (!rest.empty())
        lines.push_back(std::move(rest));
    postLines(*record, lines);
    // A broken pipe is how the output normally ends: every writer closed.
    postNotice(record->window, UPM_FINISHED, endCode == ERROR_BROKEN_PIPE ? 0 : endCode,
               record->tag);
    return 0;
}

} // namespace

bool ProcessPipe::start(std::unique_ptr<ProcessPipe> record) {
    record->readEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    framework::KernelHandle readEnd, writeEnd, errorEnd;
    // Ends a failed start: handles and record go first, so that the caller
    // finds `code` as the last error.
    auto fail = [&](DWORD code) {
        readEnd.reset();
        writeEnd.reset();
        errorEnd.reset();
        record.reset();
        SetLastError(code);
        return false;
    };
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0))
        return fail(GetLastError());
    HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, writeEnd.get(), self, errorEnd.put(), 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return fail(GetLastError());

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = errorEnd.get();

    std::vector<char> commandLine(record->command.begin(), record->command.end());
    commandLine.push_back('\0');
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        DWORD code = GetLastError();
        postNotice(record->window, UPM_FINISHED, code, record->tag);
        return fail(code);
    }
    // The pump has no use for the child's main thread.
    CloseHandle(process.hThread);
    if (!postNotice(record->window, UPM_PROCESS_HANDLE, reinterpret_cast<WPARAM>(process.hProcess),
                    record->tag))
        CloseHandle(process.hProcess);

    // The pipe breaks only when every write end has closed: from here on the
    // child (and whatever inherits from it) holds the only ones.
    writeEnd.reset();
    errorEnd.reset();

    record->readEnd = readEnd.get();
    ProcessPipe* running = record.get();
    if (!framework::startWorkerThread(&readOutput, running)) {
        DWORD code = GetLastError();
        postNotice(record->window, UPM_FINISHED, code, record->tag);
        record->readEnd = nullptr;
        return fail(code);
    }
    // The reader owns the record and the read end now.
    readEnd.release();
    record.release();
    return true;
}

} // namespace keeper
