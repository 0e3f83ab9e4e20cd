// The memory buttons: recall on a click, store and rename from their popup menus.
#include "tests/ui/UiTestSupport.h"
#include "ui/MemoryButtons.h"

using namespace quavril;
using namespace quavril::test;

namespace {

class MemoryGroup : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        session->FillBank();
    }
    MemoryButtons& Memory() { return window->Memory(); }
};

TEST_F(MemoryGroup, buttonsShowTheDefaultNames) {
    EXPECT_EQ(window->MemButton[0]->text(), "Memory 1");
    EXPECT_EQ(window->MemButton[3]->text(), "Memory 4");
    EXPECT_FALSE(window->MemEdit[0]->isVisible());
}

TEST_F(MemoryGroup, storeThenRecallBringsTheSettingsBack) {
    Choose(window->cboChannels, STEREO);
    Click(Left().Tick);
    Type(Right().Frequency->fInit, "440");
    Leave();
    Memory().StoreItem[1]->trigger();
    Choose(window->cboChannels, MONO);
    Type(Right().Frequency->fInit, "880");
    Leave();
    Click(window->MemButton[1]);
    EXPECT_EQ(window->cboChannels->currentIndex(), STEREO);
    EXPECT_FALSE(Left().Tick->isChecked());
    EXPECT_TRUE(Right().Tick->isChecked());
    EXPECT_EQ(Right().Frequency->fInit->text(), "440");
    EXPECT_TRUE(Right().Box->isEnabled());
}

TEST_F(MemoryGroup, functionKeysRecallAndStore) {
    Type(Left().Frequency->fInit, "123");
    Leave();
    QTest::keyClick(window.get(), Qt::Key_F7, Qt::ShiftModifier);
    Type(Left().Frequency->fInit, "456");
    Leave();
    QTest::keyClick(window.get(), Qt::Key_F7);
    EXPECT_EQ(Left().Frequency->fInit->text(), "123");
}

TEST_F(MemoryGroup, presetKeysDoNothingWhilePlaying) {
    Type(Left().Frequency->fInit, "123");
    Leave();
    QTest::keyClick(window.get(), Qt::Key_F5, Qt::ShiftModifier);
    Type(Left().Frequency->fInit, "456");
    Leave();
    Click(window->btnON);
    Pump();
    QTest::keyClick(window.get(), Qt::Key_F5);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Left().Frequency->fInit->text(), "456");
    EXPECT_TRUE(window->GeneratorRunning());
    Click(window->btnOFF);
    Pump();
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(Left().Frequency->fInit->text(), "123");
}

TEST_F(MemoryGroup, recallWithAutostartSwitchesOn) {
    window->Menus().PresetRecallAutostart1->setChecked(true);
    Click(window->MemButton[0]);
    Pump();
    EXPECT_TRUE(window->GeneratorRunning());
}

TEST_F(MemoryGroup, renameCommitsOnEnterWithoutStartingTheGenerator) {
    Memory().RenameItem[2]->trigger();
    EXPECT_TRUE(Shown(window->MemEdit[2]));
    EXPECT_FALSE(window->btnON->isDefault());
    EXPECT_EQ(window->MemButton[2]->text(), "");
    QTest::keyClicks(window->MemEdit[2], "Sweep");
    QTest::keyClick(window->MemEdit[2], Qt::Key_Return);
    Pump();
    EXPECT_EQ(window->MemButton[2]->text(), "Sweep");
    EXPECT_EQ(session->Bank().Slot(3).Name, "Sweep");
    EXPECT_FALSE(Shown(window->MemEdit[2]));
    EXPECT_TRUE(window->btnON->isDefault());
    EXPECT_FALSE(window->GeneratorRunning());
}

TEST_F(MemoryGroup, leavingTheRenameEditCommitsAnEmptyName) {
    Memory().RenameItem[0]->trigger();
    Leave();
    EXPECT_EQ(window->MemButton[0]->text(), "");
    EXPECT_EQ(session->Bank().Slot(1).Name, "");
    EXPECT_FALSE(window->MemEdit[0]->isEnabled());
}

} // namespace

namespace {

class PresetFiles : public MemoryGroup {};

TEST_F(PresetFiles, savedBankLoadsBackWithItsNames) {
    Memory().RenameItem[0]->trigger();
    QTest::keyClicks(window->MemEdit[0], "Tone");
    QTest::keyClick(window->MemEdit[0], Qt::Key_Return);
    const QString path = configDir.filePath("bank.qvl");
    dialogs.SavePaths = {path};
    window->Menus().SaveSweepSettingsAs1->trigger();
    ASSERT_EQ(dialogs.SaveRequests.size(), 1u);
    EXPECT_FALSE(dialogs.SaveRequests[0].ConfirmOverwrite);
    EXPECT_EQ(dialogs.SaveRequests[0].DefaultSuffix, "qvl");
    session->FillBank();
    EXPECT_EQ(window->MemButton[0]->text(), "Memory 1");
    dialogs.OpenPaths = {path};
    window->Menus().LoadSweepSettings1->trigger();
    EXPECT_EQ(window->MemButton[0]->text(), "Tone");
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(PresetFiles, aFileOfAnotherKindIsReported) {
    const QString path = configDir.filePath("not-a-bank.qvl");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello");
    f.close();
    dialogs.OpenPaths = {path};
    window->Menus().LoadSweepSettings1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "Wrong file format");
    EXPECT_EQ(window->MemButton[0]->text(), "Memory 1");
}

} // namespace
