// The shipped files are found beside the executable in a build tree and in share/quavril
// when installed, whatever the prefix.
#include "session/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quavril;

namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

QString Canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

TEST(DataPaths, dataFolderFollowsTheLayoutAroundTheExecutable) {
    struct Layout {
        const char* name;
        std::vector<const char*> files;
        const char* executableFolder;
        const char* expected;
    };
    const std::vector<Layout> layouts = {
        {"build tree",
         {"build/bin/Examples.qvl", "build/bin/help/index.html"},
         "build/bin",
         "build/bin"},
        {"installed",
         {"usr/share/quavril/Examples.qvl", "usr/bin/quavril"},
         "usr/bin",
         "usr/share/quavril"},
        {"installed wins over stray files in bin",
         {"opt/q/bin/Examples.qvl", "opt/q/share/quavril/Examples.qvl"},
         "opt/q/bin",
         "opt/q/share/quavril"},
        {"nothing shipped: the executable's folder", {"bare/bin/quavril"}, "bare/bin", "bare/bin"},
        {"another program's share folder is not ours",
         {"usr2/share/other/x", "usr2/bin/quavril"},
         "usr2/bin",
         "usr2/bin"},
    };
    for (const Layout& layout : layouts) {
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        for (const char* file : layout.files)
            Touch(root.filePath(file));
        EXPECT_EQ(DataPaths::DataFolderFor(root.filePath(layout.executableFolder)),
                  root.filePath(layout.expected))
            << layout.name;
    }
}

TEST(DataPaths, runningTestFindsItsOwnFolderWithoutAnApplicationObject) {
    // The tests are built into <build>/tests, beside <build>/bin.
    const QString testsFolder = QString(QUAVRIL_BIN_DIR) + "/../tests";
    EXPECT_EQ(Canonical(DataPaths::ExecutableFolder()), Canonical(testsFolder));
    EXPECT_EQ(Canonical(DataPaths::DataFolderFor(QUAVRIL_BIN_DIR)), Canonical(QUAVRIL_BIN_DIR));
    EXPECT_TRUE(
        QFile::exists(QDir(DataPaths::DataFolderFor(QUAVRIL_BIN_DIR)).filePath("Examples.qvl")));
    EXPECT_EQ(DataPaths::HelpFolder(), QDir(DataPaths::DataFolder()).filePath("help"));
    EXPECT_EQ(DataPaths::ShippedFile("Compatibility Test.qvl"),
              QDir(DataPaths::DataFolder()).filePath("Compatibility Test.qvl"));
}
