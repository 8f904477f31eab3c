#include "InstanceLock.h"
#include "settings/InstallRoot.h"
#include "settings/TextFile.h"

#include "AppFixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace velmora::core {
namespace {

using testing::TempRoot;
namespace fs = std::filesystem;

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777u;
}

struct FolderCase {
    const char* name;
    const char* folder;  // "" for the root itself
    unsigned mode;
    bool refused;
    unsigned after;  // the mode it has afterwards
};

TEST(InstallRootPrivacy, FoldersOthersCanChangeAreRefusedAndOnesTheyCanReadMadePrivate) {
    const FolderCase cases[] = {
        {"private root", "", 0700, false, 0700},
        {"readable root", "", 0755, false, 0700},
        {"group-writable root", "", 0770, true, 0770},
        {"world-writable root", "", 0707, true, 0707},
        {"sticky shared root", "", 01777, true, 01777},
        {"readable bin", "bin", 0750, false, 0700},
        {"group-writable datalink", "datalink", 0770, true, 0770},
        {"world-writable apps", "apps", 0703, true, 0703},
        {"group-writable logs in other case", "Logs", 0775, true, 0775},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempRoot root;
        ::chmod((root.dir / "bin").c_str(), 0700);
        const fs::path folder = *c.folder ? root.dir / c.folder : root.dir;
        fs::create_directories(folder);
        ::chmod(folder.c_str(), c.mode);
        const auto privacy = InstallRoot(root.dir).makePrivate();
        EXPECT_EQ(!privacy.refusal.empty(), c.refused) << privacy.refusal;
        if (c.refused) EXPECT_NE(privacy.refusal.find(folder.string()), std::string::npos) << privacy.refusal;
        EXPECT_EQ(modeOf(folder), c.after);
        EXPECT_EQ(privacy.made.size(), c.mode != c.after ? 1u : 0u);
    }
}

TEST(InstallRootPrivacy, AMissingRootIsMadePrivateAndAFileOrAnotherUsersFolderRefused) {
    TempRoot parent;
    const auto missing = parent.dir / "new/Ringvale";
    EXPECT_EQ(InstallRoot(missing).makePrivate().refusal, "");
    EXPECT_EQ(modeOf(missing), 0700u);

    parent.write("plain", "x");
    EXPECT_NE(InstallRoot(parent.dir / "plain").makePrivate().refusal.find("is not a folder"), std::string::npos);

    if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another user needs root";
    fs::create_directories(parent.dir / "theirs/bin");
    ASSERT_EQ(::chown((parent.dir / "theirs/bin").c_str(), 65534, 65534), 0);
    ::chmod((parent.dir / "theirs").c_str(), 0700);
    const auto privacy = InstallRoot(parent.dir / "theirs").makePrivate();
    EXPECT_NE(privacy.refusal.find("belongs to another user"), std::string::npos) << privacy.refusal;
}

TEST(InstanceLockTest, LivesInTheInstallRootAndFailsClosed) {
    TempRoot a, b;
    {
        InstanceLock first(a.dir);
        EXPECT_TRUE(first.acquired());
        EXPECT_EQ(first.file(), a.dir / "bin/.velmoraapp.lock");
        EXPECT_EQ(modeOf(first.file()), 0600u);
        InstanceLock second(a.dir);
        EXPECT_FALSE(second.acquired());
        EXPECT_EQ(second.problem(), "");  // another instance: no fault of the lock's
        EXPECT_TRUE(InstanceLock(b.dir).acquired());
    }
    EXPECT_TRUE(InstanceLock(a.dir).acquired());  // released with its holder

    // A link planted for the lock file is not followed: the program does not run.
    TempRoot c;
    fs::create_symlink(b.dir / "elsewhere.lock", c.dir / "bin/.velmoraapp.lock");
    InstanceLock planted(c.dir);
    EXPECT_FALSE(planted.acquired());
    EXPECT_NE(planted.problem(), "");
    EXPECT_FALSE(fs::exists(b.dir / "elsewhere.lock"));
    InstanceLock nowhere(c.dir / "missing");
    EXPECT_FALSE(nowhere.acquired());
    EXPECT_NE(nowhere.problem(), "");
}

TEST(PrivateFiles, NoWriteFollowsALink) {
    TempRoot root, elsewhere;
    elsewhere.write("target.txt", "theirs\n");
    const auto target = elsewhere.dir / "target.txt";
    fs::create_directories(root.dir / "logs");
    fs::create_symlink(target, root.dir / "logs/chat_log_091226.txt");
    EXPECT_FALSE(appendLine(root.dir / "logs/chat_log_091226.txt", "mine"));
    fs::create_symlink(target, root.dir / "bin/velmoraapp.ini.new");
    EXPECT_FALSE(replaceFile(root.dir / "bin/velmoraapp.ini", "[System]\r\n"));
    fs::create_symlink(target, root.dir / "bin/websettings.ini");
    fs::remove(root.dir / "bin/velmoraapp.ini.new");
    EXPECT_TRUE(replaceFile(root.dir / "bin/websettings.ini", "[System]\r\n"));  // the link itself is replaced
    EXPECT_FALSE(fs::is_symlink(root.dir / "bin/websettings.ini"));
    EXPECT_EQ(elsewhere.read("target.txt"), "theirs\n");
}

}  // namespace
}  // namespace velmora::core
