// Details of the generator window a new user runs into: edits filled by the program show the
// start of their text, a right press on a step button steps without the panel's copy menu,
// the waveform drop-down keeps the item texts' hidden keywords hidden, long memory names end
// in an ellipsis, and the help viewer closes from the keyboard.
#include "tests/ui/UiTestSupport.h"
#include "ui/HelpViewer.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>

using namespace quavril;
using namespace quavril::test;

namespace {

using WindowPolish = WindowTest;

TEST_F(WindowPolish, programWrittenEditsShowTheirStart) {
    Type(Left().Frequency->fInit, "440");
    Leave();
    Click(Left().Frequency->SemiUp);
    ASSERT_TRUE(Left().Frequency->fInit->text().startsWith("466.16"));
    EXPECT_EQ(Left().Frequency->fInit->cursorPosition(), 0);
}

TEST_F(WindowPolish, rightPressOnAStepButtonStepsWithoutTheCopyMenu) {
    Choose(window->cboChannels, STEREO);
    Type(Left().Frequency->fInit, "1000");
    Leave();
    PressButton* plus = Left().Frequency->fInitPlus;
    QTest::mousePress(plus, Qt::RightButton);
    // The context-menu request the desktop sends along with a right press.
    const QPoint centre = plus->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, centre, plus->mapToGlobal(centre));
    QApplication::sendEvent(plus, &request);
    QTest::mouseRelease(plus, Qt::RightButton);
    Pump();
    EXPECT_EQ(Left().Frequency->fInit->text(), "1001");
    EXPECT_FALSE(window->mnuCopyRtoL->isVisible());
    // Elsewhere on the panel the right button still offers the copy.
    const QPoint free(Left().Box->width() / 2, 8);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, free, Left().Box->mapToGlobal(free));
    QApplication::sendEvent(Left().Box, &menu);
    Pump();
    EXPECT_TRUE(window->mnuCopyRtoL->isVisible());
    window->mnuCopyRtoL->hide();
}

TEST_F(WindowPolish, waveformDropDownIsNoWiderThanTheClosedList) {
    PictureList* list = Left().WaveForm;
    list->showPopup();
    Pump();
    QWidget* popup = list->view()->window();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_LE(popup->width(), list->width());
    EXPECT_EQ(popup->x(), list->mapToGlobal(QPoint(0, 0)).x());
    list->hidePopup();
}

TEST_F(WindowPolish, longMemoryNamesEndInAnEllipsis) {
    session->RenameSlot(2, "A memory name far too long for its button");
    const QString shown = window->MemButton[1]->text();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("A mem")) << shown.toStdString();
    EXPECT_EQ(window->MemButton[1]->property("slotName").toString(),
              "A memory name far too long for its button");
    EXPECT_TRUE(
        window->MemButton[1]->toolTip().startsWith("A memory name far too long for its button\n"))
        << window->MemButton[1]->toolTip().toStdString();
    EXPECT_EQ(window->MemButton[0]->text(), "Memory 1");
}

TEST_F(WindowPolish, helpViewerStandsOverTheWindowAndClosesFromTheKeyboard) {
    for (const QKeyCombination keys :
         {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
        window->Help1Click();
        HelpViewer& viewer = HelpViewer::Instance();
        ASSERT_TRUE(viewer.isVisible());
        EXPECT_EQ(viewer.parentWidget(), window.get());
        QApplication::setActiveWindow(&viewer);
        QTest::keyClick(&viewer, keys.key(), keys.keyboardModifiers());
        EXPECT_FALSE(viewer.isVisible());
    }
}

} // namespace
