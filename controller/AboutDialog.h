#pragma once

#include "framework/Dialog.h"
#include "resources/controller/resource.h"

namespace controller {

// The controller's About box: the program's icon, version and build line
// with an OK button, all from its template. OK, Esc and the close box end
// it through the framework's own handling.
class AboutDialog : public framework::Dialog {
public:
    AboutDialog() : Dialog(IDD_ABOUTBOX) {}
};

} // namespace controller
