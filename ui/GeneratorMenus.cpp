#include "ui/GeneratorMenus.h"

#include "ui/HelpViewer.h"
#include "ui/WebAddresses.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace quavril {

GeneratorMenus::GeneratorMenus(QMenuBar* bar) : QObject(bar) {
    BuildFile(bar);
    BuildView(bar);
    BuildPresets(bar);
    BuildTools(bar);
    BuildHelp(bar);
    // F1 with a menu open: the highlighted item's topic where it has one, else the menu's.
    HelpViewer::SetContext(File1, HelpViewer::FileMenu);
    HelpViewer::SetContext(RunScript1, HelpViewer::Scripts);
    HelpViewer::SetContext(View1, HelpViewer::GeneratorWindow);
    HelpViewer::SetContext(FreqSlider1, HelpViewer::FrequencySlider);
    HelpViewer::SetContext(FrequencyDisplay1, HelpViewer::FrequencyDisplay);
    HelpViewer::SetContext(SignalMonitor1, HelpViewer::SignalMonitor);
    HelpViewer::SetContext(Presets1, HelpViewer::PresetsMenu);
    HelpViewer::SetContext(Recall1, HelpViewer::GeneratorWindow);
    HelpViewer::SetContext(Compatibilitysettings1, HelpViewer::OutputSettings);
    HelpViewer::SetContext(CompatibilityTest1, HelpViewer::PerformanceTest);
    HelpViewer::SetContext(About1, 0);
}

QAction* GeneratorMenus::Add(QMenu* menu, const QString& name, const QString& text,
                             const QKeySequence& shortcut) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

void GeneratorMenus::BuildFile(QMenuBar* bar) {
    File1 = bar->addMenu(tr("&File"));
    File1->setObjectName("File1");
    OpenNewGeneratorWindow1 =
        Add(File1, "OpenNewGeneratorWindow1", tr("&New generator window"), QKeySequence("Ctrl+N"));
    File1->addSeparator();
    SaveWaveFile1 =
        Add(File1, "SaveWaveFile1", tr("Save as &wave file..."), QKeySequence("Ctrl+T"));
    File1->addSeparator();
    LoadSweepSettings1 =
        Add(File1, "LoadSweepSettings1", tr("&Load preset..."), QKeySequence("Ctrl+L"));
    SaveSweepSettingsAs1 =
        Add(File1, "SaveSweepSettingsAs1", tr("&Save preset as..."), QKeySequence("Ctrl+S"));
    File1->addSeparator();
    RunScript1 = Add(File1, "RunScript1", tr("&Run script..."), QKeySequence("Ctrl+R"));
    OpenSkrivel1 = Add(File1, "OpenSkrivel1", tr("Open the script &editor"), QKeySequence());
    File1->addSeparator();
    Exit1 = Add(File1, "Exit1", tr("E&xit"), QKeySequence("Ctrl+X"));
}

void GeneratorMenus::BuildView(QMenuBar* bar) {
    View1 = bar->addMenu(tr("&View"));
    View1->setObjectName("View1");
    FreqSlider1 = Add(View1, "FreqSlider1", tr("Frequency &slider"), QKeySequence("Ctrl+F"));
    FreqSlider1->setCheckable(true);
    FrequencyDisplay1 =
        Add(View1, "FrequencyDisplay1", tr("Frequency &display"), QKeySequence("Ctrl+D"));
    FrequencyDisplay1->setCheckable(true);
    SignalMonitor1 =
        Add(View1, "SignalMonitor1", tr("Signal &monitor"), QKeySequence("Ctrl+Shift+M"));
    SignalMonitor1->setCheckable(true);
}

void GeneratorMenus::BuildPresets(QMenuBar* bar) {
    static const char* const RecallNames[] = {"Memory11", "Memory21", "Memory31", "Memory41"};
    static const char* const StoreNames[] = {"StoreMemory11", "StoreMemory2", "StoreMemory31",
                                             "StoreMemory41"};
    Presets1 = bar->addMenu(tr("&Presets"));
    Presets1->setObjectName("Presets1");
    for (int i = 0; i < 4; ++i)
        Memory[i] = Add(Presets1, RecallNames[i], tr("Recall preset &%1").arg(i + 1),
                        QKeySequence(Qt::Key_F5 + i));
    Presets1->addSeparator();
    for (int i = 0; i < 4; ++i)
        StoreMemory[i] = Add(Presets1, StoreNames[i], tr("Store preset %1").arg(i + 1),
                             QKeySequence(Qt::SHIFT | (Qt::Key_F5 + i)));
    Presets1->addSeparator();
    PresetRecallAutostart1 =
        Add(Presets1, "PresetRecallAutostart1", tr("Start on preset recall"), QKeySequence());
    PresetRecallAutostart1->setCheckable(true);
    rESETTOdEFAULT1 =
        Add(Presets1, "rESETTOdEFAULT1", tr("&Reset settings"), QKeySequence("Ctrl+Z"));
}

void GeneratorMenus::BuildTools(QMenuBar* bar) {
    Recall1 = bar->addMenu(tr("&Tools"));
    Recall1->setObjectName("Recall1");
    Compatibilitysettings1 =
        Add(Recall1, "Compatibilitysettings1", tr("&Output settings..."), QKeySequence("Ctrl+C"));
    Recall1->addSeparator();
    CompatibilityTest1 =
        Add(Recall1, "CompatibilityTest1", tr("&Performance test"), QKeySequence("Ctrl+P"));
    Recall1->addSeparator();
    OnOff1 = Add(Recall1, "OnOff1", tr("O&ff"), QKeySequence(Qt::Key_F9));
    Pause1 = Add(Recall1, "Pause1", tr("&Pause"), QKeySequence(Qt::Key_F10));
    Off1 = Add(Recall1, "Off1", tr("O&n"), QKeySequence(Qt::Key_F11));
    Recall1->addSeparator();
    ONOFF2 = Add(Recall1, "ONOFF2", tr("Switch on or off"), QKeySequence("Ctrl+Ins"));
}

void GeneratorMenus::BuildHelp(QMenuBar* bar) {
    About1 = bar->addMenu(tr("&Help"));
    About1->setObjectName("About1");
    Help1 = Add(About1, "Help1", tr("&Help on this window"), QKeySequence());
    HelpContents1 = Add(About1, "HelpContents1", tr("Help &contents"), QKeySequence());
    MoreSoftware1 = Add(About1, "MoreSoftware1", tr("&More software"), QKeySequence("Ctrl+M"));
    MoreSoftware1->setStatusTip(QString::fromLatin1(WebAddresses::MoreSoftware));
}

} // namespace quavril
