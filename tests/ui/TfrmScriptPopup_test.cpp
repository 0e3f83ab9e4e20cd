// The script window: its caption and label, its two stop buttons and the title-bar close, and
// a script run through it on the event loop with the user pressing the buttons.
#include "session/ScriptRun.h"
#include "tests/session/FakeScriptHost.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HelpViewer.h"
#include "ui/TfrmScriptPopup.h"

#include <QSignalSpy>
#include <QTimer>
#include <fstream>

using namespace quavril;
using namespace quavril::test;

namespace {

// The generator side of a run; the window side is the real script window.
class GeneratorOnly : public FakeScriptHost {};

class ScriptPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        mainWindow.show();
    }
    void TearDown() override { popup.hide(); }

    std::string Script(const std::string& text) {
        const std::string path = dir.filePath("s.qvs").toStdString();
        std::ofstream(path) << text;
        return path;
    }

    QApplication& app = App(); // before the first widget
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QWidget mainWindow;
    TfrmScriptPopup popup{dialogs, &mainWindow};
};

TEST_F(ScriptPopupTest, showsItsCaptionAndLabelAndLocksTheMainWindow) {
    popup.SetMainWindowEnabled(false);
    popup.ShowPopup();
    popup.SetLabel("Line 2: play");
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.windowTitle(), "QVL 3.92 Script");
    EXPECT_EQ(popup.Label1->text(), "Line 2: play");
    EXPECT_FALSE(mainWindow.isEnabled());
    popup.HidePopup();
    popup.SetMainWindowEnabled(true);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    popup.ShowError("Invalid command in line 3");
    popup.ShowInformation("Check the level");
    ASSERT_EQ(dialogs.Messages.size(), 2u);
    EXPECT_EQ(dialogs.Messages[0].Kind, "error");
    EXPECT_EQ(dialogs.Messages[0].Text, "Invalid command in line 3");
    EXPECT_EQ(dialogs.Messages[1].Kind, "information");
}

TEST_F(ScriptPopupTest, firstButtonAndTitleBarCloseTheWindowSecondButtonAsksToStop) {
    QSignalSpy closed(&popup, &TfrmScriptPopup::CloseRequested);
    QSignalSpy stopped(&popup, &TfrmScriptPopup::StopRequested);
    popup.ShowPopup();
    QTest::mouseClick(popup.Button1, Qt::LeftButton);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(closed.count(), 1);

    popup.ShowPopup();
    popup.close(); // the title-bar close
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(closed.count(), 2);

    popup.ShowPopup();
    QTest::mouseClick(popup.Button2, Qt::LeftButton);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(closed.count(), 2);
    // A hide by the program is no request.
    popup.HidePopup();
    EXPECT_EQ(closed.count(), 2);
}

TEST_F(ScriptPopupTest, f1ShowsTheScriptsTopic) {
    HelpViewer::SetFolder(QString(QUAVRIL_SOURCE_DIR) + "/resources/help");
    popup.ShowPopup();
    QTest::keyClick(&popup, Qt::Key_F1);
    EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), "scripts.html");
    HelpViewer::Instance().hide();
}

// The user presses a button of the script window once it shows `label`; `lockedThen` tells
// whether the main window was locked at that moment.
void PressWhenShowing(TfrmScriptPopup& popup, const QString& label, QPushButton* button,
                      const QWidget& mainWindow, bool& lockedThen) {
    auto* timer = new QTimer(&popup);
    QObject::connect(timer, &QTimer::timeout, [=, &popup, &mainWindow, &lockedThen] {
        if (!popup.isVisible() || popup.Label1->text() != label)
            return;
        lockedThen = !mainWindow.isEnabled();
        timer->stop();
        timer->deleteLater();
        QTest::mouseClick(button, Qt::LeftButton);
    });
    timer->start(10);
}

TEST_F(ScriptPopupTest, scriptRunEndsWhenTheUserPressesAButton) {
    GeneratorOnly generator;
    ScriptRun run(generator, popup);
    QObject::connect(&popup, &TfrmScriptPopup::CloseRequested, &run, &ScriptRun::CloseRequested);
    QObject::connect(&popup, &TfrmScriptPopup::StopRequested, &run, &ScriptRun::StopRequested);

    // Second button in a delay of a quarter of an hour.
    bool locked = false;
    PressWhenShowing(popup, "Line 2: delay", popup.Button2, mainWindow, locked);
    EXPECT_EQ(run.Run(Script("rem\ndelay 1000\nend\n")),
              ScriptOutcome::Finished);
    EXPECT_TRUE(locked);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());

    // First button: the current delay runs to its end, then the script ends.
    locked = false;
    PressWhenShowing(popup, "Line 1: delay", popup.Button1, mainWindow, locked);
    EXPECT_EQ(run.Run(Script("delay 0.3\nrem never\n")),
              ScriptOutcome::Finished);
    EXPECT_TRUE(locked);
    EXPECT_EQ(popup.Label1->text(), "Line 1: delay");
    EXPECT_FALSE(popup.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_TRUE(dialogs.Messages.empty());
}

} // namespace
