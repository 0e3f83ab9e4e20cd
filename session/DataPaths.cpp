#include "session/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The installed data folder relative to the installed executables ("../share/quavril" for the
// usual layout); set by the build from the install directories.
#ifndef QUAVRIL_RELATIVE_DATA_DIR
#define QUAVRIL_RELATIVE_DATA_DIR "../share/quavril"
#endif

namespace quavril {

QString DataPaths::ExecutableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

QString DataPaths::DataFolderFor(const QString& executableFolder) {
    const QString installed =
        QDir::cleanPath(QDir(executableFolder).filePath(QStringLiteral(QUAVRIL_RELATIVE_DATA_DIR)));
    if (QFileInfo(installed).isDir())
        return installed;
    return QDir::cleanPath(executableFolder);
}

QString DataPaths::DataFolder() {
    return DataFolderFor(ExecutableFolder());
}

QString DataPaths::ShippedFile(const QString& name) {
    return QDir(DataFolder()).filePath(name);
}

QString DataPaths::HelpFolder() {
    return QDir(DataFolder()).filePath(QStringLiteral("help"));
}

} // namespace quavril
