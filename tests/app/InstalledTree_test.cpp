// The installed program, through real files and processes: `cmake --install` into a prefix
// that is then moved elsewhere; the moved tree still finds its data, its quavril-cli renders
// the installed examples exactly as the build tree does, and the desktop's MIME database built
// from the installed package recognises both file types.
#include "session/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace quavril;

namespace {

// Runs a program to its end; returns its standard error when it fails, empty when it succeeds.
QString RunToEnd(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return program + " did not finish";
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + " failed: " + QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class InstalledTree : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = std::make_unique<QTemporaryDir>();
        const QString staged = root->filePath("staged");
        const QString error =
            RunToEnd(QUAVRIL_CMAKE_COMMAND, {"--install", QUAVRIL_BUILD_DIR, "--prefix", staged});
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        // A prefix moved as a whole must keep working: nothing may hold the install path.
        prefix = root->filePath("moved/elsewhere");
        QDir().mkpath(root->filePath("moved"));
        ASSERT_TRUE(QDir().rename(staged, prefix));
    }
    static void TearDownTestSuite() { root.reset(); }

    static QString Installed(const QString& path) { return QDir(prefix).filePath(path); }

    static inline std::unique_ptr<QTemporaryDir> root;
    static inline QString prefix;
};

TEST_F(InstalledTree, movedPrefixFindsEveryShippedFile) {
    const QString data = DataPaths::DataFolderFor(Installed("bin"));
    EXPECT_EQ(data, Installed("share/quavril"));
    const QStringList topics =
        QDir(QString(QUAVRIL_SOURCE_DIR) + "/resources/help").entryList({"*.html"});
    ASSERT_FALSE(topics.isEmpty());
    for (const QString& topic : topics)
        EXPECT_EQ(Contents(QDir(data).filePath("help/" + topic)),
                  Contents(QString(QUAVRIL_SOURCE_DIR) + "/resources/help/" + topic))
            << topic.toStdString();
    for (const char* bank : {"Examples.qvl", "Compatibility Test.qvl"})
        EXPECT_EQ(Contents(QDir(data).filePath(bank)),
                  Contents(QString(QUAVRIL_BIN_DIR) + "/" + bank))
            << bank;
    // The executables alone in bin/: the data moved out of it.
    EXPECT_EQ(QDir(Installed("bin")).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList({"quavril", "quavril-cli"}));
}

TEST_F(InstalledTree, installedCliRendersTheInstalledExamplesAsTheBuildTreeDoes) {
    for (int slot = 1; slot <= 4; ++slot) {
        const QString ours = root->filePath(QString("installed%1.wav").arg(slot));
        const QString theirs = root->filePath(QString("built%1.wav").arg(slot));
        const QString n = QString::number(slot);
        QString error = RunToEnd(Installed("bin/quavril-cli"),
                                 {"render", Installed("share/quavril/Examples.qvl"), n, ours});
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        error = RunToEnd(QString(QUAVRIL_BIN_DIR) + "/quavril-cli",
                         {"render", QString(QUAVRIL_BIN_DIR) + "/Examples.qvl", n, theirs});
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        const QByteArray wave = Contents(ours);
        EXPECT_GT(wave.size(), 44) << "slot " << slot;
        EXPECT_EQ(wave, Contents(theirs)) << "slot " << slot;
    }
}

TEST_F(InstalledTree, desktopRecognisesPresetsByContentAndScriptsAsText) {
    const QString updater = QStandardPaths::findExecutable("update-mime-database");
    ASSERT_FALSE(updater.isEmpty()) << "update-mime-database (shared-mime-info) is needed";
    const QString error = RunToEnd(updater, {Installed("share/mime")});
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    // Qt reads the MIME databases of XDG_DATA_DIRS when it first needs one.
    qputenv("XDG_DATA_DIRS", (Installed("share") + ":/usr/share").toLocal8Bit());

    const QString files = root->filePath("files");
    QDir().mkpath(files);
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(QDir(files).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    struct Case {
        QString path;
        const char* expected;
    };
    const QByteArray bank = Contents(Installed("share/quavril/Examples.qvl"));
    const std::vector<Case> cases = {
        // No name to go by: the bank format's length-prefixed magic.
        {write("bank-without-extension", bank), "application/x-quavril-preset"},
        // The older text format, still read, starts with its bare magic line.
        {write("old-bank", "QVL Preset File V3.2\r\nMemory 1\r\n"), "application/x-quavril-preset"},
        {write("Tones.qvl", bank), "application/x-quavril-preset"},
        {write("sequence.qvs", "Load Examples.qvl\nPlay 1\n"), "application/x-quavril-script"},
        // The names count case-sensitively, as the program reads them.
        {write("SEQUENCE.QVS", "Load Examples.qvl\nPlay 1\n"), "text/plain"},
        {write("Notes.QVL", "notes on the tones\n"), "text/plain"},
        // The magic names the version: another header is not a preset.
        {write("other-header", QByteArray("\x14QVL Preset File V9.9") + QByteArray(64, '\0')),
         "application/octet-stream"},
    };
    QMimeDatabase mime;
    for (const Case& c : cases)
        EXPECT_EQ(mime.mimeTypeForFile(c.path).name(), c.expected) << c.path.toStdString();
    const QMimeType script = mime.mimeTypeForName("application/x-quavril-script");
    EXPECT_TRUE(script.inherits("text/plain"));
    EXPECT_EQ(script.iconName(), "application-x-quavril-script");
    EXPECT_EQ(mime.mimeTypeForName("application/x-quavril-preset").comment(),
              "Quavril preset file");
}

} // namespace
