#pragma once
#include <QString>

namespace quavril {

// Where the files shipped with the program lie: the preset banks ("Examples.qvl",
// "Compatibility Test.qvl") and the help topics (help/*.html).
//
// In the build tree they lie beside the executable (build/bin). Installed, the executables
// are in <prefix>/bin and the data in <prefix>/share/quavril; that folder is found from the
// executable's own path, so a prefix moved as a whole (or a package unpacked anywhere) still
// finds its data. The installed layout wins when both exist.
class DataPaths {
public:
    // The data folder of the running executable.
    static QString DataFolder();
    // The data folder for an executable in `executableFolder`.
    static QString DataFolderFor(const QString& executableFolder);
    // A shipped file by name, e.g. ShippedFile("Examples.qvl").
    static QString ShippedFile(const QString& name);
    // The folder of the help topics.
    static QString HelpFolder();
    // The folder of the running executable (symbolic links resolved); works without a
    // QCoreApplication, as in quavril-cli.
    static QString ExecutableFolder();
};

} // namespace quavril
