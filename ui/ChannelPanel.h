#pragma once
#include "synth/Enumerations.h"

#include <QObject>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QSlider;
class QWidget;

namespace quavril {

class DesignLayout;
class ExitLineEdit;
class Generator;
class GeneratorBinding;
class GeneratorSession;
class FrequencyGroup;
class PictureList;

// One channel panel of the generator window (left or right): channel on, waveform, the
// frequency group, amplitude and amplitude modulation. The right panel also holds the phase
// of the right channel against the left. Widgets carry the control names.
class ChannelPanel : public QObject {
    Q_OBJECT
public:
    ChannelPanel(Channel channel, DesignLayout& layout, QWidget* window);

    Channel Side;
    QGroupBox* Box; // GroupBox12 / GroupBox13
    QCheckBox* Tick;
    QLabel* WaveFormLabel;
    PictureList* WaveForm;
    QLabel* PhaseLabel = nullptr;      // Label4, right panel only
    ExitLineEdit* PhaseEdit = nullptr; // degrees, right panel only
    FrequencyGroup* Frequency;
    QGroupBox* AmplitudeBox; // GroupBox6 / GroupBox15
    QSlider* barAmplitude;   // attenuation in dB, 0 (top) .. 100
    ExitLineEdit* Amplitude; // dBFS, -100..0
    QLabel* dBFSLabel;
    QGroupBox* ModulationBox; // GroupBox9 / GroupBox14
    QCheckBox* ModulationOn;
    PictureList* ModFunction;
    ExitLineEdit* ModDepthEdit;  // percent
    ExitLineEdit* ModPeriodEdit; // seconds
    ExitLineEdit* ModPhaseEdit;  // degrees
    // The modulation group's labels, enabled together with its edits.
    QList<QLabel*> ModulationLabels;

    // Modulation controls follow the modulation box: enabled and in the window-text colour
    // while it is ticked, disabled and grey otherwise.
    void ShowModulationOn(bool on);

    // The panel's controls and step buttons act on the generator's controls.
    void Bind(GeneratorBinding& binding, Generator& generator);
    // The panel's context menu with its one item, copying the other channel's settings here.
    QAction* AddCopyMenu(const QString& text, const char* menuName, const char* actionName);
    QMenu* CopyMenu = nullptr;

    // The panel follows the session's refresh rules from now on.
    void Follow(GeneratorSession& session);

private:
    void ChannelsRefreshed();
    void WaveFormRefreshed(Channel changed);
    void LoopRefreshed();
    void TicksRefreshed();
    void ApplyPhaseVisibility();
    bool IsRight() const { return Side == Channel::Right; }

    void BuildHeader(const QString& side, DesignLayout& layout);
    void BuildPhase(DesignLayout& layout);
    void BuildAmplitude(const QString& side, DesignLayout& layout);
    void BuildModulation(const QString& side, DesignLayout& layout);
    ExitLineEdit* AddModulationRow(const QString& caption, const QString& unit, const QString& name,
                                   int y, int width, DesignLayout& layout);

    GeneratorSession* session_ = nullptr;
};

} // namespace quavril
