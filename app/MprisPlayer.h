#pragma once
// The desktop's media controls (MPRIS) for one running generator: it owns the bus name
// org.mpris.MediaPlayer2.quavril.instance<pid> with the object /org/mpris/MediaPlayer2 and the
// interfaces org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player, so that media keys, the
// panel's media widget and playerctl start and stop it (also under Wayland, where Ctrl+Insert
// cannot be grabbed).
//
// A client of the session like the window: Play, Pause and Stop are the window's On, Pause and
// Off (the Sync box applies); Next and Previous recall the memory slot after or before the one
// recalled last (slot 1 first; no wrap at either end; a playing generator goes on playing the
// new slot); the title describes the signal (app/SignalTitle.h), or is the slot's name after a
// recall until the signal is changed. Every change of PlaybackStatus, Metadata or a Can*
// property is announced with PropertiesChanged once the event loop turns.
//
// Use: construct with the session; Install() once the windows exist; Release() at the orderly
// end. Raise and Quit are handed on as RaiseRequested and QuitRequested. Without a session bus
// nothing is registered and the generator runs without media controls.
#include "files/PresetSlot.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <optional>
#include <string>

namespace quavril {

class GeneratorSession;

class MprisPlayer : public QObject {
    Q_OBJECT

public:
    static constexpr const char* ServicePrefix = "org.mpris.MediaPlayer2.quavril.instance";
    static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* RootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";
    static constexpr const char* Identity = "Quavril";
    static constexpr const char* DesktopEntry = "org.orvande.Quavril";

    explicit MprisPlayer(GeneratorSession& session, QObject* parent = nullptr);
    ~MprisPlayer() override;

    static QString ServiceName(qint64 pid);
    // Registers the object and the name on the session bus; false (silently) without a bus or
    // when the name cannot be owned.
    bool Install();
    // Gives up the name and the object; harmless when not installed.
    void Release();
    bool Installed() const { return bus_.has_value(); }

    // --- org.mpris.MediaPlayer2.Player ---------------------------------------------------------
    // "Playing", "Paused" (on, held by Pause) or "Stopped".
    QString PlaybackStatus() const;
    QString Title() const;
    // mpris:trackid (/org/orvande/Quavril/Slot<n> while the recalled slot plays, else
    // /org/orvande/Quavril/Signal) and xesam:title.
    QVariantMap Metadata() const;
    // Microseconds into the current period of the signal; 0 while stopped.
    qlonglong Position() const;
    // On is possible: a device is there and a channel is ticked (the On button is enabled).
    bool CanPlay() const;
    // The generator is on: Pause holds it, PlayPause holds or resumes it.
    bool CanPause() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    // Resumes a paused generator, else switches it on as the On button does.
    void Play();
    // Holds a playing generator as the Pause button does; nothing when stopped or paused.
    void Pause();
    // Pause while playing, Play otherwise.
    void PlayPause();
    // The Off button.
    void Stop();
    void Next();
    void Previous();
    // The slot recalled last by anyone (window, message, script, these controls); 0 before any.
    int CurrentSlot() const { return slot_; }

    // --- org.mpris.MediaPlayer2 ----------------------------------------------------------------
    void Raise();
    // QuitRequested follows once the call has been answered.
    void Quit();

signals:
    void RaiseRequested();
    void QuitRequested();

private:
    void Recall(int n);
    void SlotRecalled(int n);
    void ControlsChanged();
    void BankChanged();
    // The recalled slot's name still names the signal.
    bool RecallNamesSignal() const;
    QVariantMap AnnouncedProperties() const;
    void ScheduleRefresh();
    void Refresh();

    GeneratorSession& session_;
    QObject object_; // the exported object; the two interfaces are its adaptors
    std::optional<QDBusConnection> bus_;
    QString service_;
    int slot_ = 0;
    // The slot as it was recalled and the signal it gave, while nothing has changed since.
    std::optional<PresetSlot> recalled_;
    std::string recalledSignal_;
    QVariantMap announced_;
    bool refreshPending_ = false;
};

} // namespace quavril
