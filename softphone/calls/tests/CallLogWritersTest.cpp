#include "calls/CallLogWriters.h"

#include "AppFixture.h"
#include "core/AgentFiles.h"
#include "core/CsvText.h"

namespace velmora::calls {
namespace {

using core::testing::TempRoot;

struct CellCase {
    std::string field;    // as the caller sent it
    std::string written;  // the quoted field in the file
};

// Formula starts get the spreadsheet's text mark; numbers and plain text stay byte for byte.
const CellCase kCells[] = {
    {"=1+2", "\"'=1+2\""},
    {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
    {"@SUM(1+1)", "\"'@SUM(1+1)\""},
    {"+1+cmd|' /C calc'!A0", "\"'+1+cmd|' /C calc'!A0\""},
    {"-2+3", "\"'-2+3\""},
    {"\tx", "\"'\tx\""},
    {"'=1+2", "\"''=1+2\""},  // an apostrophe of the caller's own survives the round trip
    {"''@x", "\"'''@x\""},
    {"+15551234567", "\"+15551234567\""},
    {"-", "\"-\""},
    {"+", "\"+\""},
    {"-42", "\"-42\""},
    {"5551234567", "\"5551234567\""},
    {"Ann", "\"Ann\""},
    {"'quoted'", "\"'quoted'\""},
    {"a=b", "\"a=b\""},
    {"", "\"\""},
};

TEST(CallLogWriters, EachFieldIsTextToASpreadsheetAndReadsBackAsSent) {
    for (const auto& c : kCells) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(quotedField(c.field), c.written);
        EXPECT_EQ(core::fromCellText(core::asCellText(c.field)), c.field);
    }
}

TEST(CallLogWriters, AFormulaCallersRecordReadsAsTextInTheLogViewer) {
    TempRoot root;
    const auto file = root.dir / "logs/Ann_calllogs.csv";
    writeOUTEntry(file, {"+15551234567", "Ann", "3", "14:05:09", "12/9/2026", "hang up"});
    writeOUTEntry(file, {"=1+2", "@SUM(1+1)", "3", "14:05:10", "12/9/2026", "-cmd"});
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"),
              "\"+15551234567\",\"Ann\",\"3\",\"14:05:09\",\"12/9/2026\",\"hang up\"\r\n"
              "\"'=1+2\",\"'@SUM(1+1)\",\"3\",\"14:05:10\",\"12/9/2026\",\"'-cmd\"\r\n");
    const auto records = core::readCallLog(file);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (std::vector<std::string>{"=1+2", "@SUM(1+1)", "3", "14:05:10", "12/9/2026", "-cmd"}));
    EXPECT_EQ(records[1][0], "+15551234567");
}

TEST(CallLogWriters, ALineBreakInAFieldNeverStartsARecord) {
    TempRoot root;
    const auto file = root.dir / "logs/x.csv";
    writeOUTEntry(file, {"555\r\n=1+2", "Ann\n\"x\"", "1", "t", "d", "\r=cmd"});
    EXPECT_EQ(root.read("logs/x.csv"), "\"555  =1+2\",\"Ann \"\"x\"\"\",\"1\",\"t\",\"d\",\" =cmd\"\r\n");
    EXPECT_EQ(core::readCallLog(file).size(), 1u);
}

TEST(CallLogWriters, TheDataLinkFileTakesTheSameField) {
    TempRoot root;
    writeInFile(root.dir / "datalink/1.txt", "=1+2");
    EXPECT_EQ(root.read("datalink/1.txt"), "\"'=1+2\"\r\n");
}

}  // namespace
}  // namespace velmora::calls
