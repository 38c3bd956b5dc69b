#include "update/UpdateService.h"

#include <spawn.h>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Text.h"
#include "base/Trace.h"
#include "update/Versions.h"
#include "update/ZipArchive.h"

extern char** environ;

namespace tavrick {
namespace {

bool MakeFolderTree(const std::string& path) {
  std::string sofar;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!sofar.empty() && ::mkdir(sofar.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (i < path.size()) sofar += path[i];
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string SoftwarePackageName(const std::string& version) {
  return "Mouse-Setup-" + version + ".zip";
}
std::string SoftwareInstallerName(const std::string& version) {
  return "Mouse-Setup-" + version + ".exe";
}
std::string UpdateTempFolder(const std::string& user_data_folder) {
  std::string base = user_data_folder;
  if (base.empty() || base.back() != '/') base += '/';
  return base + "temp/";
}

void CheckSoftwareVersion(HttpTransfer& http, const std::string& software_address,
                          UpdateState& state, UpdateHooks& hooks) {
  state.offered_software_version.clear();
  std::string answer;
  http.FetchText(software_address + "version", answer);
  answer = TrimVersionAnswer(answer);
  if (!IsSoftwareVersionText(answer)) {
    if (!answer.empty())
      base::Trace(base::TraceLevel::Warning, "software check: answer is no version text");
    return;
  }
  state.offered_software_version = answer;
  int r = CompareVersions(state.local_software_version, answer);
  if (r == 1 || r == 2) {
    state.software_state = 1;
    hooks.EnableButton(kSoftwareUpdateButton, true);
    hooks.SetLabelText(kSoftwareStateLine, hooks.LanguageText(kTextNewVersion) + ": v" + answer);
    hooks.PostUpdateOffer(kOfferSoftware);
  } else {
    state.software_state = 2;
    hooks.SetLabelText(kSoftwareStateLine, hooks.LanguageText(kTextUpToDate));
    hooks.EnableButton(kSoftwareUpdateButton, false);
  }
}

void CheckFirmwareVersion(HttpTransfer& http, const std::string& firmware_address,
                          UpdateState& state, UpdateHooks& hooks) {
  state.offered_firmware_version.clear();
  if (firmware_address.empty()) return;
  std::string answer;
  http.FetchText(firmware_address + "/mouse/version", answer);
  answer = TrimVersionAnswer(answer);
  if (IsFirmwareVersionText(answer)) {
    state.offered_firmware_version = answer;
  } else if (!answer.empty()) {
    base::Trace(base::TraceLevel::Warning, "firmware check: answer is no version text");
  }
  if (state.offered_firmware_version.empty() || state.mouse_firmware_version.empty()) return;
  int r = CompareVersions(state.mouse_firmware_version, answer);
  if (r == 1 || r == 2) {
    state.firmware_state = 1;
    // "V1.06" for 106: the first character, then the last two.
    std::string last_two = answer.size() > 2 ? answer.substr(answer.size() - 2) : answer;
    hooks.SetLabelText(kFirmwareStateLine, hooks.LanguageText(kTextNewVersion) + ": V" +
                                               answer.substr(0, 1) + "." + last_two);
    hooks.EnableButton(kFirmwareUpdateButton, true);
    hooks.PostUpdateOffer(kOfferFirmware);
  } else {
    state.firmware_state = 2;
    hooks.SetLabelText(kFirmwareStateLine, hooks.LanguageText(kTextUpToDate));
    hooks.EnableButton(kFirmwareUpdateButton, false);
  }
}

bool StartDetached(const std::string& path) {
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own session, so that the installer outlives this program's end.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  std::string arg0 = path;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = 0;
  int rc = posix_spawn(&pid, path.c_str(), nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    base::Trace(base::TraceLevel::Error, "installer %s could not be started: %s", path.c_str(),
                std::strerror(rc));
    return false;
  }
  return true;
}

bool InstallSoftwareUpdate(HttpTransfer& http, const std::string& software_address,
                           const std::string& user_data_folder, const UpdateState& state,
                           UpdateHooks& hooks, const ProgramStarter& start) {
  const std::string& version = state.offered_software_version;
  if (!IsSoftwareVersionText(version)) return false;
  std::string package = SoftwarePackageName(version);
  std::string address = software_address + "//" + package;
  std::string temp = UpdateTempFolder(user_data_folder);
  if (!MakeFolderTree(temp)) {
    base::Trace(base::TraceLevel::Error, "software update: cannot create %s", temp.c_str());
    return false;
  }
  std::string package_file = temp + package;
  ::unlink(package_file.c_str());
  if (http.DownloadFile(address, package_file, &hooks) != kHttpOk) return false;

  // Code fetched over plain HTTP can be replaced by anyone on the path: keep it, never run it.
  if (!http.LastTransferWasVerifiedHttps()) {
    base::Trace(base::TraceLevel::Warning,
                "software update: %s came over plain HTTP and was not started; it lies at %s",
                package.c_str(), package_file.c_str());
    hooks.ShowPackageKept(package_file);
    return false;
  }

  std::string installer_name = SoftwareInstallerName(version);
  std::string installer = temp + installer_name;
  ::unlink(installer.c_str());  // only an installer from this package may be started
  ExtractReport report;
  if (ExtractArchive(package_file, temp, &report) && report.AllExtracted())
    ::unlink(package_file.c_str());
  if (!report.Extracted(installer_name)) {
    base::Trace(base::TraceLevel::Warning, "software update: %s holds no complete %s",
                package.c_str(), installer_name.c_str());
    return false;
  }
  if (::chmod(installer.c_str(), 0755) != 0 || !start(installer)) return false;
  hooks.EndProgram();
  return true;
}

}  // namespace tavrick
