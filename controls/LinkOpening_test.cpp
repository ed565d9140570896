#include "controls/LinkOpening.h"
#include "testsupport/ChildMode.h"
#include "testsupport/ClassesRoot.h"
#include "testsupport/MessageBoxWatcher.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using controls::FallbackCommand;
using testing_support::waitUntil;

namespace {

// Stands in for a browser: writes the arguments it was given, one a line,
// into the file named by its first argument.
int recordArguments(const std::vector<std::string>& args) {
    if (args.empty())
        return 1;
    std::ofstream out(args[0] + ".part");
    for (size_t i = 1; i < args.size(); ++i)
        out << args[i] << "\n";
    out.close();
    // Appears whole or not at all for the waiting test.
    return MoveFileA((args[0] + ".part").c_str(), args[0].c_str()) ? 0 : 1;
}
testing_support::ChildMode recorder("record", &recordArguments);

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string tempPath(const char* name) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    std::string path = std::string(directory) + name;
    DeleteFileA(path.c_str());
    return path;
}

std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

// An address the shell cannot open (the file does not exist), so that the
// registered program is asked.
const std::string missingPage = "C:\\velquin-missing\\page.htm";

} // namespace

TEST(FallbackCommand, ThePlaceholderAndWhatFollowsBecomeABlankAndTheAddress) {
    const std::string url = "http://host.example/page.php";
    EXPECT_EQ(FallbackCommand("\"C:\\b\\browser.exe\" -nohome \"%1\" -tail", url),
              "\"C:\\b\\browser.exe\" -nohome  " + url);
    EXPECT_EQ(FallbackCommand("C:\\b\\browser.exe %1 -tail", url), "C:\\b\\browser.exe  " + url);
    EXPECT_EQ(FallbackCommand("C:\\b\\browser.exe -url", url), "C:\\b\\browser.exe -url " + url);
    // The quoted form is looked for first, though a bare one comes earlier.
    EXPECT_EQ(FallbackCommand("b.exe %1x \"%1\"", url), "b.exe %1x  " + url);
}

TEST(FallbackCommand, ACommandThatDoesNotFitTheBufferIsRefused) {
    const std::string command(300, 'c');
    // 300 + blank + 218 = 519 characters and the terminating zero: 520.
    EXPECT_TRUE(FallbackCommand(command, std::string(218, 'u')).has_value());
    EXPECT_FALSE(FallbackCommand(command, std::string(219, 'u')).has_value());
    EXPECT_FALSE(FallbackCommand(command + " %1", std::string(600, 'u')).has_value());
}

class RegisteredBrowser : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(classes.active()); }

    // Registers ".htm" as "velquin.page" with `command` as its open command.
    void registerCommand(const std::string& command) {
        ASSERT_TRUE(classes.setDefault(".htm", "velquin.page"));
        ASSERT_TRUE(classes.setDefault("velquin.page\\shell\\open\\command", command));
    }

    testing_support::PrivateClassesRoot classes;
};

TEST_F(RegisteredBrowser, AnOverlongRegisteredValueCountsAsMissing) {
    std::string value = "unchanged";
    ASSERT_TRUE(classes.setDefault(".htm", std::string(300, 'x')));
    EXPECT_NE(controls::ReadClassesRootDefault(HKEY_CLASSES_ROOT, ".htm", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "unchanged");
}

TEST_F(RegisteredBrowser, WhenTheShellFailsTheRegisteredCommandGetsTheAddress) {
    std::string record = tempPath("velquin-link-record.txt");
    registerCommand(testing_support::childCommandLine("record", {inQuotes(record)}) +
                    " \"%1\" -ignored");
    int result = controls::OpenLink(missingPage, SW_SHOW);
    EXPECT_GT(result, 32);
    ASSERT_TRUE(
        waitUntil([&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    // Cut at the placeholder: the address is the last argument, unquoted.
    EXPECT_EQ(readFile(record), missingPage + "\n");
    DeleteFileA(record.c_str());
}

TEST_F(RegisteredBrowser, WithoutRegistrationOrOpenCommandTheShellsCodeIsReported) {
    EXPECT_EQ(controls::OpenLink(missingPage, SW_SHOW), SE_ERR_FNF);
    ASSERT_TRUE(classes.setDefault(".htm", "velquin.page"));
    EXPECT_EQ(controls::OpenLink(missingPage, SW_SHOW), SE_ERR_FNF);
}

TEST_F(RegisteredBrowser, AnOverlongCommandIsNotRun) {
    std::string record = tempPath("velquin-link-overlong.txt");
    registerCommand(testing_support::childCommandLine("record", {inQuotes(record)}) + " %1");
    std::string longPage = missingPage + "?" + std::string(500, 'q');
    EXPECT_EQ(controls::OpenLink(longPage, SW_SHOW), SE_ERR_FNF);
    // A run would have written the file by now: the one that fits does.
    std::string fits = tempPath("velquin-link-fits.txt");
    registerCommand(testing_support::childCommandLine("record", {inQuotes(fits)}) + " %1");
    EXPECT_GT(controls::OpenLink(missingPage, SW_SHOW), 32);
    ASSERT_TRUE(
        waitUntil([&] { return GetFileAttributesA(fits.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(fits.c_str());
}

TEST_F(RegisteredBrowser, AFailingRegisteredProgramReportsItsOwnCode) {
    // A text file under a program's name: the program cannot be started.
    std::string fake = tempPath("velquin-not-a-program.exe");
    std::ofstream(fake) << "not a program\n";
    registerCommand("\"" + fake + "\" \"%1\"");
    EXPECT_EQ(controls::OpenLink(missingPage, SW_SHOW), ERROR_BAD_FORMAT);
    DeleteFileA(fake.c_str());
}

TEST(ShowOpenError, EachCodeHasItsTextAndOthersAreUnknown) {
    const std::pair<int, const char*> table[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
             "being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {42, "Unknown Error (42) occurred."},
    };
    std::vector<std::string> expected;
    {
        testing_support::MessageBoxWatcher watcher;
        for (const auto& [code, text] : table) {
            controls::ShowOpenError(code);
            expected.push_back(std::string("Unable to open hyperlink:\n\n") + text);
        }
        ASSERT_EQ(watcher.texts().size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(watcher.texts()[i], expected[i]) << "row " << i;
    }
}
