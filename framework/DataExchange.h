#pragma once

#include <windows.h>

#include <string>

namespace framework {

class Control;
class Dialog;

// One pass of data exchange between a dialog's members and its controls.
// Pushing writes the members into the controls; pulling reads them back and
// validates. The first failed validation tells the user, puts the focus into
// the failing field with its text selected, and turns every later call of
// the same pass into a no-op.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool saving() const { return saving_; }
    bool failed() const { return failed_; }

    // Attaches `control` to control `id` the first time.
    void control(int id, Control& control);
    void text(int id, std::string& value);
    // A signed decimal number; pulling refuses text that is not one.
    void number(int id, int& value);
    // Pulling only: refuses a value outside min..max.
    void range(int id, int value, int min, int max);
    // A check box: 0 unchecked, 1 checked, 2 indeterminate.
    void check(int id, int& value);

    // Reads a whole decimal integer: optional blanks, an optional sign,
    // digits, optional blanks; false for anything else or an overflow.
    static bool parseInteger(const std::string& text, int& value);

private:
    void fail(int id, const std::string& message);

    Dialog& dialog_;
    bool saving_;
    bool failed_ = false;
};

} // namespace framework
