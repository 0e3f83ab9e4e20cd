// Help: the Help menu, F1 and the settings window's Help button open the help viewer on their
// topics; the web actions go to the desktop's browser.
#include "tests/ui/UiTestSupport.h"
#include "ui/HelpViewer.h"
#include "ui/WebAddresses.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>

using namespace quavril;
using namespace quavril::test;

namespace {

// Receives the URLs that the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl& url) { Opened.append(url); }
};

class Help : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        HelpViewer::SetFolder(QString(QUAVRIL_SOURCE_DIR) + "/resources/help");
    }
};

TEST_F(Help, everyContextHasATopicFile) {
    for (int context : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 99}) {
        const QString file = HelpViewer::TopicOf(context);
        EXPECT_TRUE(QFile::exists(QDir(HelpViewer::Folder()).filePath(file))) << file.toStdString();
    }
    EXPECT_EQ(HelpViewer::TopicOf(1), "generator.html");
    EXPECT_EQ(HelpViewer::TopicOf(7), "frequency-slider.html");
    EXPECT_EQ(HelpViewer::TopicOf(9), "signal-monitor.html");
    EXPECT_EQ(HelpViewer::TopicOf(10), "index.html");
}

TEST_F(Help, menuAndF1OpenTheirTopics) {
    window->Menus().HelpContents1->trigger();
    EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), "index.html");
    EXPECT_TRUE(HelpViewer::Instance().isVisible());
    QApplication::setActiveWindow(window.get());
    window->btnPause->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), "generator.html");
    Click(settings->HelpButton);
    EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), "output-settings.html");
    HelpViewer::Instance().hide();
}

TEST_F(Help, webActionsOpenTheMakersPages) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    window->Menus().MoreSoftware1->trigger();
    QTest::mouseClick(window->Image1, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(catcher.Opened.size(), 2);
    EXPECT_EQ(catcher.Opened[0], QUrl(WebAddresses::MoreSoftware));
    EXPECT_EQ(catcher.Opened[1], QUrl(WebAddresses::Home));
}

// Without any way to open a web page the user is told which page could not be opened.
TEST_F(Help, aWebPageWithoutBrowserIsReported) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    window->Menus().MoreSoftware1->trigger();
    qputenv("PATH", path);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Kind, "information");
    EXPECT_TRUE(dialogs.Messages[0].Text.contains(WebAddresses::MoreSoftware));
}

} // namespace

#include "HelpViewer_test.moc"
