#pragma once
// Shared set-up of the window tests: an offscreen application, dialogs that the test answers,
// and a generator window on the virtual sound device with its output settings window.
#include "audio/TAudioOut.h"
#include "audio/VirtualWaveOut.h"
#include "settings/SettingsStore.h"
#include "ui/ApplicationTitle.h"
#include "ui/ChannelPanel.h"
#include "ui/ClickableLabel.h"
#include "ui/ExitLineEdit.h"
#include "ui/FrequencyGroup.h"
#include "ui/GeneratorMenus.h"
#include "ui/PictureList.h"
#include "ui/PressButton.h"
#include "ui/StatusLamp.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/TfrmGenerator.h"
#include "ui/TfrmSettings.h"
#include "ui/UserDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quavril::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "quavril-ui-tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Message boxes and file dialogs answered by the test; every box shown is recorded.
class ScriptedDialogs : public UserDialogs {
public:
    struct Shown {
        std::string Kind; // "information", "error", "notice", "question", "confirm"
        QString Text;
    };
    std::vector<Shown> Messages;
    std::deque<bool> Answers;      // for questions and confirmations; No / Cancel when empty
    std::deque<QString> SavePaths; // for save dialogs; cancelled when empty
    std::vector<FileRequest> SaveRequests;
    std::function<void()> OnSaveDialog; // runs when the save dialog "opens"

    void Information(const QString& text) override { Messages.push_back({"information", text}); }
    void Error(const QString& text) override { Messages.push_back({"error", text}); }
    void Notice(const QString& text) override { Messages.push_back({"notice", text}); }
    bool Question(const QString& text, Answer preset = Answer::Yes) override {
        Messages.push_back({preset == Answer::Yes ? "question" : "question, No preset", text});
        if (Answers.empty())
            return false;
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
    bool Confirm(const QString& text) override {
        Messages.push_back({"confirm", text});
        if (Answers.empty())
            return false;
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
    QString SaveFileName(const FileRequest& request) override {
        SaveRequests.push_back(request);
        if (OnSaveDialog)
            OnSaveDialog();
        if (SavePaths.empty())
            return {};
        QString p = SavePaths.front();
        SavePaths.pop_front();
        return p;
    }
    std::deque<QString> OpenPaths; // for open dialogs; cancelled when empty
    QString OpenFileName(const FileRequest&) override {
        if (OpenPaths.empty())
            return {};
        QString p = OpenPaths.front();
        OpenPaths.pop_front();
        return p;
    }
};

// Lets posted device notices and deferred work run.
inline void Pump() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The generator window as the program builds it, on a virtual device with two devices, with
// its output settings, frequency slider and frequency display windows.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(configDir.isValid());
        store = std::make_unique<SettingsStore>(configDir.filePath("Quavril.conf").toStdString());
        // 44100 Hz, 4096-byte buffers, 2 buffers.
        store->WriteInt("Fs", 3);
        store->WriteInt("BufferSize", 0);
        store->WriteInt("Buffers", 0);
        store->Sync();
        auto port = std::make_unique<VirtualWaveOut>();
        port->SetDevices({{"hw:A", "First card"}, {"hw:B", "Second card"}});
        device = port.get();
        session = std::make_unique<GeneratorSession>(*store, std::move(port));
        window = std::make_unique<TfrmGenerator>(*session, dialogs);
        freqSlider = std::make_unique<TfrmFreqSlider>(*session, window.get());
        settings = std::make_unique<TfrmSettings>(*session, window.get());
        window->SetOutputSettingsWindow(settings.get());
        display = std::make_unique<TfrmFrequencyDisplay>(*session, window.get());
        window->SetViewWindows(freqSlider.get(), display.get());
        // As at program start without stored window settings.
        session->ResetToDefaults();
        dialogs.Messages.clear();
        window->show();
        QApplication::setActiveWindow(window.get());
        window->activateWindow();
        Pump();
    }
    void TearDown() override {
        display.reset();
        settings.reset();
        freqSlider.reset();
        window.reset();
        session.reset();
        Pump();
    }

    Generator& Gen() { return window->Gen(); }
    ChannelPanel& Left() { return *window->LeftPanel; }
    ChannelPanel& Right() { return *window->RightPanel; }

    // The user picks an entry of a list with the arrow keys.
    static void Choose(QComboBox* list, int index) {
        list->setFocus(Qt::TabFocusReason);
        while (list->currentIndex() < index)
            QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > index)
            QTest::keyClick(list, Qt::Key_Up);
    }
    // A left click on a check box's or radio button's indicator, or a button's face.
    static void Click(QAbstractButton* button) {
        if (qobject_cast<QPushButton*>(button))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(7, button->height() / 2));
    }
    // The user replaces an edit's text by typing.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // The user leaves the focused edit for another control.
    void Leave() { window->chkSync->setFocus(Qt::TabFocusReason); }

    std::string Text(TextField f) { return Gen().Text(f); }
    // Whether a widget would be seen (its window shown).
    static bool Shown(const QWidget* w) { return w->isVisibleTo(w->window()); }
    size_t CountMessages(const QString& text) const {
        size_t n = 0;
        for (const auto& m : dialogs.Messages)
            n += m.Text == text;
        return n;
    }

    QTemporaryDir configDir;
    std::unique_ptr<SettingsStore> store;
    ScriptedDialogs dialogs;
    VirtualWaveOut* device = nullptr;
    std::unique_ptr<GeneratorSession> session;
    std::unique_ptr<TfrmGenerator> window;
    std::unique_ptr<TfrmSettings> settings;
    std::unique_ptr<TfrmFreqSlider> freqSlider;
    std::unique_ptr<TfrmFrequencyDisplay> display;
};

} // namespace quavril::test
