#include "app/MprisPlayer.h"

#include "app/MprisAdaptors.h"
#include "app/SignalTitle.h"
#include "session/GeneratorSession.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

namespace quavril {

MprisPlayer::MprisPlayer(GeneratorSession& session, QObject* parent)
    : QObject(parent), session_(session) {
    new MprisRootAdaptor(&object_, *this);
    new MprisPlayerAdaptor(&object_, *this);
    GeneratorSession* s = &session_;
    for (auto notice : {&GeneratorSession::RunningChanged, &GeneratorSession::PausedChanged})
        connect(s, notice, this, &MprisPlayer::ScheduleRefresh);
    connect(s, &GeneratorSession::StartAttempted, this, &MprisPlayer::ScheduleRefresh);
    connect(s, &GeneratorSession::TextMirrored, this, &MprisPlayer::ControlsChanged);
    connect(s, &GeneratorSession::FlagMirrored, this, &MprisPlayer::ControlsChanged);
    connect(s, &GeneratorSession::IndexMirrored, this, &MprisPlayer::ControlsChanged);
    connect(s, &GeneratorSession::BankChanged, this, &MprisPlayer::BankChanged);
    connect(s, &GeneratorSession::SlotRecalled, this, &MprisPlayer::SlotRecalled);
}

MprisPlayer::~MprisPlayer() {
    Release();
}

QString MprisPlayer::ServiceName(qint64 pid) {
    return QString::fromLatin1(ServicePrefix) + QString::number(pid);
}

bool MprisPlayer::Install() {
    if (bus_)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString path = QString::fromLatin1(ObjectPath);
    if (!bus.registerObject(path, &object_, QDBusConnection::ExportAdaptors))
        return false;
    // The name last, so that a client that finds it also finds the object.
    const QString service = ServiceName(QCoreApplication::applicationPid());
    if (!bus.registerService(service)) {
        bus.unregisterObject(path);
        return false;
    }
    bus_ = bus;
    service_ = service;
    announced_ = AnnouncedProperties();
    return true;
}

void MprisPlayer::Release() {
    if (!bus_)
        return;
    bus_->unregisterService(service_);
    bus_->unregisterObject(QString::fromLatin1(ObjectPath));
    bus_.reset();
}

// --- Player ------------------------------------------------------------------------------------

QString MprisPlayer::PlaybackStatus() const {
    if (!session_.Playing())
        return QStringLiteral("Stopped");
    return session_.Paused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

bool MprisPlayer::RecallNamesSignal() const {
    return recalled_ && !session_.Bank().Slot(slot_).Name.empty();
}

QString MprisPlayer::Title() const {
    if (RecallNamesSignal())
        return QString::fromStdString(session_.Bank().Slot(slot_).Name);
    return QString::fromStdString(SignalTitle(session_.Controls()));
}

QVariantMap MprisPlayer::Metadata() const {
    const QString track = recalled_ ? QStringLiteral("/org/orvande/Quavril/Slot%1").arg(slot_)
                                    : QStringLiteral("/org/orvande/Quavril/Signal");
    return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(track))},
            {QStringLiteral("xesam:title"), Title()}};
}

qlonglong MprisPlayer::Position() const {
    const Generator& g = session_.Controls();
    if (!session_.Playing() || g.SampleRate() <= 0)
        return 0;
    // Whole seconds first: a counter of a very long period times 10^6 would overflow.
    const int64_t frames = g.State().SampleCounter, fs = g.SampleRate();
    return frames / fs * 1000000 + frames % fs * 1000000 / fs;
}

bool MprisPlayer::CanPlay() const {
    const Generator& g = session_.Controls();
    return session_.HasDevice() && (g.Flag(FlagField::Lefttick) || g.Flag(FlagField::RightTick));
}

bool MprisPlayer::CanPause() const {
    return session_.Playing();
}

bool MprisPlayer::CanGoNext() const {
    return slot_ < PresetBank::LastSlot;
}

bool MprisPlayer::CanGoPrevious() const {
    return slot_ > PresetBank::FirstSlot;
}

void MprisPlayer::Play() {
    if (session_.Playing() && session_.Paused()) {
        session_.Pause();
    } else if (CanPlay()) {
        // A pause given while off would start the output held; Play means to be heard.
        if (!session_.Playing() && session_.Paused())
            session_.TogglePause();
        session_.On();
    }
    ScheduleRefresh();
}

void MprisPlayer::Pause() {
    if (session_.Playing() && !session_.Paused())
        session_.Pause();
    ScheduleRefresh();
}

void MprisPlayer::PlayPause() {
    if (session_.Playing() && !session_.Paused())
        Pause();
    else
        Play();
}

void MprisPlayer::Stop() {
    session_.Off();
    ScheduleRefresh();
}

void MprisPlayer::Next() {
    if (CanGoNext())
        Recall(slot_ + 1);
}

void MprisPlayer::Previous() {
    if (CanGoPrevious())
        Recall(slot_ - 1);
}

// A recall stops the output; a generator that played goes on with the new slot (unless the
// autostart option has already switched it on again).
void MprisPlayer::Recall(int n) {
    const bool wasPlaying = session_.Playing();
    session_.RecallSlot(n);
    if (wasPlaying && !session_.Playing())
        session_.On();
    ScheduleRefresh();
}

// --- Root ----------------------------------------------------------------------------------------

void MprisPlayer::Raise() {
    emit RaiseRequested();
}

void MprisPlayer::Quit() {
    QTimer::singleShot(0, this, &MprisPlayer::QuitRequested);
}

// --- What the session says -------------------------------------------------------------------

void MprisPlayer::SlotRecalled(int n) {
    slot_ = n;
    recalled_ = session_.Bank().Slot(n);
    recalledSignal_ = SignalTitle(session_.Controls());
    ScheduleRefresh();
}

// Any control written by anyone: once the signal differs from the recalled one, the slot's name
// no longer names it.
void MprisPlayer::ControlsChanged() {
    if (recalled_ && SignalTitle(session_.Controls()) != recalledSignal_)
        recalled_.reset();
    ScheduleRefresh();
}

// A rename keeps the recall (the title follows the new name); a bank loaded over the slot with
// other settings ends it.
void MprisPlayer::BankChanged() {
    if (recalled_) {
        PresetSlot now = session_.Bank().Slot(slot_);
        now.Name = recalled_->Name;
        if (!(now == *recalled_))
            recalled_.reset();
    }
    ScheduleRefresh();
}

// --- PropertiesChanged ---------------------------------------------------------------------------

QVariantMap MprisPlayer::AnnouncedProperties() const {
    return {{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
            {QStringLiteral("Metadata"), Metadata()},
            {QStringLiteral("CanPlay"), CanPlay()},
            {QStringLiteral("CanPause"), CanPause()},
            {QStringLiteral("CanGoNext"), CanGoNext()},
            {QStringLiteral("CanGoPrevious"), CanGoPrevious()}};
}

// Changes are gathered until the event loop turns: a recall writes many controls and is
// announced once.
void MprisPlayer::ScheduleRefresh() {
    if (refreshPending_ || !bus_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, &MprisPlayer::Refresh);
}

void MprisPlayer::Refresh() {
    refreshPending_ = false;
    if (!bus_)
        return;
    const QVariantMap now = AnnouncedProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (announced_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    announced_ = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(ObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(PlayerInterface) << changed << QStringList();
    bus_->send(signal);
}

} // namespace quavril
