#include "controller/ControllerApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    controller::WorkflowEnvironment environment;
    controller::ControllerApp app(environment);
    return app.run();
}
