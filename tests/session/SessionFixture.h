#pragma once
// A generator session over the virtual output device (two cards), at 44100 Hz, with every
// setting at its default: the start of the session tests.
#include "audio/VirtualWaveOut.h"
#include "session/GeneratorSession.h"
#include "settings/SettingsStore.h"
#include "tests/audio/AudioTestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace quavril::test {

class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<SettingsStore>(dir.filePath("Quavril.conf").toStdString());
        store->WriteInt("Fs", 3); // 44100 Hz
        auto port = std::make_unique<VirtualWaveOut>();
        port->SetDevices({{"hw:A", "First card"}, {"hw:B", "Second card"}});
        device = port.get();
        session = std::make_unique<GeneratorSession>(*store, std::move(port));
        session->ResetToDefaults();
    }
    Generator& G() { return session->Controls(); }
    std::string Value(const char* name) { return session->Value(name).value_or("<none>"); }

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    VirtualWaveOut* device = nullptr;
    std::unique_ptr<GeneratorSession> session;
};

} // namespace quavril::test
