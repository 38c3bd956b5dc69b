#pragma once
// DPI values as the mice exchange them: every sensor has its own 16-bit code scale and its
// own range. Sending limits a value to the range first (LimitDpi), then converts it.
#include <cstdint>

namespace tavrick {

struct DpiRange {
  int minimum = 50;     // also the smallest step the sensor offers
  int maximum = 26000;
};

// The range before any mouse reported its sensor.
inline constexpr DpiRange kDefaultDpiRange{50, 26000};

// Range of a sensor; sensor 0x19 depends on the model (device type).
DpiRange DpiRangeForSensor(int sensorCode, int deviceType);

// Clamps a stored value into the range.
int LimitDpi(int dpi, DpiRange range);

// DPI value → the code sent to the mouse. The result is never negative and fits 16 bits.
uint16_t DpiToCode(int sensorCode, int dpi);

// Code read from the mouse → DPI value.
int CodeToDpi(int sensorCode, uint16_t code);

}  // namespace tavrick

namespace tavrick {

// A DPI value typed by the user, rounded and limited as the sensor allows (the DPI page's
// rule for the inline editor): 0x11 12375 → 12350, 0x25 7777 → 7500, unknown 0 → 50.
int RoundTypedDpi(int sensorCode, int deviceType, int value);

}  // namespace tavrick
