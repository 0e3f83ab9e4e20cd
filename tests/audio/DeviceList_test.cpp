// The output device list: the default entry first, short texts, full names for opening.
#include "audio/DeviceList.h"
#include "audio/VirtualWaveOut.h"

#include <gtest/gtest.h>

using namespace quavril;

TEST(DeviceList, entryZeroIsTheDefaultDeviceThenThePortsDevicesInOrder) {
    VirtualWaveOut port;
    port.SetDevices({{"hw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect hardware device "
                                           "without any conversions"},
                     {"pipewire", "PipeWire Sound Server"},
                     {"usbstream:CARD=X", ""}});
    const DeviceList list = DeviceList::FromPort(port);
    ASSERT_EQ(list.Entries().size(), 4u);
    EXPECT_EQ(list.Entries()[0].Name, "default");
    EXPECT_EQ(list.Entries()[0].Shown, DeviceList::DefaultEntryText);
    EXPECT_EQ(list.Entries()[1].Name, "hw:CARD=PCH,DEV=0");
    EXPECT_EQ(list.Entries()[1].Shown, "HDA Intel PCH, ALC892 Analog, Di");
    EXPECT_EQ(list.Entries()[1].Description,
              "HDA Intel PCH, ALC892 Analog\nDirect hardware device without any conversions");
    EXPECT_EQ(list.Entries()[2].Shown, "PipeWire Sound Server");
    EXPECT_EQ(list.Entries()[3].Shown, "usbstream:CARD=X"); // no description: the name
    EXPECT_EQ(list.DeviceNames(),
              (std::vector<std::string>{"hw:CARD=PCH,DEV=0", "pipewire", "usbstream:CARD=X"}));
    EXPECT_EQ(list.ShownTexts().size(), 4u);
    EXPECT_FALSE(list.NoUsableDevice());
}

TEST(DeviceList, aPortWithoutDevicesIsFlaggedAsUnusable) {
    VirtualWaveOut port;
    const DeviceList list = DeviceList::FromPort(port);
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_TRUE(list.NoUsableDevice());
    EXPECT_TRUE(list.DeviceNames().empty());
}

TEST(DeviceList, shownTextsAreOneLineOfAtMost32Characters) {
    const std::string exact(32, 'x');
    EXPECT_EQ(DeviceList::ShownText(exact), exact);
    EXPECT_EQ(DeviceList::ShownText(exact + "y"), exact);
    EXPECT_EQ(DeviceList::ShownText(std::string(31, 'x')), std::string(31, 'x'));
    EXPECT_EQ(DeviceList::ShownText("Card\nOutput"), "Card, Output");
    EXPECT_EQ(DeviceList::ShownText("Card \r\n  Output\n"), "Card, Output");
    EXPECT_EQ(DeviceList::ShownText("\nCard"), "Card");
    EXPECT_EQ(DeviceList::ShownText(""), "");
    // 33 two-byte characters: 32 whole characters remain, none cut in two.
    std::string umlauts;
    for (int i = 0; i < 33; ++i)
        umlauts += "\xC3\xA4";
    EXPECT_EQ(DeviceList::ShownText(umlauts), umlauts.substr(0, 64));
    // A cut that would end in a blank drops the blank.
    EXPECT_EQ(DeviceList::ShownText(std::string(31, 'x') + " tail"), std::string(31, 'x'));
}
