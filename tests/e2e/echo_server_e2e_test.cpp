// The controller against the release's own IP-echo server: nginx serving
// deploy/nginx/velquin-echo.conf (the namespace runner starts it so when
// VELQUIN_ECHO_SERVER is nginx), so the configuration that an operator
// installs is the one that answers.
#include "controller/EchoHost.h"
#include "resources/controller/resource.h"
#include "settings/SharedValues.h"
#include "tests/e2e/ControllerScenario.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenario;

namespace {

struct Answer {
    std::string cacheControl;
    std::string body;
};

// The link's page, asked as a browser asks it: through the connection's
// proxy options, never from a cache.
Answer visibleIpPage() {
    framework::InternetHandle session(
        InternetOpenA("velquin-test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    std::string url = std::string("http://") + controller::echoHost + "/your-visible-ip.php";
    framework::InternetHandle request(
        InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    Answer answer;
    char text[1024];
    DWORD size = sizeof text;
    if (HttpQueryInfoA(request.get(), HTTP_QUERY_CACHE_CONTROL, text, &size, nullptr))
        answer.cacheControl.assign(text, size);
    DWORD read = 0;
    while (InternetReadFile(request.get(), text, sizeof text, &read) && read != 0)
        answer.body.append(text, read);
    return answer;
}

} // namespace

TEST(ReleaseEchoServer, ShowsTheRealAndTheTunnelAddressAndItsPage) {
    setDword(settings::shared::timeOut, 45);
    setDword(settings::shared::retry, 2);
    writeTorrc(2000);
    {
        RunningController controller;
        ASSERT_TRUE(IsWindow(controller.driver().window()));
        EXPECT_EQ(controller.texts().realIp, "127.0.0.1");

        ASSERT_TRUE(controller.press(IDC_HIDE_IP));
        const std::string hidden = controller.texts().protectedBy;
        EXPECT_TRUE(isTunnelAddress(hidden)) << hidden;
        EXPECT_EQ(controller.texts().status, completed);
        Answer page = visibleIpPage();
        EXPECT_NE(page.body.find("<b>" + hidden + "</b>"), std::string::npos) << page.body;
        // A kept answer would show an old address after "Get A New IP".
        EXPECT_EQ(page.cacheControl, "no-store");

        ASSERT_TRUE(controller.press(IDC_RESTORE));
        EXPECT_EQ(controller.texts().protectedBy, notProtected);
        EXPECT_EQ(controller.texts().status, completed);
        EXPECT_FALSE(proxied());

        controller.driver().pressLater(IDC_EXIT);
        EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
    }
    EXPECT_EQ(leftRunning(), "");
}
