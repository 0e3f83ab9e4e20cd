#pragma once
// Copying one channel's settings onto the other (the panels' popup menus), as a user would set
// the controls. Duration, loop, channel mode and the channel-on boxes are not copied; the
// phase between the channels goes back to 0.
#include "synth/Generator.h"

namespace quavril {

class ChannelCopy {
public:
    // CopySettingsfromleftChannel1Click is Copy(g, Left, Right); the right-to-left copy its
    // mirror image.
    static void Copy(Generator& generator, Channel from, Channel to);
};

} // namespace quavril
