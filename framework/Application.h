#pragma once

#include <windows.h>

#include <string>

namespace framework {

class Window;

// The program object: one per process. run() calls the start-up hook, runs
// a message loop only when start-up asks for one, and returns the exit
// hook's result as the process exit code.
class Application {
public:
    explicit Application(std::string name);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    int run();

    // The caption of the program's message boxes.
    static const std::string& name();

    // The window that stands for the program (for example the one a second
    // start brings to the front); it may not have been created yet.
    Window* mainWindow() const { return mainWindow_; }
    void setMainWindow(Window* window) { mainWindow_ = window; }

protected:
    // Start-up; true runs a message loop until WM_QUIT, false goes straight
    // to the exit hook.
    virtual bool initInstance() = 0;
    // Exit; the result is the process exit code.
    virtual int exitInstance() { return 0; }

private:
    Window* mainWindow_ = nullptr;
};

} // namespace framework
