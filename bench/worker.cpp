// Worker benchmarks, on the emulated mouse with a real clock.
//
// Latency: from QueueCommand(9) on the UI side to the DPI frame reaching the emulated mouse,
// while the worker sits in its idle poll on a connected mouse. The poll reads the current
// device for up to 100 ms; "literal" reads it in one 100 ms piece, "sliced" (ours) in 2 ms
// slices and ends as soon as a command is queued. Both run in the same process, one after
// the other; each reports p50 and p99 in milliseconds over many commands queued at random
// points of the poll.
//
// Idle: with no device present, the worker's CPU time over 10 seconds, as a percentage of
// one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/device/SessionRig.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
  return v[i];
}

void Latency(benchmark::State& state, int sliceMs) {
  tavrick::test::SessionRig rig(false);
  const int unit = rig.Plug(tavrick::emu::VelaWired());
  rig.session->SetPollSlice(sliceMs);
  rig.worker->SetPresence(true);
  rig.worker->Start();
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> gapUs(0, 100000);  // anywhere in a 100 ms poll
  std::vector<double> latencies;
  for (auto _ : state) {
    for (int run = 0; run < 300; ++run) {
      std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
      const size_t before = rig.emu->WrittenReports(unit).size();
      const auto start = Clock::now();
      rig.worker->QueueCommand(9);
      while (rig.emu->WrittenReports(unit).size() == before) std::this_thread::sleep_for(50us);
      latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      // Let the acknowledgement finish before the next command.
      while (rig.worker->QueuedCount() != 0) std::this_thread::sleep_for(100us);
      std::this_thread::sleep_for(2ms);
    }
  }
  rig.worker->Stop();
  state.counters["p50_ms"] = Percentile(latencies, 0.50);
  state.counters["p99_ms"] = Percentile(latencies, 0.99);
  state.counters["max_ms"] = Percentile(latencies, 1.0);
  state.counters["runs"] = static_cast<double>(latencies.size());
}

void BM_QueueToFrame_Literal100msPoll(benchmark::State& state) { Latency(state, 100); }
void BM_QueueToFrame_SlicedPoll(benchmark::State& state) { Latency(state, 2); }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_IdleWorkerWithoutDevice(benchmark::State& state) {
  tavrick::test::SessionRig rig(false);
  rig.Rebuild();  // nothing plugged: no record, presence stays cleared
  rig.worker->SetPresence(!rig.devices->Records().empty());
  rig.worker->Start();
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpu0 = CpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(10s);
    wall = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = CpuSeconds() - cpu0;
  }
  rig.worker->Stop();
  state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
}

}  // namespace

BENCHMARK(BM_QueueToFrame_Literal100msPoll)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueueToFrame_SlicedPoll)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleWorkerWithoutDevice)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
