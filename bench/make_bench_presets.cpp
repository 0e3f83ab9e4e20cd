// Writes the preset bank the sox comparison renders: three 600-second stereo signals.
#include "files/PresetFile.h"
#include "tests/support/TestSlots.h"

#include <cstdio>

using namespace quavril;

namespace {
PresetSlot Stereo(const std::string& name) {
    PresetSlot s = test::ToneSlot(name, "1000", "600", false);
    return s;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bench_presets OUT.qvl\n");
        return 2;
    }
    PresetBank bank;
    bank.Slot(1) = Stereo("1 kHz sine");
    PresetSlot sweep = Stereo("Log sweep");
    sweep.fInitLeft = sweep.fInitRight = "20";
    sweep.fFinalLeft = sweep.fFinalRight = "20000";
    sweep.chkConstantLeft = sweep.chkConstantRight = false;
    sweep.LogarithmicLeft = sweep.LogarithmicRight = true;
    bank.Slot(2) = sweep;
    PresetSlot pink = Stereo("Pink noise");
    pink.WaveFormLeft = pink.WaveFormRight = 5;
    bank.Slot(3) = pink;
    PresetSlot modulated = Stereo("Modulated sweep");
    modulated.fInitLeft = modulated.fInitRight = "20";
    modulated.fFinalLeft = modulated.fFinalRight = "20000";
    modulated.chkConstantLeft = modulated.chkConstantRight = false;
    modulated.LogarithmicLeft = modulated.LogarithmicRight = true;
    modulated.ModulationOnLeft = modulated.ModulationOnRight = true;
    modulated.Duration = "10";
    bank.Slot(4) = modulated;
    if (auto r = SavePresetFile(argv[1], bank); !r) {
        std::fprintf(stderr, "%s\n", r.Error.c_str());
        return 1;
    }
    return 0;
}
