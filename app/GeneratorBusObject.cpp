#include "app/GeneratorBusObject.h"

#include "app/GeneratorPeers.h"

namespace quavril {

GeneratorBusObject::GeneratorBusObject(MessageTarget& target, QObject* parent)
    : QObject(parent), target_(target) {}

QString GeneratorBusObject::Title() const {
    return QString::fromStdString(target_.Title());
}

void GeneratorBusObject::Message(int code, int wParam, int lParam) {
    const auto failure = target_.Dispatch(static_cast<MessageCode>(code), wParam, lParam);
    if (failure && calledFromDBus())
        sendErrorReply(QString::fromLatin1(GeneratorPeers::DeviceError),
                       QString::fromStdString(*failure));
}

bool GeneratorBusObject::Playing() const {
    return target_.Playing();
}

bool GeneratorBusObject::Paused() const {
    return target_.Paused();
}

QString GeneratorBusObject::Value(const QString& name) {
    const QByteArray key = name.toUtf8();
    const auto value = target_.Value(std::string_view(key.constData(), key.size()));
    if (!value) {
        if (calledFromDBus())
            sendErrorReply(QStringLiteral("org.orvande.Quavril.Error.UnknownSetting"),
                           QStringLiteral("no setting is stored under the name '%1'").arg(name));
        return {};
    }
    return QString::fromStdString(*value);
}

} // namespace quavril
