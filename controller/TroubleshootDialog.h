#pragma once

#include "controls/DialogColours.h"
#include "controls/ImageButton.h"
#include "framework/Dialog.h"
#include "settings/RegDwordValue.h"

namespace controller {

// The dialog that lets the user raise TimeOut (one-second polls of Ready per
// connection attempt) and Retry (further attempts) after the tunnel did not
// come up. "Save Settings" validates and writes the changed values, and says
// so when the registry refused them (a standard user may not write them);
// Esc and the close box leave without writing.
class TroubleshootDialog : public controls::ColouredDialog<framework::Dialog> {
public:
    // Reads TimeOut and Retry (0 when absent).
    TroubleshootDialog();

    int timeOut() const { return timeOut_; }
    int retry() const { return retry_; }
    controls::ImageButton& saveButton() { return saveButton_; }

protected:
    BOOL onInitDialog() override;
    void doDataExchange(framework::DataExchange& exchange) override;
    void onOK() override;

private:
    framework::MessageResult onCtlColorStaticOnly(WPARAM wParam, LPARAM lParam);

    // Kept from construction: a value is written only when it differs from
    // what was read then.
    settings::RegDwordValue storedTimeOut_;
    settings::RegDwordValue storedRetry_;
    controls::ImageButton saveButton_;
    int timeOut_;
    int retry_;
};

} // namespace controller
