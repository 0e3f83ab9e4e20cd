// The command-line render and the window's "Save as wave file" after recalling the same slot
// in a freshly started window write the same bytes.
#include "tests/ui/UiTestSupport.h"

#include <QFile>
#include <QProcess>

using namespace quavril;
using namespace quavril::test;

namespace {

class ExportMatchesCli : public WindowTest, public ::testing::WithParamInterface<int> {
protected:
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_P(ExportMatchesCli, recalledSlotExportsTheRenderedBytes) {
    const int slot = GetParam();
    const QString examples = QString(QUAVRIL_BIN_DIR) + "/Examples.qvl";
    ASSERT_TRUE(QFile::exists(examples));

    dialogs.OpenPaths = {examples};
    window->Menus().LoadSweepSettings1->trigger();
    Click(window->MemButton[slot - 1]);
    const QString fromWindow = configDir.filePath("window.wav");
    dialogs.SavePaths = {fromWindow};
    window->Menus().SaveWaveFile1->trigger();
    ASSERT_TRUE(QFile::exists(fromWindow));

    const QString fromCli = configDir.filePath("cli.wav");
    QProcess cli;
    cli.start(QString(QUAVRIL_BIN_DIR) + "/quavril-cli",
              {"render", examples, QString::number(slot), fromCli, "--rate", "44100"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

    const QByteArray a = Read(fromWindow), b = Read(fromCli);
    EXPECT_GT(a.size(), 44);
    EXPECT_TRUE(a == b) << "window " << a.size() << " bytes, command line " << b.size();
}

INSTANTIATE_TEST_SUITE_P(ExampleSlots, ExportMatchesCli, ::testing::Values(1, 2, 3, 4));

} // namespace
