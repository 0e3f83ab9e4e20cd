#include "ui/ApplicationTitle.h"

#include <QApplication>
#include <QWidget>

namespace quavril {

QString ApplicationTitle::GeneratorTitle() {
    return QString::fromLatin1(ProductName) + ' ' + QString::fromLatin1(VersionText);
}

QString ApplicationTitle::RunningTitle() {
    return "ON - " + GeneratorTitle();
}

QString ApplicationTitle::Get() {
    const QVariant title = qApp ? qApp->property("applicationTitle") : QVariant();
    return title.isValid() ? title.toString() : QString::fromLatin1(ProductName);
}

void ApplicationTitle::Set(const QString& title) {
    if (!qApp)
        return;
    qApp->setProperty("applicationTitle", title);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->property("mainGeneratorWindow").toBool())
            w->setWindowIconText(title);
}

} // namespace quavril
