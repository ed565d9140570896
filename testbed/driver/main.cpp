// Velquin-Driver.exe: presses the buttons of a running controller as a user
// would and prints what its window shows afterwards; scripts/demo runs it.
//   Velquin-Driver open               waits for the window
//   Velquin-Driver press hide|new-ip|restore|exit
#include "resources/controller/resource.h"
#include "testbed/driver/ControllerDriver.h"

#include <cstdio>
#include <cstring>

namespace {

const unsigned openTimeout = 60000;
// Three attempts of 45 one-second polls, with room for the probes.
const unsigned workflowTimeout = 180000;

struct Button {
    const char* name;
    int id;
};
const Button buttons[] = {
    {"hide", IDC_HIDE_IP}, {"new-ip", IDC_NEW_IP}, {"restore", IDC_RESTORE}, {"exit", IDC_EXIT}};

int usage() {
    std::fprintf(stderr, "usage: Velquin-Driver open | press hide|new-ip|restore|exit\n");
    return 2;
}

void print(const testbed::ControllerTexts& texts) {
    std::printf("Your Real IP Address:             %s\n", texts.realIp.c_str());
    std::printf("Your IP is protected (hidden) by: %s\n", texts.protectedBy.c_str());
    std::printf("Status:                           %s\n", texts.status.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    testbed::ControllerDriver driver;
    if (!driver.attach(openTimeout)) {
        std::fprintf(stderr, "The controller's window did not appear within %u s\n",
                     openTimeout / 1000);
        return 1;
    }
    if (std::strcmp(argv[1], "open") == 0) {
        print(driver.texts());
        return 0;
    }
    if (std::strcmp(argv[1], "press") != 0 || argc != 3)
        return usage();
    for (const Button& button : buttons) {
        if (std::strcmp(argv[2], button.name) != 0)
            continue;
        if (button.id == IDC_EXIT) {
            // The window ends with the workflow: nothing is left to read.
            driver.pressLater(button.id);
            return 0;
        }
        if (!driver.press(button.id, workflowTimeout)) {
            std::fprintf(stderr, "The workflow did not end within %u s\n", workflowTimeout / 1000);
            return 1;
        }
        print(driver.texts());
        return 0;
    }
    return usage();
}
