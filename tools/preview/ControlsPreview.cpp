// Shows the About box ("about") or a hyperlink label with the mouse over it
// ("link"), for a screenshot; ends by itself after a few seconds. Built with
// the tests; scripts/shot runs it.
#include "controller/AboutDialog.h"
#include "controls/HyperlinkLabel.h"
#include "framework/DataExchange.h"
#include "tools/preview/Preview.h"

#include <string>

namespace {

const int linkId = 3001;

// The label's test dialog, its link in distinct colours so that the hover
// state shows: blue, purple once visited, the highlight colour while hovered.
class LinkDialog : public framework::Dialog {
public:
    LinkDialog() : Dialog(3000) {}
    controls::HyperlinkLabel link;

protected:
    BOOL onInitDialog() override {
        Dialog::onInitDialog();
        link.SetLink("http://ipecho.velquin.example/your-visible-ip.php");
        link.SetUnderlineMode(controls::HyperlinkLabel::underlineWhileHovering);
        link.SetLinkColors(RGB(0, 0, 255), RGB(128, 0, 128),
                           controls::HyperlinkLabel::highlightColour);
        return TRUE;
    }
    void doDataExchange(framework::DataExchange& exchange) override {
        exchange.control(linkId, link);
    }
};

void pointAtLink(framework::Dialog& dialog) {
    HWND link = dialog.item(linkId);
    POINT middle{20, 5};
    POINT screen = middle;
    ClientToScreen(link, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
    preview::reportStaged();
}

void asOpened(framework::Dialog&) {
    preview::reportStaged();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "about") {
        controller::AboutDialog about;
        return preview::runPreview(about, &asOpened);
    }
    LinkDialog dialog;
    return preview::runPreview(dialog, &pointAtLink);
}
