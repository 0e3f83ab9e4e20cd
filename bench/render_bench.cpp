// Render throughput of the three signals the sox comparison uses, one second of 48 kHz stereo
// per iteration, through the export path and through the playback fill handler.
#include "synth/Generator.h"

#include <benchmark/benchmark.h>
#include <vector>

using namespace quavril;

namespace {

enum Signal { ConstantSine, LogSweep, Pink };

void Setup(Generator& g, Signal signal) {
    g.SetSampleRate(48000);
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.ChannelsChange();
    g.SetText(TextField::Duration, "600");
    for (Channel c : {Channel::Left, Channel::Right}) {
        switch (signal) {
        case ConstantSine:
            g.SetText(fInitOf(c), "1000");
            break;
        case LogSweep:
            g.SetFlag(ConstantOf(c), false);
            g.SetFlag(LogarithmicOf(c), true);
            g.SetText(fInitOf(c), "20");
            g.SetText(fFinalOf(c), "20000");
            break;
        case Pink:
            g.SetIndex(WaveFormOf(c), PINK);
            break;
        }
    }
    g.ResetGenerator(true);
}

void BM_ExportFrames(benchmark::State& state) {
    Generator g;
    Setup(g, static_cast<Signal>(state.range(0)));
    std::vector<int16_t> out(48000 * 2);
    for (auto _ : state) {
        g.RenderFrames(out.data(), 48000);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 48000);
}

void BM_FillBuffer(benchmark::State& state) {
    Generator g;
    Setup(g, static_cast<Signal>(state.range(0)));
    g.SetFlag(FlagField::Loop, true);
    g.AcknowledgeRender();
    std::vector<uint8_t> buffer(16384);
    for (auto _ : state) {
        int32_t size = static_cast<int32_t>(buffer.size());
        benchmark::DoNotOptimize(g.FillBuffer(buffer.data(), size));
    }
    state.SetItemsProcessed(state.iterations() * 4096);
}

} // namespace

BENCHMARK(BM_ExportFrames)->Arg(ConstantSine)->Arg(LogSweep)->Arg(Pink)->ArgName("signal");
BENCHMARK(BM_FillBuffer)->Arg(ConstantSine)->Arg(LogSweep)->Arg(Pink)->ArgName("signal");
BENCHMARK_MAIN();
