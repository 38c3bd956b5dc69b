#pragma once
// A backend that passes everything to another one and reports every report written and
// read as one line: "-> <path>  <hex>" for a write, "<- <path>  <hex>" for a read, with
// "(time-out)", "(failed)" or "(error)" in place of the bytes when nothing came or went.
#include <functional>
#include <memory>
#include <string>

#include "device/HidBackend.h"

namespace tavrick {

std::string HexBytes(const uint8_t* data, size_t length);  // "00 10 FF"

std::unique_ptr<HidBackend> CreateTracingBackend(std::unique_ptr<HidBackend> inner,
                                                 std::function<void(const std::string& line)> sink);

}  // namespace tavrick
