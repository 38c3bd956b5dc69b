// The UI thread and the worker thread on one database at the same time, and a writer
// process killed at random moments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "store/Profiles.h"
#include "store/SettingsDatabase.h"
#include "tests/store/StoreTestSupport.h"

namespace tavrick {
namespace {

using test::ModelDb;
using test::One;
using test::Query;

std::vector<MacroEventRow> EventsFor(int count) {
  std::vector<MacroEventRow> rows;
  for (int i = 0; i < count; ++i) rows.push_back(MacroEventRow{"e" + std::to_string(i), 2 + i % 2, 65 + i, i});
  return rows;
}

TEST(SettingsConcurrency, UiAndWorkerThreadsLoseNothing) {
  ModelDb m;
  ASSERT_TRUE(m.opened);
  ASSERT_EQ(InitProfiles(m.db, "Profile", nullptr), 1);
  constexpr int kRounds = 150;
  std::atomic<int> failures{0};
  auto check = [&](bool ok) {
    if (!ok) failures.fetch_add(1);
  };

  // UI thread: settings of its own key, profile switches, macros created and replaced.
  std::vector<int> ui_macros;
  std::thread ui([&] {
    for (int i = 1; i <= kRounds; ++i) {
      const int profile = 1 + i % 4;
      check(m.db.SetConfigValue(profile, "dpi_group0_value", i));
      std::string value;
      check(m.db.GetConfigValue(profile, "dpi_group0_value", value) && value == std::to_string(i));
      check(m.db.ActivateProfile(profile));
      const int id = m.db.CreateMacro("n" + std::to_string(i % 7 + 1));
      check(id > 0);
      if (id > 0) {
        ui_macros.push_back(id);
        check(m.db.ReplaceMacroRecords(id, EventsFor(i % 7 + 1)));
      }
    }
  });
  // Worker thread: read-backs writing another key, button rows, and the macro reads of a
  // key-map download, which must always see whole macros and exactly one active profile.
  std::thread worker([&] {
    for (int i = 1; i <= kRounds; ++i) {
      const int profile = 1 + i % 4;
      check(m.db.SetConfigValue(profile, "report_rate", i));
      std::string value;
      check(m.db.GetConfigValue(profile, "report_rate", value) && value == std::to_string(i));
      KeyAssignment k;
      k.profile = profile;
      k.key_code = i % 9;
      k.macro_type = 1;
      k.macro_value = 1 + i % 10;
      check(m.db.SaveKeyAssignment(k) > 0);
      const int active = m.db.GetActiveProfile();
      check(active >= 1 && active <= 4);
      std::vector<MacroInfo> macros;
      m.db.ListMacros(macros);
      for (const MacroInfo& macro : macros) {
        std::vector<MacroRecord> events;
        const int n = m.db.ListMacroRecords(macro.macro_id, events);
        // A macro is listed with no events (just created) or with all of them.
        check(n == 0 || n == std::stoi(macro.name.substr(1)));
      }
    }
  });
  ui.join();
  worker.join();

  EXPECT_EQ(failures.load(), 0);
  for (int p = 1; p <= 4; ++p) {
    // The last round that touched profile p wrote these.
    int last = kRounds;
    while (1 + last % 4 != p) --last;
    EXPECT_EQ(m.db.GetConfigInt(p, "dpi_group0_value"), last) << p;
    EXPECT_EQ(m.db.GetConfigInt(p, "report_rate"), last) << p;
  }
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_macro_data"), std::to_string(kRounds));
  for (size_t i = 0; i < ui_macros.size(); ++i) {
    std::vector<MacroRecord> events;
    EXPECT_EQ(m.db.ListMacroRecords(ui_macros[i], events), static_cast<int>((i + 1) % 7 + 1));
  }
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_configdata"), "160");
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_profile_data WHERE status = 1"), "1");
  EXPECT_EQ(One(m.path, "PRAGMA integrity_check"), "ok");
}

// The writer: settings and macros in a loop, each acknowledged on the pipe after it returned
// success. Never returns.
[[noreturn]] void WriterProcess(const std::string& folder, int ack_fd, int round) {
  SettingsDatabase db;
  if (!db.OpenForDevice(folder, "crash")) _exit(2);
  for (int i = 1;; ++i) {
    const int value = round * 1000000 + i;
    char line[64];
    if (db.SetConfigValue(1, "dpi_group0_value", value)) {
      const int n = std::snprintf(line, sizeof line, "C %d\n", value);
      if (write(ack_fd, line, n) != n) _exit(3);
    }
    const int id = db.CreateMacro("m");
    if (id > 0 && db.ReplaceMacroRecords(id, EventsFor(1 + i % 9))) {
      const int n = std::snprintf(line, sizeof line, "M %d %d\n", id, 1 + i % 9);
      if (write(ack_fd, line, n) != n) _exit(3);
    }
  }
}

TEST(SettingsCrashSafety, KilledWriterLosesNoAcknowledgedWrite) {
  test::TempFolder folder;
  {
    SettingsDatabase db;
    ASSERT_TRUE(db.OpenForDevice(folder.Path(), "crash"));
    ASSERT_EQ(InitProfiles(db, "Profile", nullptr), 1);
  }
  const std::string path = folder.File("db/crash_data1.db");
  std::mt19937 random(12345);
  std::map<int, int> acked_macros;  // id → number of events
  int acked_value = 0;
  int total_acks = 0;
  for (int round = 1; round <= 8; ++round) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      WriterProcess(folder.Path(), fds[1], round);
    }
    close(fds[1]);
    usleep(std::uniform_int_distribution<int>(30000, 200000)(random));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself: " << status;
    // Every acknowledgement the writer got out before it died.
    std::string acks;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) acks.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    std::istringstream lines(acks);
    std::string line;
    while (std::getline(lines, line)) {
      if (lines.eof()) break;  // a line cut by the kill was never complete
      std::istringstream fields(line);
      char kind = 0;
      fields >> kind;
      if (kind == 'C') {
        fields >> acked_value;
      } else if (kind == 'M') {
        int id = 0, count = 0;
        fields >> id >> count;
        acked_macros[id] = count;
      }
      ++total_acks;
    }

    ASSERT_EQ(One(path, "PRAGMA integrity_check"), "ok") << "round " << round;
    SettingsDatabase db;
    ASSERT_TRUE(db.OpenForDevice(folder.Path(), "crash")) << "round " << round;
    if (acked_value != 0) {
      EXPECT_GE(db.GetConfigInt(1, "dpi_group0_value"), acked_value) << "round " << round;
    }
    for (const auto& [id, count] : acked_macros) {
      std::vector<MacroRecord> events;
      ASSERT_EQ(db.ListMacroRecords(id, events), count) << "macro " << id << " round " << round;
    }
  }
  EXPECT_GT(total_acks, 50);  // the writer got real work done before each kill
}

}  // namespace
}  // namespace tavrick
