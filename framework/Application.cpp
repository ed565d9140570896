#include "framework/Application.h"

#include "framework/MessageLoop.h"

namespace framework {

namespace {
std::string& applicationName() {
    static std::string name;
    return name;
}
} // namespace

Application::Application(std::string name) {
    applicationName() = std::move(name);
}

Application::~Application() {
    applicationName().clear();
}

const std::string& Application::name() {
    return applicationName();
}

int Application::run() {
    if (initInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            MessageLoop::process(msg);
    }
    return exitInstance();
}

} // namespace framework
