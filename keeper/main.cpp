#include "keeper/KeeperApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    keeper::KeeperApp app;
    return app.run();
}
