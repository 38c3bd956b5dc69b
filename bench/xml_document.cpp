// XmlDocument benchmarks: load a generated description-like file of several megabytes and
// walk every element, reading its attributes. The same file is parsed by libexpat in the same
// run, reading the same attributes; the counter "ratio" of BM_SideBySide is our CPU time over
// expat's (below 1 is faster).
#include <benchmark/benchmark.h>
#include <expat.h>

#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>

#include "store/XmlDocument.h"
#include "tests/support/TempFolder.h"

namespace {

using tavrick::XmlDocument;

constexpr int kDevices = 16000;
constexpr int kKeysPerDevice = 6;

struct Fixture {
  tavrick::test::TempFolder folder;
  std::string path;
  size_t bytes = 0;
  size_t elements = 0;
};

const Fixture& File() {
  static Fixture made;
  if (made.path.empty()) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<devices version=\"3\">\r\n";
    size_t elements = 1;
    for (int d = 0; d < kDevices; ++d) {
      char line[256];
      std::snprintf(line, sizeof(line),
                    "  <device id=\"%04X\" name=\"Model %d &amp; receiver \xE6\x97\xA0\xE7\xBA\xBF\" "
                    "vid=\"0x1209\" pid=\"0x%04x\" type=\"%d\">\r\n",
                    d, d, d % 16, 100 + d % 7);
      text += line;
      for (int k = 0; k < kKeysPerDevice; ++k) {
        std::snprintf(line, sizeof(line),
                      "    <key index=\"%d\" func=\"%d\" value=\"&lt;%d&gt;\" label='Button %d'/>\r\n",
                      k, (d + k) % 40, d * k, k + 1);
        text += line;
      }
      text += "    <light mode=\"2\" speed=\"3\"><![CDATA[colour table]]></light>\r\n  </device>\r\n";
      elements += 2 + kKeysPerDevice;
    }
    text += "</devices>\r\n";
    made.path = made.folder.File("devices.xml");
    made.folder.Write("devices.xml", text);
    made.bytes = text.size();
    made.elements = elements;
  }
  return made;
}

// Loads and walks with XmlDocument; returns the attribute bytes seen (so nothing is skipped).
size_t OursOnce(const std::string& path) {
  XmlDocument doc;
  if (!doc.LoadFile(path)) return 0;
  size_t seen = 0;
  doc.FindElement("devices");
  seen += doc.GetAttribute("version").size();
  doc.EnterElement();
  while (doc.FindElement("device")) {
    for (const char* a : {"id", "name", "vid", "pid", "type"}) seen += doc.GetAttribute(a).size();
    doc.EnterElement();
    while (doc.FindElement("key")) {
      for (const char* a : {"index", "func", "value", "label"}) seen += doc.GetAttribute(a).size();
    }
    if (doc.FindElement("light")) {
      seen += doc.GetAttribute("mode").size() + doc.GetAttribute("speed").size();
    }
    doc.LeaveElement();
  }
  return seen;
}

struct ExpatState {
  size_t seen = 0;
};

void XMLCALL ExpatStart(void* user, const XML_Char*, const XML_Char** attributes) {
  auto* state = static_cast<ExpatState*>(user);
  for (int i = 0; attributes[i] != nullptr; i += 2) {
    // Copy the value out, as GetAttribute hands a string to its caller.
    std::string value(attributes[i + 1]);
    state->seen += value.size();
  }
}

// Reads the file and parses it with expat, copying every attribute value.
size_t ExpatOnce(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 0;
  std::string bytes;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, got);
  std::fclose(file);
  XML_Parser parser = XML_ParserCreate(nullptr);
  ExpatState state;
  XML_SetUserData(parser, &state);
  XML_SetStartElementHandler(parser, ExpatStart);
  bool ok = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return ok ? state.seen : 0;
}

void SetCounters(benchmark::State& state, const Fixture& f) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes));
  state.counters["MB"] = static_cast<double>(f.bytes) / 1e6;
  state.counters["elements"] = static_cast<double>(f.elements);
}

void BM_XmlDocumentLoadAndWalk(benchmark::State& state) {
  const Fixture& f = File();
  for (auto _ : state) benchmark::DoNotOptimize(OursOnce(f.path));
  SetCounters(state, f);
}
BENCHMARK(BM_XmlDocumentLoadAndWalk)->Unit(benchmark::kMillisecond);

void BM_ExpatLoadAndWalk(benchmark::State& state) {
  const Fixture& f = File();
  for (auto _ : state) benchmark::DoNotOptimize(ExpatOnce(f.path));
  SetCounters(state, f);
}
BENCHMARK(BM_ExpatLoadAndWalk)->Unit(benchmark::kMillisecond);

// Only the index: SetText of text already in memory.
void BM_XmlDocumentSetText(benchmark::State& state) {
  const Fixture& f = File();
  std::string text = f.folder.Read("devices.xml");
  for (auto _ : state) {
    XmlDocument doc;
    benchmark::DoNotOptimize(doc.SetText(text));
  }
  SetCounters(state, f);
}
BENCHMARK(BM_XmlDocumentSetText)->Unit(benchmark::kMillisecond);

// Builds an exchange-file-like document the way the writers do (append an element, set its
// attributes) with state.range(0) elements, and saves it.
void BM_XmlDocumentBuildAndSave(benchmark::State& state) {
  tavrick::test::TempFolder folder;
  const std::string path = folder.File("built.xml");
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    XmlDocument doc;
    doc.SetText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    doc.AddElement("macrolist");
    doc.EnterElement();
    for (int i = 0; i < count; ++i) {
      doc.AddElement("macro");
      doc.SetAttribute("name", "Macro " + std::to_string(i));
      doc.EnterElement();
      for (int k = 0; k < 4; ++k) {
        doc.AddElement("event");
        doc.SetAttribute("type", std::to_string(k % 3));
        doc.SetAttribute("key", std::to_string(4 + i % 26));
        doc.SetAttribute("delay", std::to_string(10 * k));
      }
      doc.LeaveElement();
    }
    doc.LeaveElement();
    benchmark::DoNotOptimize(doc.SaveFile(path));
  }
  state.counters["elements"] = static_cast<double>(count * 5 + 1);
}
BENCHMARK(BM_XmlDocumentBuildAndSave)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// CPU time of this thread (user and system), so that other work on a shared machine does not
// leak into the comparison.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Both in each iteration; "ratio" is XmlDocument's CPU time over expat's. Both must see the
// same attribute bytes, or the comparison would be of different work.
void BM_SideBySide(benchmark::State& state) {
  const Fixture& f = File();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    double t0 = ThreadSeconds();
    size_t a = OursOnce(f.path);
    double t1 = ThreadSeconds();
    size_t b = ExpatOnce(f.path);
    double t2 = ThreadSeconds();
    if (a != b || a == 0) {
      state.SkipWithError("XmlDocument and expat saw different attributes");
      break;
    }
    ours += t1 - t0;
    theirs += t2 - t1;
  }
  if (theirs > 0) state.counters["ratio"] = ours / theirs;
  SetCounters(state, f);
}
BENCHMARK(BM_SideBySide)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
