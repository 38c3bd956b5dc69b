// The cost of our own code per HID exchange and per enumeration pass, measured against the
// emulated mouse (which answers at once, so no device time is included).
#include <benchmark/benchmark.h>

#include "device/DeviceManager.h"
#include "device/EmulatorBackend.h"
#include "device/HidTransport.h"

namespace {

using namespace tavrick;

void BM_AcknowledgedExchange(benchmark::State& state) {
  auto emu = std::make_shared<emu::Emulator>();
  const int unit = emu->Plug(emu::VelaWired());
  auto backend = CreateEmulatorBackend(emu);
  auto device = backend->Open(emu->SettingsPath(unit));
  for (auto _ : state) {
    uint8_t frame[kShortFrame] = {0x00, 0x12};
    benchmark::DoNotOptimize(ExchangeCommand(*device, frame, sizeof frame));
    if ((state.iterations() & 1023) == 0) {
      state.PauseTiming();
      emu->ClearTraffic();  // the recording would otherwise grow without end
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_AcknowledgedExchange);

// One discovery pass over many wired mice: enumeration, classification, open and one
// device-information exchange each.
void BM_EnumeratePass(benchmark::State& state) {
  auto emu = std::make_shared<emu::Emulator>();
  emu->UseVirtualClock();
  for (int i = 0; i < state.range(0); ++i) emu->Plug(emu::VelaWired());
  DeviceManager dm(CreateEmulatorBackend(emu));
  dm.AddSupportedDevice(0x1209, 0x0001, "", 1, kModeWired, "V15@");
  for (auto _ : state) {
    dm.Rebuild();
    state.PauseTiming();
    emu->ClearTraffic();
    state.ResumeTiming();
  }
  state.counters["interfaces"] = static_cast<double>(state.range(0) * 5);
}
BENCHMARK(BM_EnumeratePass)->Arg(4)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
