#pragma once
// The two interfaces of /org/mpris/MediaPlayer2 as Qt D-Bus adaptors: each property and
// method is handed to the MprisPlayer they serve. Rate and Volume are fixed at 1.0 (a test
// signal keeps its rate and its level in dBFS): writing them is accepted and changes nothing.
#include "app/MprisPlayer.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>

namespace quavril {

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    MprisRootAdaptor(QObject* object, MprisPlayer& player)
        : QDBusAbstractAdaptor(object), player_(player) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QString::fromLatin1(MprisPlayer::Identity); }
    QString DesktopEntry() const { return QString::fromLatin1(MprisPlayer::DesktopEntry); }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise() { player_.Raise(); }
    void Quit() { player_.Quit(); }

private:
    MprisPlayer& player_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    // Written out so that the arguments carry their names.
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.mpris.MediaPlayer2.Player\">\n"
                "    <method name=\"Next\"/>\n"
                "    <method name=\"Previous\"/>\n"
                "    <method name=\"Pause\"/>\n"
                "    <method name=\"PlayPause\"/>\n"
                "    <method name=\"Stop\"/>\n"
                "    <method name=\"Play\"/>\n"
                "    <method name=\"Seek\">\n"
                "      <arg name=\"Offset\" type=\"x\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"SetPosition\">\n"
                "      <arg name=\"TrackId\" type=\"o\" direction=\"in\"/>\n"
                "      <arg name=\"Position\" type=\"x\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"OpenUri\">\n"
                "      <arg name=\"Uri\" type=\"s\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <signal name=\"Seeked\">\n"
                "      <arg name=\"Position\" type=\"x\"/>\n"
                "    </signal>\n"
                "    <property name=\"PlaybackStatus\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Rate\" type=\"d\" access=\"readwrite\"/>\n"
                "    <property name=\"Metadata\" type=\"a{sv}\" access=\"read\"/>\n"
                "    <property name=\"Volume\" type=\"d\" access=\"readwrite\"/>\n"
                "    <property name=\"Position\" type=\"x\" access=\"read\"/>\n"
                "    <property name=\"MinimumRate\" type=\"d\" access=\"read\"/>\n"
                "    <property name=\"MaximumRate\" type=\"d\" access=\"read\"/>\n"
                "    <property name=\"CanGoNext\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanGoPrevious\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanPlay\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanPause\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanSeek\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanControl\" type=\"b\" access=\"read\"/>\n"
                "  </interface>\n")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    MprisPlayerAdaptor(QObject* object, MprisPlayer& player)
        : QDBusAbstractAdaptor(object), player_(player) {}

    QString PlaybackStatus() const { return player_.PlaybackStatus(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return player_.Metadata(); }
    double Volume() const { return 1.0; }
    void SetVolume(double) {}
    qlonglong Position() const { return player_.Position(); }
    bool CanGoNext() const { return player_.CanGoNext(); }
    bool CanGoPrevious() const { return player_.CanGoPrevious(); }
    bool CanPlay() const { return player_.CanPlay(); }
    bool CanPause() const { return player_.CanPause(); }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

public slots:
    void Next() { player_.Next(); }
    void Previous() { player_.Previous(); }
    void Pause() { player_.Pause(); }
    void PlayPause() { player_.PlayPause(); }
    void Stop() { player_.Stop(); }
    void Play() { player_.Play(); }
    // No seeking, no position and no files to open: these change nothing.
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong Position);

private:
    MprisPlayer& player_;
};

} // namespace quavril
