#include "app/Program.h"
#include "PopupMenu.h"
#include "Provisioning.h"
#include "AgentFiles.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

struct ProvisioningTest : testing::AppFixture {
    app::Program program{app};
    ProvisioningTest() { root.write("bin/deployment.ini", "[Deployment]\r\nServiceDomain=voice.example.net\r\n"); }
    std::string saved(const std::string& code) {
        window.Text1.setText(code);
        window.Text2.setText(" portal ");
        window.Text3.setText("pw");
        window.SaveCustNum.click();
        return root.read("bin/velmoraapp.ini");
    }
};

TEST_F(ProvisioningTest, ATwentyCharacterCodeIsSplitAtItsPositions) {
    window.webtimer.setEnabled(false);
    window.custNumCmd.click();
    EXPECT_TRUE(window.Frame7.visible());
    EXPECT_EQ(saved("AB77301001secret0001"),
              "[System]\r\npassweb=pw\r\nUserweb= portal \r\nMon=True\r\nSIPProxy=7730.voice.example.net\r\n"
              "OutBoundProxy=7730.voice.example.net\r\nAuthLogin=1001\r\nLogin=1001\r\nPassword=secret0001\r\n"
              "customerNumber=AB77301001secret0001\r\n");
    EXPECT_FALSE(window.Frame7.visible());
    EXPECT_TRUE(window.webtimer.enabled());
}

TEST_F(ProvisioningTest, ALeadingBlankShiftsEveryFieldButNotTheCustomerNumber) {
    root.write("bin/velmoraapp.ini", "[System]\r\nMon=\r\nLogin=old\r\n");
    EXPECT_EQ(saved(" AB77301001secret0001"),
              "[System]\r\npassweb=pw\r\nUserweb= portal \r\nSIPProxy=B773.voice.example.net\r\n"
              "OutBoundProxy=B773.voice.example.net\r\nAuthLogin=0100\r\nPassword=1secret000\r\n"
              "customerNumber=AB77301001secret0001\r\nMon=True\r\nLogin=0100\r\n");
}

TEST_F(ProvisioningTest, AShortCodeGivesShortOrEmptyValues) {
    const auto code = splitProvisioningCode("AB773");
    EXPECT_EQ(code.accountNumber, "773");
    EXPECT_EQ(code.login, "");
    EXPECT_EQ(code.password, "");
    EXPECT_EQ(saved(""),
              "[System]\r\npassweb=pw\r\nUserweb= portal \r\nMon=True\r\nSIPProxy=.voice.example.net\r\n"
              "OutBoundProxy=.voice.example.net\r\nAuthLogin=\r\nLogin=\r\nPassword=\r\ncustomerNumber=\r\n");
}

TEST_F(ProvisioningTest, CrmCredentialsAndTheProvisionedSwitch) {
    window.LMFrame.setVisible(true);
    window.LMUsetTxt.setText("  lmuser ");
    window.LMPassTxt.setText("lmpass");
    window.LMWorkGroupTxT.setText(" wg");
    window.saveHidePush.click();
    EXPECT_FALSE(window.LMFrame.visible());
    window.Label18.doubleClick();
    EXPECT_EQ(root.read("bin/velmoraapp.ini"),
              "[System]\r\nMon=True\r\nLMWGroup=wg\r\nLMPass=lmpass\r\nLMUser=lmuser\r\n");
    window.Label21.doubleClick();
    EXPECT_EQ(root.read("bin/velmoraapp.ini"), "[System]\r\nMon=\r\nLMWGroup=wg\r\nLMPass=lmpass\r\nLMUser=lmuser\r\n");
}

TEST_F(ProvisioningTest, NotesFileOpensInTheEditorButNeverOutsideBin) {
    root.write("bin/velmoraapp.ini", "[System]\r\nLogin=1001\r\n");
    window.editSk1.click();
    EXPECT_EQ(window.loginTxT.caption(), "1001");
    ASSERT_EQ(platform.edited.size(), 1u);
    EXPECT_EQ(platform.edited[0], root.dir / "bin" / "1001.txt");

    root.write("bin/velmoraapp.ini", "[System]\r\nLogin=../../etc/passwd\r\n");
    window.editSk1.click();
    EXPECT_EQ(platform.edited.size(), 1u);
    EXPECT_NE(window.ListStatusLog.lines().back().find("refused"), std::string::npos);
}

TEST_F(ProvisioningTest, KeyPadViewTwiceKeepsTheSizeAndRewritesThePosition) {
    root.write("bin/velmoraapp.ini", "[System]\r\nTransferNumber=5550001111\r\nForward=5552223333\r\n");
    root.write("bin/transfer.txt", "5550001111,5550002222\r\n\"5550003333\"\r\n");
    window.form.move(1500, 3000);
    window.Frame2.setVisible(true);
    window.audioFrm.setVisible(true);
    window.expChk.setValue(1);
    EXPECT_EQ(window.form.width(), 7725);
    EXPECT_EQ(window.form.height(), 5625);
    EXPECT_TRUE(window.Frame2.visible()) << "the pad only: the chat stays";
    EXPECT_TRUE(window.audioFrm.visible()) << "the pad only: the device lists stay";
    EXPECT_EQ(window.leftTxt.text(), "1500");
    EXPECT_EQ(window.topTxT.text(), "3000");
    EXPECT_EQ(root.read("bin/buttonprg.ini"), "[System]\r\nLeft=1500\r\nTop=3000\r\n");
    EXPECT_EQ(window.EditTransferPhoneNo.entries(),
              (std::vector<std::string>{"5550001111", "5550002222", "5550003333"}));
    EXPECT_EQ(window.EditTransferPhoneNo.text(), "5550001111");
    EXPECT_EQ(window.EditForwardCallPhoneNo.text(), "5552223333");

    window.form.move(1800, 600);
    window.expChk.click();
    EXPECT_EQ(window.form.width(), 3840);
    EXPECT_EQ(window.form.height(), 5625);
    EXPECT_EQ(root.read("bin/buttonprg.ini"), "[System]\r\nLeft=1800\r\nTop=600\r\n");
    EXPECT_EQ(window.EditTransferPhoneNo.count(), 3);
}

TEST_F(ProvisioningTest, PopupMenuClearsKeyPadViewThenRunsTheEntry) {
    root.write("apps/Lumbra", "#!/bin/sh\n");
    root.write("apps/tarvik.EXE", "x");
    root.write("bin/deployment.ini", "[Deployment]\r\nPolicyAddress=https://policy.example\r\n");
    window.expChk.setValue(1);
    runPopupEntry(app, MenuOrigin::StatusLog, 4);
    EXPECT_EQ(window.expChk.value(), 0);
    runPopupEntry(app, MenuOrigin::Banner, 4);
    runPopupEntry(app, MenuOrigin::Banner, 5);  // Ostrel is missing: said so
    runPopupEntry(app, MenuOrigin::StatusLog, 6);
    runPopupEntry(app, MenuOrigin::StatusLog, 7);  // no help address: nothing
    runPopupEntry(app, MenuOrigin::StatusLog, 3);
    runPopupEntry(app, MenuOrigin::StatusLog, 0);
    ASSERT_EQ(platform.launches.size(), 2u);
    EXPECT_EQ(platform.launches[0].program, root.dir / "apps" / "Lumbra");
    EXPECT_EQ(platform.launches[1].program, root.dir / "apps" / "tarvik.EXE");
    EXPECT_TRUE(platform.launches[0].arguments.empty());
    EXPECT_EQ(platform.openedUrls, (std::vector<std::string>{"https://policy.example"}));
    EXPECT_EQ(platform.shownWindows, (std::vector<ProgramWindow>{ProgramWindow::About}));
    EXPECT_EQ(window.ListStatusLog.lines(), (std::vector<std::string>{"Ostrel is not installed in apps/."}));
}

TEST(AgentFilesTest, CallLogRecordsNewestFirstWithDoubledQuotes) {
    testing::TempRoot root;
    root.write("logs/Ann_calllogs.csv",
               "\"5551\",\"Ann\",\"42\",\"14:05:09\",\"12/9/2026\",\"hang up\"\r\n"
               "\"5552\",\"Ann \"\"A\"\"\",\"3\",\"15:00:00\",\"12/9/2026\",\"\"\r\n");
    const auto records = readCallLog(root.dir / "logs/Ann_calllogs.csv");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], (std::vector<std::string>{"5552", "Ann \"A\"", "3", "15:00:00", "12/9/2026", ""}));
    EXPECT_EQ(records[1][5], "hang up");
}

TEST(AgentFilesTest, RecordingsTellTheirNumberDateAndTime) {
    testing::TempRoot root;
    root.write("messages/2025550147_091226_071327.wav", "");
    root.write("messages/2025550148_101226_080000.wav", "");
    root.write("messages/odd.wav", "");
    root.write("messages/notes.txt", "");
    const auto recordings = listRecordings(root.dir / "messages");
    ASSERT_EQ(recordings.size(), 3u);
    EXPECT_EQ(recordings[0].name, "2025550148");
    EXPECT_EQ(recordings[1].name, "2025550147");
    EXPECT_EQ(recordings[1].date, "12/9/2026");
    EXPECT_EQ(recordings[1].time, "07:13:27");
    EXPECT_EQ(recordings[2].name, "odd.wav");
}

TEST(AgentFilesTest, AKeptRecordingIsSavedUnderItsOwnNameOrDeleted) {
    testing::TempRoot root;
    const auto kept = root.dir / "engine/recordings/unsaved";
    root.write("engine/recordings/unsaved/5557654321_091226_140509.wav", "audio");
    root.write("engine/recordings/unsaved/5550001111_091226_140509.wav", "other");
    root.write("messages/5557654321_091226_140509.wav", "an earlier save");
    const auto saved = saveKeptRecording(kept / "5557654321_091226_140509.wav", root.dir / "messages");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->filename(), "5557654321_091226_140509-2.wav");  // the earlier file stays
    EXPECT_EQ(root.read("messages/5557654321_091226_140509-2.wav"), "audio");
    EXPECT_EQ(root.read("messages/5557654321_091226_140509.wav"), "an earlier save");
    EXPECT_FALSE(std::filesystem::exists(kept / "5557654321_091226_140509.wav"));
    // Only a file of the kept folder is deleted, never one named from elsewhere.
    EXPECT_FALSE(deleteKeptRecording(root.dir / "messages/5557654321_091226_140509.wav", kept));
    EXPECT_TRUE(deleteKeptRecording(kept / "5550001111_091226_140509.wav", kept));
    EXPECT_TRUE(std::filesystem::is_empty(kept));
}

}  // namespace
}  // namespace velmora::core
