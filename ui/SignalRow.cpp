#include "ui/SignalRow.h"

#include "session/GeneratorSession.h"
#include "synth/ListItems.h"
#include "ui/ClickableLabel.h"
#include "ui/DesignLayout.h"
#include "ui/ExitLineEdit.h"
#include "ui/ListPictures.h"
#include "ui/PictureList.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>

namespace quavril {

namespace {

QLabel* NewLabel(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QGroupBox* NewGroup(const QString& title, const QString& name, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

SignalRow::SignalRow(DesignLayout& layout, QWidget* client) : QObject(client) {
    OutputDeviceBox = NewGroup(tr("Output device"), "OutputDeviceBox", client);
    layout.Place(OutputDeviceBox, 11, 4, 159, 52);
    WaveDevice = new QComboBox(OutputDeviceBox);
    WaveDevice->setObjectName("WaveDevice");
    WaveDevice->setToolTip(tr("Sound output device"));
    WaveDevice->installEventFilter(this);
    layout.Place(WaveDevice, 8, 20, 143, 22);

    DurationBox = NewGroup(tr("Duration"), "DurationBox", client);
    layout.Place(DurationBox, 174, 4, 115, 52);
    Duration = new ExitLineEdit("5", DurationBox);
    Duration->setObjectName("Duration");
    Duration->setToolTip(tr("Duration of the signal in seconds"));
    layout.Place(Duration, 8, 20, 35, 21);
    layout.Place(NewLabel("s", DurationBox), 46, 23);
    Loop = new QCheckBox(tr("Loop"), DurationBox);
    Loop->setObjectName("Loop");
    Loop->setToolTip(tr("Repeat the signal without end"));
    layout.Place(Loop, 60, 22, 50);

    ChannelsBox = NewGroup(tr("Channels"), "ChannelsBox", client);
    layout.Place(ChannelsBox, 292, 4, 105, 52);
    cboChannels = new PictureList(15, 1, ChannelsBox);
    cboChannels->setObjectName("cboChannels");
    cboChannels->setToolTip(tr("Mono or stereo"));
    for (int mode = MONO; mode <= STEREO; ++mode)
        cboChannels->AddPictureItem(ListPictures::ForChannelMode(mode, client->devicePixelRatioF()),
                                    QString::fromUtf8(ChannelModeName(mode).data()));
    layout.Place(cboChannels, 8, 20, 89, 22);

    Image1 = new ClickableLabel(client);
    Image1->setObjectName("Image1");
    Image1->setPixmap(ListPictures::Logo(client->devicePixelRatioF()));
    Image1->setScaledContents(true);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(tr("Visit the maker's web site"));
    layout.Place(Image1, 408, 6, 48, 48);
}

void SignalRow::Follow(GeneratorSession& session) {
    session_ = &session;
    {
        const QSignalBlocker blocker(WaveDevice);
        WaveDevice->clear();
        for (const std::string& text : session.Devices().ShownTexts())
            WaveDevice->addItem(QString::fromStdString(text));
        WaveDevice->setCurrentIndex(session.DevicePosition());
    }
    // The drop-down shows whole device names even where the closed list cuts them.
    WaveDevice->view()->setMinimumWidth(WaveDevice->view()->sizeHintForColumn(0) + 24);
    connect(&session, &GeneratorSession::DeviceSelected, this, [this](int position) {
        const QSignalBlocker blocker(WaveDevice);
        WaveDevice->setCurrentIndex(position);
    });
}

// Leaving the device list re-derives the left channel.
bool SignalRow::eventFilter(QObject* watched, QEvent* event) {
    if (session_ && watched == WaveDevice && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            session_->Controls().DeriveSweep(Channel::Left);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quavril
