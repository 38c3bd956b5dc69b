// tavrick-hid flash: puts a local firmware image into a mouse through its bootloader
// interface, with the same reports, pauses and checks the program uses.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/Number.h"
#include "device/FirmwareUpdate.h"
#include "device/HidBackend.h"
#include "device/HidTransport.h"
#include "device/EmulatorBackend.h"
#include "tools/tavrick-hid/Flash.h"

namespace tavrick {

int FlashImage(HidBackend& backend, const std::string& image_path, const std::string& target) {
  std::ifstream in(image_path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tavrick-hid: cannot read %s\n", image_path.c_str());
    return 2;
  }
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || image.empty() || image.size() > kMaxFirmwareImage) {
    std::fprintf(stderr, "tavrick-hid: %s is empty, unreadable or above 16 MiB\n", image_path.c_str());
    return 2;
  }

  // The mouse is named by any of its collections: number of the list, or path.
  const auto interfaces = backend.Enumerate();
  const HidInterfaceInfo* chosen = nullptr;
  if (!target.empty() && target.find_first_not_of("0123456789") == std::string::npos) {
    const size_t index = static_cast<size_t>(base::ParseDecimal(target));
    if (index < interfaces.size()) chosen = &interfaces[index];
  } else {
    for (const auto& d : interfaces)
      if (d.path == target) chosen = &d;
  }
  if (!chosen) {
    std::fprintf(stderr, "tavrick-hid: no interface %s\n", target.c_str());
    return 2;
  }
  const uint16_t vid = chosen->vendor_id, pid = chosen->product_id;
  BackendFirmwareTarget device(backend, vid, pid);
  HidDevice* bootloader = device.OpenBootloader();
  if (!bootloader) {
    std::fprintf(stderr, "tavrick-hid: %04X:%04X has no bootloader interface that opens\n", vid, pid);
    return 1;
  }
  auto pause = [&](int ms) { device.Pause(ms); };
  std::printf("flashing %zu bytes into %04X:%04X\n", image.size(), vid, pid);
  if (!EnterBootloader(bootloader, pause)) {
    std::printf("the bootloader did not take the enter report\n");
    return 1;
  }
  int shown = -1;
  const bool complete = TransferFirmware(bootloader, image.data(), image.size(), pause, [&](int, int percent) {
    if (percent != shown) {
      shown = percent;
      std::printf("\rsending: %3d%%", percent);
      std::fflush(stdout);
    }
  });
  if (shown >= 0) std::printf("\n");
  LeaveBootloader(bootloader, pause);
  if (!complete) {
    std::printf("the transfer ended early; the bootloader was left\n");
    return 1;
  }
  std::printf("done: %zu bytes sent, bootloader left\n", image.size());
  return 0;
}

int CheckEmulatedFlash(int unit, const std::string& image_path) {
  std::ifstream in(image_path, std::ios::binary);
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  image.resize((image.size() + 15) / 16 * 16, 0xFF);  // the last block's fill
  const emu::BootloaderState state = ProcessEmulator()->Bootloader(unit);
  const bool same = state.image == image && state.errors.empty();
  std::printf("emulated bootloader: %zu bytes received, %s, %zu rule(s) broken\n", state.image.size(),
              state.image == image ? "identical to the image" : "different from the image",
              state.errors.size());
  for (const auto& e : state.errors) std::printf("  %s\n", e.c_str());
  return same ? 0 : 1;
}

}  // namespace tavrick
