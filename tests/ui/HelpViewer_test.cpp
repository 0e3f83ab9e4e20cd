// Help: the Help menu, F1 and the settings window's Help button open the help viewer on their
// topics; the web actions go to the desktop's browser.
#include "tests/ui/UiTestSupport.h"
#include "ui/HelpViewer.h"
#include "ui/MemoryButtons.h"
#include "ui/WebAddresses.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <tuple>

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

// F1 opens the topic of the window it is pressed in, not the generator window's.
TEST_F(Help, f1OpensTheTopicOfTheWindowItIsPressedIn) {
    display->show();
    freqSlider->show();
    settings->show();
    const std::vector<std::pair<QWidget*, QString>> cases{
        {window->LeftPanel->Frequency->fInit, "generator.html"},
        {settings->FsList, "output-settings.html"},
        {freqSlider->FreqSliderLeft, "frequency-slider.html"},
        {freqSlider->txtRound, "frequency-slider.html"},
        {display.get(), "frequency-display.html"},
    };
    for (const auto& [widget, topic] : cases) {
        HelpViewer::Instance().hide();
        QApplication::setActiveWindow(widget->window());
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_F1);
        EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), topic)
            << widget->objectName().toStdString();
        EXPECT_TRUE(HelpViewer::Instance().isVisible());
    }
    HelpViewer::Instance().hide();
}

// With a menu open F1 opens the highlighted item's topic where it has one, else the menu's,
// and the menu closes.
TEST_F(Help, f1InAnOpenMenuOpensThatMenusTopic) {
    GeneratorMenus& m = window->Menus();
    const std::vector<std::tuple<QMenu*, QAction*, QString>> cases{
        {m.File1, nullptr, "file-menu.html"},
        {m.File1, m.RunScript1, "scripts.html"},
        {m.File1, m.SaveWaveFile1, "file-menu.html"},
        {m.Presets1, m.Memory[2], "presets.html"},
        {m.Recall1, m.CompatibilityTest1, "performance-test.html"},
        {m.Recall1, m.Compatibilitysettings1, "output-settings.html"},
        {m.View1, m.FreqSlider1, "frequency-slider.html"},
        {m.About1, m.Help1, "index.html"},
        {window->Memory().Popup[1], nullptr, "presets.html"},
    };
    for (const auto& [menu, item, topic] : cases) {
        HelpViewer::Instance().hide();
        QApplication::setActiveWindow(window.get());
        menu->popup(window->mapToGlobal(QPoint(20, 20)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu, 2000));
        if (item)
            menu->setActiveAction(item);
        QTest::keyClick(menu, Qt::Key_F1);
        EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), topic)
            << menu->objectName().toStdString() << " "
            << (item ? item->objectName().toStdString() : "");
        EXPECT_FALSE(menu->isVisible());
    }
    HelpViewer::Instance().hide();
}

// The viewer's own buttons go back, forward and to the contents; Back and Forward are greyed
// where there is nowhere to go.
TEST_F(Help, viewerButtonsGoBackForwardAndToTheContents) {
    HelpViewer& viewer = HelpViewer::Instance();
    viewer.ShowContext(HelpViewer::GeneratorWindow);
    viewer.ShowContext(HelpViewer::OutputSettings);
    EXPECT_TRUE(viewer.BackButton->isEnabled());
    EXPECT_FALSE(viewer.ForwardButton->isEnabled());
    Click(viewer.BackButton);
    EXPECT_EQ(viewer.CurrentTopic(), "generator.html");
    EXPECT_TRUE(viewer.ForwardButton->isEnabled());
    Click(viewer.ForwardButton);
    EXPECT_EQ(viewer.CurrentTopic(), "output-settings.html");
    EXPECT_FALSE(viewer.ForwardButton->isEnabled());
    Click(viewer.ContentsButton);
    EXPECT_EQ(viewer.CurrentTopic(), "index.html");
    Click(viewer.BackButton);
    EXPECT_EQ(viewer.CurrentTopic(), "output-settings.html");
    viewer.hide();
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
