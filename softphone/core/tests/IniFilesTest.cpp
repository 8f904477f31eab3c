#include "settings/IniFiles.h"

#include "AppFixture.h"

#include <sys/stat.h>

namespace velmora::core {
namespace {

using testing::TempRoot;

struct WriteCase {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, RewritesTheWholeFileAsTheRulesSay) {
    const auto& c = GetParam();
    EXPECT_EQ(iniWithKey(c.before, c.section, c.key, c.value), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(WriteCase{"ReplaceInPlace", "[System]\r\nA=1\r\nLogin=old\r\nB=2\r\n", "System", "Login", "1001",
                                "[System]\r\nA=1\r\nLogin=1001\r\nB=2\r\n"},
                      WriteCase{"ReplaceIgnoresCaseAndKeepsHeader", "[system]\r\nlogin=old\r\n", "System", "Login", "x",
                                "[system]\r\nLogin=x\r\n"},
                      WriteCase{"InsertBelowHeader", "[System]\r\nA=1\r\n[Other]\r\nLogin=keep\r\n", "System", "Login",
                                "9", "[System]\r\nLogin=9\r\nA=1\r\n[Other]\r\nLogin=keep\r\n"},
                      WriteCase{"NewSectionAfterOneBlankLine", "[A]\r\nx=1\r\n", "B", "k", "v",
                                "[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n"},
                      WriteCase{"EmptyFile", "", "System", "CLICK", "ON", "[System]\r\nCLICK=ON\r\n"},
                      WriteCase{"BlankRunsCollapse", "[A]\r\nx=1\r\n\r\n\r\n\r\n[B]\r\ny=2\r\n", "A", "x", "3",
                                "[A]\r\nx=3\r\n\r\n[B]\r\ny=2\r\n"},
                      WriteCase{"LastLineWithoutBreakKeepsItsValue", "[System]\r\nLogin=abc", "System", "Login",
                                "longer", "[System]\r\nLogin=longer\r\n"},
                      WriteCase{"LineFeedOnlyFileKeepsOneSection", "[System]\nA=1\n", "System", "B", "2",
                                "[System]\r\nB=2\r\nA=1\r\n"},
                      WriteCase{"KeyWithBlanksAroundEqualsIsNotTheKey", "[System]\r\nLogin = x\r\n", "System", "Login",
                                "y", "[System]\r\nLogin=y\r\nLogin = x\r\n"},
                      WriteCase{"BracketInAValueIsNoSectionForTheWriter",
                                "[System]\r\nLMPass=p[1]w\r\nLMUser=ann\r\n[Other]\r\nLMUser=keep\r\n", "System",
                                "LMUser", "bob",
                                "[System]\r\nLMPass=p[1]w\r\nLMUser=bob\r\n[Other]\r\nLMUser=keep\r\n"},
                      WriteCase{"IndentedHeaderEndsTheSection", "[System]\r\nA=1\r\n  [Other]\r\nB=keep\r\n", "System",
                                "B", "2", "[System]\r\nB=2\r\nA=1\r\n  [Other]\r\nB=keep\r\n"},
                      WriteCase{"LineBreaksInTheValueAreRemoved", "[System]\r\nLastNumber=1\r\n", "System",
                                "LastNumber", "5551234567\r\nSIPProxy=evil.example\n\r",
                                "[System]\r\nLastNumber=5551234567SIPProxy=evil.example\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniRead, MatchesLineStartIgnoringCaseAndKeepsTheValueAsWritten) {
    TempRoot root;
    root.write("bin/a.ini",
               "[Other]\r\nclickshow123=No\r\n[system]\r\nCLICKSHOW123=True  \r\n spaced=1\r\n"
               "Blank = 2\r\n[Third]\r\n");
    const auto file = root.dir / "bin/a.ini";
    EXPECT_EQ(INIread(file, "System", "clickshow123"), "True  ");
    EXPECT_EQ(INIread(file, "System", "spaced"), "");
    EXPECT_EQ(INIread(file, "System", "Blank"), "");
    EXPECT_EQ(INIread(file, "Missing", "clickshow123"), "");
}

TEST(IniRead, OnlyALineOpeningWithABracketStartsASection) {
    TempRoot root;
    const auto file = root.dir / "bin/velmoraapp.ini";
    // Written by the program itself, as a CRM password with "[" is saved.
    ASSERT_TRUE(INIwrite(file, "System", "LMWGroup", "sales"));
    ASSERT_TRUE(INIwrite(file, "System", "LMUser", "ann"));
    ASSERT_TRUE(INIwrite(file, "System", "LMPass", "pa[ss]w[rd"));
    ASSERT_TRUE(INIwrite(file, "Other", "LMWGroup", "elsewhere"));
    struct Case {
        const char *section, *key, *value;
    };
    for (const Case& c : {Case{"System", "LMPass", "pa[ss]w[rd"}, Case{"System", "LMUser", "ann"},
                          Case{"System", "LMWGroup", "sales"}, Case{"Other", "LMWGroup", "elsewhere"}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(INIread(file, c.section, c.key), c.value);
        EXPECT_EQ(GetProfileSetting(c.section, c.key, file), c.value);
    }
    root.write("bin/b.ini", "[System]\r\nA=[x\r\nB=2\r\n \t[Next]\r\nC=3\r\n");
    EXPECT_EQ(INIread(root.dir / "bin/b.ini", "System", "B"), "2");
    EXPECT_EQ(INIread(root.dir / "bin/b.ini", "System", "C"), "");
    EXPECT_EQ(INIread(root.dir / "bin/b.ini", "Next", "C"), "3");
}

TEST(IniRead, CreatesAMissingFileReadableByTheUserAlone) {
    TempRoot root;
    const auto file = root.dir / "bin/new.ini";
    EXPECT_EQ(INIread(file, "System", "Key"), "");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(IniWrite, WritesTheFileAndKeepsItPrivate) {
    TempRoot root;
    const auto file = root.dir / "bin/velmoraapp.ini";
    ASSERT_TRUE(INIwrite(file, "System", "Login", "1001"));
    ASSERT_TRUE(INIwrite(file, "System", "Password", "secret"));
    EXPECT_EQ(root.read("bin/velmoraapp.ini"), "[System]\r\nPassword=secret\r\nLogin=1001\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(IniWrite, ValueWithCrLfWritesOneLineAndNoKeyOfItsOwn) {
    TempRoot root;
    const auto file = root.dir / "bin/velmoraapp.ini";
    ASSERT_TRUE(INIwrite(file, "System", "SIPProxy", "7730.example.net"));
    ASSERT_TRUE(INIwrite(file, "System", "LastNumber", "5551234567\r\nSIPProxy=evil.example"));
    EXPECT_EQ(root.read("bin/velmoraapp.ini"),
              "[System]\r\nLastNumber=5551234567SIPProxy=evil.example\r\nSIPProxy=7730.example.net\r\n");
    EXPECT_EQ(INIread(file, "System", "SIPProxy"), "7730.example.net");
    EXPECT_EQ(GetProfileSetting("System", "SIPProxy", file), "7730.example.net");
}

TEST(IniWrite, FailsWithoutTouchingAnythingWhenTheFolderIsMissing) {
    TempRoot root;
    EXPECT_FALSE(INIwrite(root.dir / "nowhere/x.ini", "System", "A", "1"));
}

TEST(ProfileSetting, TrimsIgnoresCaseAndCutsLongValues) {
    TempRoot root;
    const std::string longValue(2000, 'v');
    root.write("bin/p.ini",
               "[SYSTEM]\nSIPProxy = 7730 \nQuoted=\"a b\"\nLong=" + longValue + "\n[Other]\nSIPProxy=no\n");
    const auto file = root.dir / "bin/p.ini";
    EXPECT_EQ(GetProfileSetting("System", "sipproxy", file), "7730");
    EXPECT_EQ(GetProfileSetting("System", "Quoted", file), "a b");
    EXPECT_EQ(GetProfileSetting("System", "Long", file).size(), 749u);
    EXPECT_EQ(GetProfileSetting("System", "Missing", file), "");
    EXPECT_EQ(GetProfileSetting("Nope", "SIPProxy", file), "");
    EXPECT_EQ(GetProfileSetting("System", "SIPProxy", root.dir / "bin/absent.ini"), "");
}

TEST(ProfileSetting, SurvivesBinaryAndHugeFiles) {
    TempRoot root;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 37 % 256);
    root.write("bin/bin.ini", binary);
    EXPECT_EQ(GetProfileSetting("System", "Login", root.dir / "bin/bin.ini"), "");
    EXPECT_EQ(INIread(root.dir / "bin/bin.ini", "System", "Login"), "");

    std::string huge = "[System]\r\n";
    for (int i = 0; i < 100000; ++i) huge += "k" + std::to_string(i) + "=v\r\n";
    root.write("bin/huge.ini", huge);
    const auto file = root.dir / "bin/huge.ini";
    EXPECT_EQ(GetProfileSetting("System", "k99999", file), "v");
    EXPECT_EQ(INIread(file, "System", "k99999"), "v");
    ASSERT_TRUE(INIwrite(file, "System", "k50000", "w"));
    EXPECT_EQ(INIread(file, "System", "k50000"), "w");
}

}  // namespace
}  // namespace velmora::core
