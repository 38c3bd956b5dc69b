#include "device/FirmwareUpdate.h"

#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/Trace.h"
#include "device/DeviceManager.h"
#include "device/HidBackend.h"
#include "device/HidTransport.h"
#include "update/HttpTransfer.h"
#include "update/Versions.h"
#include "update/ZipArchive.h"

namespace tavrick {
namespace {

// The write, and the fall-back after a failed one: write again, then take any reply within
// a second as the sign that the report arrived.
bool Deliver(HidDevice* device, const uint8_t* report, const PauseFunction& pause) {
  if (device->Write(report, kBootloaderReportSize) > 0) return true;
  pause(3);
  device->Write(report, kBootloaderReportSize);
  pause(5);
  uint8_t reply[kBootloaderReportSize];
  return device->Read(reply, sizeof reply, 1000) > 0;
}

bool SendControl(HidDevice* device, const BootloaderReport& report,
                 const PauseFunction& pause) {
  if (!device) return false;
  return Deliver(device, report.data(), pause);
}

bool MakeFolderTree(const std::string& path) {
  std::string sofar;
  for (size_t i = 0; i <= path.size(); ++i) {
    if ((i == path.size() || path[i] == '/') && !sofar.empty() &&
        ::mkdir(sofar.c_str(), 0755) != 0 && errno != EEXIST)
      return false;
    if (i < path.size()) sofar += path[i];
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string RealPath(const std::string& path) {
  char* r = ::realpath(path.c_str(), nullptr);
  if (!r) return {};
  std::string s(r);
  std::free(r);
  return s;
}

}  // namespace

bool EnterBootloader(HidDevice* bootloader, const PauseFunction& pause) {
  return SendControl(bootloader, EnterBootloaderReport(), pause);
}

bool LeaveBootloader(HidDevice* bootloader, const PauseFunction& pause) {
  return SendControl(bootloader, LeaveBootloaderReport(), pause);
}

bool TransferFirmware(HidDevice* bootloader, const uint8_t* image, uint64_t size,
                      const PauseFunction& pause, const FlashProgressFunction& progress) {
  uint64_t remaining = size;
  uint64_t offset = 0;
  uint32_t block = 0;
  uint64_t full_packets = 0;
  const uint64_t all_full = size / kFirmwarePacketData;
  BootloaderReport report;
  while (remaining > 0) {
    BuildFirmwarePacket(image, size, offset, block, report);
    if (!bootloader) return false;
    if (!Deliver(bootloader, report.data(), pause)) return false;
    if (remaining < kFirmwarePacketData) return true;  // the last, partial packet
    // The bootloader needs a moment after its start.
    if (full_packets <= 1) pause(10);
    ++full_packets;
    offset += kFirmwarePacketData;
    block += 3;
    remaining -= kFirmwarePacketData;
    if (progress) progress(kTextFlashUpdating, static_cast<int>(10 + 90 * full_packets / all_full));
  }
  return true;
}

void ShowFlashProgress(UpdateHooks* dialog, int text, int percent) {
  if (!dialog) return;
  std::string label = dialog->LanguageText(text);
  dialog->ShowFlashProgress(label, label + ": " + std::to_string(percent) + "%", percent);
}

const char* FlashOutcomeName(FlashOutcome outcome) {
  switch (outcome) {
    case FlashOutcome::Done: return "done";
    case FlashOutcome::BadVersion: return "no version text";
    case FlashOutcome::NoPackage: return "no package";
    case FlashOutcome::NoImage: return "no complete image";
    case FlashOutcome::ImageRefused: return "image refused";
    case FlashOutcome::NoMouse: return "no bootloader interface";
    case FlashOutcome::EnterRefused: return "enter report refused";
    case FlashOutcome::TransferIncomplete: return "transfer ended early";
  }
  return "?";
}

std::string FirmwarePackageName(const std::string& version) {
  return "firmware-" + version + ".zip";
}
std::string FirmwareImageName(const std::string& version) {
  return "firmware-" + version + ".bin";
}
std::string FirmwarePackageAddress(const std::string& address, const std::string& version) {
  return address + "//mouse//" + FirmwarePackageName(version);
}

bool RemoveUpdateTempFolder(const std::string& user_data_folder) {
  std::string data = RealPath(user_data_folder);
  if (data.empty() || data == "/") return false;
  std::string temp = UpdateTempFolder(user_data_folder);
  temp.pop_back();  // no trailing "/": a link is then the link itself
  struct stat st;
  if (::lstat(temp.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(temp.c_str()) == 0;
  size_t slash = temp.rfind('/');
  if (slash == std::string::npos || RealPath(temp.substr(0, slash + 1)) != data) return false;
  ::nftw(
      temp.c_str(),
      [](const char* path, const struct stat*, int, struct FTW*) {
        ::remove(path);
        return 0;
      },
      16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
  return ::lstat(temp.c_str(), &st) != 0;
}

BackendFirmwareTarget::BackendFirmwareTarget(HidBackend& backend, uint16_t vendor_id,
                                             uint16_t product_id)
    : backend_(backend), vendor_id_(vendor_id), product_id_(product_id) {}

BackendFirmwareTarget::~BackendFirmwareTarget() = default;

HidDevice* BackendFirmwareTarget::OpenBootloader() {
  // A handle from an earlier update is closed before the new one is opened.
  bootloader_.reset();
  bootloader_ = ::tavrick::OpenBootloader(backend_, vendor_id_, product_id_);
  return bootloader_.get();
}

void BackendFirmwareTarget::Pause(int milliseconds) { backend_.Pause(milliseconds); }

HidDevice* DeviceManagerFirmwareTarget::OpenBootloader() {
  // The ids of the record behind the current device (0, 0 when none matches: then no
  // bootloader is found).
  uint16_t vendor_id = 0, product_id = 0;
  manager_.GetCurrentDeviceIds(&vendor_id, &product_id);
  manager_.SetBootloaderHandle(nullptr);  // an earlier handle is closed before the open
  manager_.SetBootloaderHandle(manager_.OpenBootloader(vendor_id, product_id));
  return manager_.GetBootloaderHandle();
}

void DeviceManagerFirmwareTarget::Pause(int milliseconds) { manager_.Pause(milliseconds); }

FlashOutcome FlashFirmware(const FlashRequest& request, FirmwareTarget& target) {
  auto show = [&](int text, int percent) { ShowFlashProgress(request.dialog, text, percent); };
  auto stop = [&](FlashOutcome outcome) {
    base::Trace(base::TraceLevel::Warning, "firmware update %s stopped: %s",
                request.version.c_str(), FlashOutcomeName(outcome));
    return outcome;
  };
  show(kTextFlashDownloading, 5);
  // The version names files: only a well-formed one may.
  if (!IsFirmwareVersionText(request.version) || !request.http)
    return stop(FlashOutcome::BadVersion);
  std::string package = FirmwarePackageName(request.version);
  std::string address = FirmwarePackageAddress(request.firmware_address, request.version);
  std::string temp = UpdateTempFolder(request.user_data_folder);
  RemoveUpdateTempFolder(request.user_data_folder);
  if (!MakeFolderTree(temp)) return stop(FlashOutcome::NoPackage);
  std::string package_file = temp + package;
  ::unlink(package_file.c_str());
  if (request.http->DownloadFile(address, package_file, request.owner) != kHttpOk)
    return stop(FlashOutcome::NoPackage);
  show(kTextFlashExtracting, 7);

  ExtractReport report;
  if (ExtractArchive(package_file, temp, &report) && report.AllExtracted())
    ::unlink(package_file.c_str());
  std::string image_name = FirmwareImageName(request.version);
  std::string image_file = temp + image_name;
  const ExtractedEntry* entry = report.Extracted(image_name);
  if (!entry) return stop(FlashOutcome::NoImage);

  // The image in full, exactly as large as the archive said.
  std::vector<uint8_t> image;
  {
    int fd = ::open(image_file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return stop(FlashOutcome::NoImage);
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
              static_cast<uint64_t>(st.st_size) <= kMaxFirmwareImage &&
              static_cast<uint64_t>(st.st_size) == entry->size;
    if (ok) {
      image.resize(static_cast<size_t>(st.st_size));
      size_t done = 0;
      while (done < image.size()) {
        ssize_t r = ::read(fd, image.data() + done, image.size() - done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
      }
      ok = done == image.size();
    }
    ::close(fd);
    if (!ok) {
      ::unlink(image_file.c_str());
      return stop(FlashOutcome::ImageRefused);
    }
  }
  show(kTextFlashExtracting, 10);

  PauseFunction pause = [&](int ms) { target.Pause(ms); };
  HidDevice* bootloader = target.OpenBootloader();
  FlashOutcome outcome = FlashOutcome::Done;
  if (!bootloader) {
    outcome = FlashOutcome::NoMouse;
  } else if (!EnterBootloader(bootloader, pause)) {
    outcome = FlashOutcome::EnterRefused;
  } else {
    bool complete = TransferFirmware(bootloader, image.data(), image.size(), pause, show);
    LeaveBootloader(bootloader, pause);
    if (!complete) outcome = FlashOutcome::TransferIncomplete;
  }
  ::unlink(image_file.c_str());
  // Claim completion only when it happened; otherwise the last progress stays showing.
  if (outcome != FlashOutcome::Done) return stop(outcome);
  show(kTextFlashDone, 100);
  return FlashOutcome::Done;
}

}  // namespace tavrick
