#pragma once
// The object /Generator that a running generator exports on the session bus, interface
// org.orvande.Quavril.Generator. Each method goes straight to the generator's message target;
// Message replies as soon as the action has run, and never waits for the user: a start that
// failed is the error org.orvande.Quavril.Error.Device with the text the window shows.
#include "session/MessageTarget.h"

#include <QDBusContext>
#include <QObject>
#include <QString>

namespace quavril {

class GeneratorBusObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvande.Quavril.Generator")
    // Written out so that the replies carry names too (gdbus introspect shows them).
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.orvande.Quavril.Generator\">\n"
                "    <method name=\"Title\">\n"
                "      <arg name=\"title\" type=\"s\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"Message\">\n"
                "      <arg name=\"code\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"wParam\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"lParam\" type=\"i\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"Playing\">\n"
                "      <arg name=\"playing\" type=\"b\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"Paused\">\n"
                "      <arg name=\"paused\" type=\"b\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"Value\">\n"
                "      <arg name=\"name\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"value\" type=\"s\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"ScpiPort\">\n"
                "      <arg name=\"port\" type=\"i\" direction=\"out\"/>\n"
                "    </method>\n"
                "  </interface>\n")

public:
    explicit GeneratorBusObject(MessageTarget& target, QObject* parent = nullptr);

public slots:
    Q_SCRIPTABLE QString Title() const;
    // Codes without an action are accepted and do nothing.
    Q_SCRIPTABLE void Message(int code, int wParam, int lParam);
    Q_SCRIPTABLE bool Playing() const;
    // True while paused, and for a pause given while off (the next start applies it).
    Q_SCRIPTABLE bool Paused() const;
    // A stored setting's current value by its stored name ("chkSync": the Sync box); an
    // unknown name is answered with the error org.orvande.Quavril.Error.UnknownSetting.
    Q_SCRIPTABLE QString Value(const QString& name);
    // The TCP port of the generator's SCPI server, 0 when it has none.
    Q_SCRIPTABLE int ScpiPort() const { return scpiPort_; }

public:
    void SetScpiPort(int port) { scpiPort_ = port; }

private:
    MessageTarget& target_;
    int scpiPort_ = 0;
};

} // namespace quavril
