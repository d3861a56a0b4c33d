// The simulated sensor's EEPROM (parameter block and calibration factors) in a
// small text file, so that it survives a restart of the simulator.
#pragma once

#include <string>

#include "sim/model.h"

namespace tavix::sim {

// The file text: a header line, the 171 EEPROM words and the three factors.
std::string FormatEepromFile(const SensorModel& model);

// Takes EEPROM and factors from `text`; false with `error` set when the text
// is not a complete, well-formed file (the model is then left unchanged).
bool ParseEepromFile(const std::string& text, SensorModel* model, std::string* error);

// Loads `path` into the model. A missing file is not an error: `found` is set false.
bool LoadEepromFile(const std::string& path, SensorModel* model, bool* found, std::string* error);

// Writes a temporary file next to `path` and renames it over `path`.
bool SaveEepromFile(const std::string& path, const SensorModel& model, std::string* error);

}  // namespace tavix::sim
