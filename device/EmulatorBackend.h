#pragma once
// The emulated mouse behind the HID seam, and the process-wide emulator that
// `Tavrick --emulate` and `tavrick-hid --emulate` plug their devices into.
#include <memory>

#include "device/HidBackend.h"
#include "emulator/Emulator.h"

namespace tavrick {

// A backend over the given emulator. Its Pause follows the emulator's clock; its change
// handler receives the emulator's plug events.
std::unique_ptr<HidBackend> CreateEmulatorBackend(std::shared_ptr<emu::Emulator> emulator);

// The emulator of this process (created on first use, real clock).
std::shared_ptr<emu::Emulator> ProcessEmulator();

// Plugs what --emulate offers into the process emulator: a wired Vela and a Vela receiver
// with its mouse switched on. Returns the unit ids (wired, receiver).
std::pair<int, int> PlugEmulatedDevices();

// The backend the program uses: hidapi, and with emulate the process emulator beside it
// (real devices first).
std::unique_ptr<HidBackend> CreateProgramBackend(bool emulate);

}  // namespace tavrick

namespace tavrick {

// What the program's entry point calls once, before the device manager is first used:
// the process backend becomes hidapi, and with emulate the emulated wired mouse and
// receiver are plugged in beside the real devices. False when the manager already exists.
bool InstallProcessBackend(bool emulate);

}  // namespace tavrick
