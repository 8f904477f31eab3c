#include "settings/ListFile.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

TEST(ListFile, SplitsAtCommasAndLineEndsAndRemovesQuotes) {
    EXPECT_EQ(parseListItems("\"1001\",\"1002\"\r\n1003\n  1004  ,\"Smith, J\"\r\n\r\n", 99),
              (std::vector<std::string>{"1001", "1002", "1003", "1004", "Smith, J"}));
}

TEST(ListFile, KeepsTheFirstEntriesUpToTheMaximum) {
    testing::TempRoot root;
    std::string sixty;
    for (int i = 1; i <= 60; ++i) sixty += "agent" + std::to_string(i) + "\r\n";
    root.write("bin/agentlist.txt", sixty);
    const auto items = readListFile(root.dir / "bin/agentlist.txt", 49);
    ASSERT_EQ(items.size(), 49u);
    EXPECT_EQ(items.front(), "agent1");
    EXPECT_EQ(items.back(), "agent49");
}

TEST(ListFile, MissingEmptyAndBinaryFilesGiveNothingHarmful) {
    testing::TempRoot root;
    EXPECT_TRUE(readListFile(root.dir / "bin/absent.txt", 49).empty());
    root.write("bin/empty.txt", "");
    EXPECT_TRUE(readListFile(root.dir / "bin/empty.txt", 49).empty());
    std::string binary(10000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i % 251);
    root.write("bin/binary.txt", binary);
    EXPECT_LE(readListFile(root.dir / "bin/binary.txt", 49).size(), 49u);
}

TEST(InstallRootLookup, FindsFilesWhateverTheirCase) {
    testing::TempRoot root;
    root.write("BIN/AgentList.txt", "x");
    InstallRoot install(root.dir);
    EXPECT_EQ(install.find("bin/agentlist.txt"), root.dir / "bin" / "agentlist.txt") << "an existing bin folder wins";
    std::filesystem::remove_all(root.dir / "bin");
    EXPECT_EQ(install.find("bin/agentlist.txt"), root.dir / "BIN" / "AgentList.txt");
    EXPECT_EQ(install.find("bin/missing.txt"), root.dir / "BIN" / "missing.txt");
}

}  // namespace
}  // namespace velmora::core
