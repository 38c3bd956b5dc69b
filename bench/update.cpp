// Update service benchmarks. Extraction is measured beside Debian's unzip on the same
// archive in the same run: the counter "ratio" is our time over unzip's (below 1 is faster).
// The firmware transfer is measured against the floor its own pauses impose.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "device/EmulatorBackend.h"
#include "device/FirmwareUpdate.h"
#include "device/HidBackend.h"
#include "emulator/Emulator.h"
#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/ZipBuilder.h"
#include "update/ZipArchive.h"

extern char** environ;

namespace {

using tavrick::test::ScratchFolder;
using tavrick::test::ZipBuilder;

std::string Data(size_t n, unsigned seed) {
  // Text-like bytes: compressible about 3:1, as installers and images are.
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 7;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>("abcdefghijklmnop\n 0123456789"[(x >> 24) % 29]);
  }
  return s;
}

struct Fixture {
  ScratchFolder folder{"tavrick-bench-zip"};
  std::string archive;
};

Fixture& ManySmall() {
  static Fixture f;
  if (f.archive.empty()) {
    ZipBuilder zip;
    for (int i = 0; i < 2000; ++i)
      zip.AddFile("d" + std::to_string(i % 20) + "/f" + std::to_string(i) + ".txt",
                  Data(2048, i));
    f.archive = f.folder / "many.zip";
    tavrick::test::WriteWholeFile(f.archive, zip.Build());
  }
  return f;
}

Fixture& OneBig() {
  static Fixture f;
  if (f.archive.empty()) {
    ZipBuilder zip;
    zip.AddFile("big.bin", Data(64u << 20, 99));
    f.archive = f.folder / "big.zip";
    tavrick::test::WriteWholeFile(f.archive, zip.Build());
  }
  return f;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// unzip -qo <archive> -d <folder>; seconds, or -1 when unzip is missing or failed.
double RunUnzip(const std::string& archive, const std::string& target) {
  std::vector<std::string> args = {"unzip", "-qo", archive, "-d", target};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, "unzip", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return Seconds(start);
}

void Extract(benchmark::State& state, Fixture& f) {
  std::string ours = f.folder / "ours/";
  std::string theirs = f.folder / "unzip/";
  double total = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    tavrick::test::RemoveTree(ours);
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    if (!tavrick::ExtractArchive(f.archive, ours)) state.SkipWithError("extraction failed");
    total += Seconds(start);
    ++runs;
  }
  // The peer, the same number of times, onto an emptied folder each time.
  double peer = 0;
  for (int64_t i = 0; i < runs; ++i) {
    tavrick::test::RemoveTree(theirs);
    double s = RunUnzip(f.archive, theirs);
    if (s < 0) {
      peer = -1;
      break;
    }
    peer += s;
  }
  state.counters["ours_ms"] = 1000 * total / std::max<int64_t>(runs, 1);
  if (peer > 0) {
    state.counters["unzip_ms"] = 1000 * peer / runs;
    state.counters["ratio"] = total / peer;
  }
}

void BM_ExtractManySmallFiles(benchmark::State& state) { Extract(state, ManySmall()); }
void BM_ExtractOneBigFile(benchmark::State& state) { Extract(state, OneBig()); }

BENCHMARK(BM_ExtractManySmallFiles)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExtractOneBigFile)->Unit(benchmark::kMillisecond)->Iterations(5);


// A 64 KiB image into the emulated bootloader on its real clock. The only pauses while the
// writes succeed are the 10 ms after each of the first two packets: 20 ms is the floor, and
// the counter "ratio_to_floor" is the measured time over it.
void BM_FirmwareTransfer64KiB(benchmark::State& state) {
  auto emulator = std::make_shared<tavrick::emu::Emulator>();
  tavrick::emu::UnitSpec spec = tavrick::emu::VelaWired();
  int unit = emulator->Plug(spec);
  auto backend = tavrick::CreateEmulatorBackend(emulator);
  std::vector<uint8_t> image(64 * 1024);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
  double total = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    emulator->Unplug(unit);
    unit = emulator->Plug(spec);
    tavrick::BackendFirmwareTarget target(*backend, spec.vendor_id, spec.product_id);
    tavrick::HidDevice* bootloader = target.OpenBootloader();
    auto pause = [&](int ms) { target.Pause(ms); };
    if (!bootloader || !tavrick::EnterBootloader(bootloader, pause)) {
      state.SkipWithError("no bootloader");
      break;
    }
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    if (!tavrick::TransferFirmware(bootloader, image.data(), image.size(), pause, {}))
      state.SkipWithError("transfer ended early");
    total += Seconds(start);
    ++runs;
  }
  if (emulator->Bootloader(unit).image.size() != image.size())
    state.SkipWithError("the emulator holds a different image");
  state.counters["floor_ms"] = 20;
  state.counters["ratio_to_floor"] = runs ? (1000 * total / runs) / 20.0 : 0;
}
BENCHMARK(BM_FirmwareTransfer64KiB)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
