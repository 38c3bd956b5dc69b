#pragma once
// tavrick-hid --flash: a local firmware image into a mouse through its bootloader.
#include <string>

#include "device/HidBackend.h"

namespace tavrick {

// `target` names the mouse by any of its collections (number of the list, or path). Exit
// status: 0 every packet went out and the bootloader was left, 1 the device did not take it,
// 2 a usage error (unreadable, empty or too large image, no such interface).
int FlashImage(HidBackend& backend, const std::string& image_path, const std::string& target);

// With --emulate: compares what the emulated bootloader of `unit` reassembled with the image
// file and prints the result; 0 when they are equal and no rule was broken.
int CheckEmulatedFlash(int unit, const std::string& image_path);

}  // namespace tavrick
