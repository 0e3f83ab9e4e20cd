// Writes the preset banks of the benchmarks: the three 600-second stereo signals the sox
// comparison renders (and the playback CPU benchmark plays), and, when asked, the signals the
// measurements of bench/measure.sh analyse.
#include "files/PresetFile.h"
#include "tests/support/TestSlots.h"

#include <cstdio>

using namespace quavril;

namespace {
PresetSlot Stereo(const std::string& name) {
    PresetSlot s = test::ToneSlot(name, "1000", "600", false);
    return s;
}

PresetSlot LogSweep(const std::string& name, const std::string& seconds, bool mono) {
    PresetSlot s = test::ToneSlot(name, "20", seconds, mono);
    s.fFinalLeft = s.fFinalRight = "20000";
    s.chkConstantLeft = s.chkConstantRight = false;
    s.LogarithmicLeft = s.LogarithmicRight = true;
    return s;
}

bool Save(const char* path, const PresetBank& bank) {
    if (auto r = SavePresetFile(path, bank); !r) {
        std::fprintf(stderr, "%s\n", r.Error.c_str());
        return false;
    }
    return true;
}

// The measured signals: 997 Hz at -20 and -60 dBFS, the 10 s log sweep and pink noise, mono.
PresetBank Measured() {
    PresetBank bank;
    PresetSlot tone = test::ToneSlot("997 Hz -20 dBFS", "997", "10");
    tone.AmplitudeLeft = "-20";
    bank.Slot(1) = tone;
    tone.Name = "997 Hz -60 dBFS";
    tone.AmplitudeLeft = "-60";
    bank.Slot(2) = tone;
    PresetSlot sweep = LogSweep("Log sweep 10 s", "10", true);
    sweep.AmplitudeLeft = "-1";
    bank.Slot(3) = sweep;
    PresetSlot pink = test::ToneSlot("Pink noise", "1000", "10");
    pink.WaveFormLeft = 5;
    bank.Slot(4) = pink;
    return bank;
}

// Square, triangle and sawtooth at -6 dBFS, 997 Hz left and 10 kHz right; and the 600-second
// 1 kHz square of the speed comparison.
PresetBank Shapes() {
    PresetBank bank;
    for (int shape = 1; shape <= 3; ++shape) {
        PresetSlot s = test::ToneSlot("Shape", "997", "2", false);
        s.fInitRight = "10000";
        s.AmplitudeLeft = s.AmplitudeRight = "-6";
        s.WaveFormLeft = s.WaveFormRight = shape;
        bank.Slot(shape) = s;
    }
    PresetSlot square = Stereo("1 kHz square");
    square.WaveFormLeft = square.WaveFormRight = 1;
    bank.Slot(4) = square;
    return bank;
}

// A back-and-forth log sweep of 1 s, looping: the drift measurement plays it for an hour.
PresetBank Sweeps() {
    PresetBank bank;
    PresetSlot sweep = LogSweep("Back and forth", "1", false);
    sweep.BidirectionalLeft = sweep.BidirectionalRight = true;
    sweep.Loop = true;
    bank.Slot(1) = sweep;
    return bank;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: make_bench_presets OUT.qvl [MEASURED.qvl SHAPES.qvl "
                             "SWEEPS.qvl]\n");
        return 2;
    }
    PresetBank bank;
    bank.Slot(1) = Stereo("1 kHz sine");
    bank.Slot(2) = LogSweep("Log sweep", "600", false);
    PresetSlot pink = Stereo("Pink noise");
    pink.WaveFormLeft = pink.WaveFormRight = 5;
    bank.Slot(3) = pink;
    PresetSlot modulated = LogSweep("Modulated sweep", "10", false);
    modulated.ModulationOnLeft = modulated.ModulationOnRight = true;
    bank.Slot(4) = modulated;
    if (!Save(argv[1], bank))
        return 1;
    if (argc == 5 &&
        !(Save(argv[2], Measured()) && Save(argv[3], Shapes()) && Save(argv[4], Sweeps())))
        return 1;
    return 0;
}
