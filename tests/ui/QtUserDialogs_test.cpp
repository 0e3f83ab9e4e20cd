// The real message boxes: the notice is one box that waits for nobody and folds repeats in,
// and a box never opens inside another one's loop.
#include "tests/ui/UiTestSupport.h"
#include "ui/QtUserDialogs.h"

#include <QMessageBox>
#include <QTimer>

using namespace quavril;
using namespace quavril::test;

namespace {

int VisibleBoxes() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += qobject_cast<QMessageBox*>(w) && w->isVisible();
    return n;
}

// Closes whatever modal box is open every second, counting how many it had to close: a box
// left open would otherwise hold the test.
struct ModalGuard {
    int forced = 0;
    QTimer timer;
    ModalGuard() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            while (QWidget* w = QApplication::activeModalWidget()) {
                ++forced;
                w->close();
            }
        });
        timer.start(1000);
    }
};

TEST(QtUserDialogsTest, aRepeatedNoticeIsFoldedIntoTheOneBoxShown) {
    App();
    QtUserDialogs dialogs;
    ModalGuard guard;
    const QString failure = "Sound Device Error: \rThe device is gone.";
    dialogs.Notice(failure);
    QMessageBox* box = dialogs.NoticeBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    for (int i = 0; i < 3000; ++i)
        dialogs.Notice(failure);
    // The user's own action failing the same way adds to it instead of a box of its own.
    dialogs.Information(failure);
    EXPECT_EQ(guard.forced, 0) << "no modal box of its own";
    EXPECT_EQ(dialogs.NoticeBox(), box);
    EXPECT_EQ(box->text(), failure);
    EXPECT_EQ(box->informativeText(), "The same message came 3001 more times since.");
    EXPECT_EQ(VisibleBoxes(), 1);
    dialogs.Notice("No sound card");
    EXPECT_EQ(box->text(), "No sound card");
    EXPECT_EQ(box->informativeText(), "");
    EXPECT_EQ(VisibleBoxes(), 1);
    box->close();
    EXPECT_EQ(dialogs.NoticeBox(), nullptr);
    dialogs.Notice(failure);
    EXPECT_EQ(dialogs.NoticeBox(), box) << "the box is shown again, with the new text";
    EXPECT_EQ(box->informativeText(), "");
    box->close();
}

// A message arriving while a modal box waits (from a timer, the hot key or the device) goes
// to the notice; a question then is answered No unseen. The open box stays the only modal one.
TEST(QtUserDialogsTest, aBoxNeverOpensInsideAnotherOne) {
    App();
    QtUserDialogs dialogs;
    ModalGuard guard;
    bool sameModal = false, answer = true;
    QString notice;
    QTimer::singleShot(0, [&] {
        QWidget* first = QApplication::activeModalWidget();
        dialogs.Error("second");
        answer = dialogs.Question("third?");
        notice = dialogs.NoticeBox() ? dialogs.NoticeBox()->text() : QString();
        sameModal = first && QApplication::activeModalWidget() == first;
        if (first)
            first->close();
    });
    dialogs.Information("first");
    EXPECT_EQ(guard.forced, 0);
    EXPECT_TRUE(sameModal);
    EXPECT_FALSE(answer);
    EXPECT_EQ(notice, "second");
    if (dialogs.NoticeBox())
        dialogs.NoticeBox()->close();
}

} // namespace
