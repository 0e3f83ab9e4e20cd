#pragma once
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

namespace quavril {

// The generator window's main menu: File, View, Presets, Tools and Help, with their items,
// shortcuts and separators. Actions carry the item names; the window connects them.
class GeneratorMenus : public QObject {
    Q_OBJECT
public:
    explicit GeneratorMenus(QMenuBar* bar);

    QMenu* File1;
    QAction* OpenNewGeneratorWindow1;
    QAction* SaveWaveFile1;
    QAction* LoadSweepSettings1;
    QAction* SaveSweepSettingsAs1;
    QAction* RunScript1;
    QAction* OpenSkrivel1;
    QAction* Exit1;

    QMenu* View1;
    QAction* FreqSlider1;
    QAction* FrequencyDisplay1;
    QAction* SignalMonitor1;

    QMenu* Presets1;
    QAction* Memory[4];      // Memory11 .. Memory41, F5 .. F8
    QAction* StoreMemory[4]; // StoreMemory11 .. StoreMemory41, Shift+F5 .. Shift+F8
    QAction* PresetRecallAutostart1;
    QAction* rESETTOdEFAULT1;

    QMenu* Recall1; // Tools
    QAction* Compatibilitysettings1;
    QAction* CompatibilityTest1;
    QAction* OnOff1; // Off, F9
    QAction* Pause1; // F10
    QAction* Off1;   // On, F11
    QAction* ONOFF2; // switch on or off, Ctrl+Ins

    QMenu* About1; // Help
    QAction* Help1;
    QAction* HelpContents1;
    QAction* MoreSoftware1; // its hint holds the web address

private:
    QAction* Add(QMenu* menu, const QString& name, const QString& text,
                 const QKeySequence& shortcut);
    void BuildFile(QMenuBar* bar);
    void BuildView(QMenuBar* bar);
    void BuildPresets(QMenuBar* bar);
    void BuildTools(QMenuBar* bar);
    void BuildHelp(QMenuBar* bar);
};

} // namespace quavril
