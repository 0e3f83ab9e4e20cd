#pragma once
// The output settings window: sampling rate, bytes per buffer and number of buffers.
#include "settings/OutputSettings.h"

#include <QWidget>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

namespace quavril {

class Generator;
class SettingsStore;

// A small modeless tool window, created hidden at start and shown on request. Every change in
// it switches the generator off; the new rate applies at once to the frequency limits, the
// buffer values at the next start. Closing it saves the three positions.
class TfrmSettings : public QWidget {
    Q_OBJECT
public:
    // What the window needs of the generator window.
    class Owner {
    public:
        virtual ~Owner() = default;
        virtual Generator& Gen() = 0;
        // The transport's Off (honours the synchronisation of all generators).
        virtual void SwitchOff() = 0;
        // The frequency slider window's limits after a new rate: slider maximum
        // Round(1000 log10(fs div 4)) and the text of its upper limit, fs div 2.
        virtual void SetSliderLimits(int maximum, const std::string& maxFreqText) = 0;
        // The window closed: enable the generator window and derive the left channel again.
        virtual void OutputSettingsClosed() = 0;
        virtual void ShowHelp(int context) = 0;
    };

    // Loads the stored positions (defaults when none), sets the generator's SampleRate and
    // derives both channels with it.
    TfrmSettings(SettingsStore& store, Owner& owner, QWidget* parent = nullptr);

    const OutputSettings& Settings() const { return settings_; }

    // Handlers of the three lists (user choices).
    void FsListChange(int position);
    void BufferSizeChange(int position);
    void BuffersChange(int position);

    QComboBox* FsList;
    QComboBox* BufferSize;
    QComboBox* Buffers;
    QPushButton* HelpButton;
    QPushButton* Button1; // Close

    // The slider maximum for a rate: Round(1000 log10(fs div 4)), ties to even.
    static int SliderMaximum(int32_t fs);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QComboBox* AddList(const QString& caption, const QString& name, int row);
    void BuildButtons();
    void ShowPositions();
    void LowerFrequencyFields(int32_t half);

    SettingsStore& store_;
    Owner& owner_;
    OutputSettings settings_;
};

} // namespace quavril
