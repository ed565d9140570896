#include "keeper/LineCutter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Feeds the chunks in order and returns every line, with the unterminated
// rest (if any) last, marked by a leading '>'.
std::vector<std::string> cut(std::initializer_list<std::string> chunks) {
    keeper::LineCutter cutter;
    std::vector<std::string> lines;
    for (const std::string& chunk : chunks)
        cutter.feed(chunk.data(), chunk.size(), [&](std::string&& line) { lines.push_back(line); });
    std::string rest = cutter.takePending();
    if (!rest.empty())
        lines.push_back(">" + rest);
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(LineCutter, LfAndCrLfEndLinesButALoneCrStays) {
    EXPECT_EQ(cut({"one\ntwo\r\nthree\rstill three\n"}),
              (Lines{"one", "two", "three\rstill three"}));
}

TEST(LineCutter, CrLfSplitAcrossReadsIsOneLine) {
    EXPECT_EQ(cut({"first\r", "\nsecond\r\n"}), (Lines{"first", "second"}));
    EXPECT_EQ(cut({"a\r", "b\n"}), (Lines{"a\rb"}));
}

TEST(LineCutter, TwoLineFeedsInARowGiveAnEmptyLine) {
    EXPECT_EQ(cut({"a\n\nb\n"}), (Lines{"a", "", "b"}));
    EXPECT_EQ(cut({"a\r\n", "\r\n"}), (Lines{"a", ""}));
}

TEST(LineCutter, OutputWithoutFinalLineFeedLeavesTheRestPending) {
    EXPECT_EQ(cut({"done\npartial"}), (Lines{"done", ">partial"}));
    EXPECT_EQ(cut({"done\n"}), (Lines{"done"}));
}

TEST(LineCutter, ALineIsAssembledFromAnyNumberOfReads) {
    std::string longLine(3000, 'x');
    EXPECT_EQ(
        cut({longLine.substr(0, 1024), longLine.substr(1024, 1024), longLine.substr(2048) + "\n"}),
        (Lines{longLine}));
}

TEST(LineCutter, NulEndsTheUsableTextOfItsRead) {
    EXPECT_EQ(cut({std::string("keep\nthis\0dropped\nalso dropped", 29), "tail\n"}),
              (Lines{"keep", "thistail"}));
}
