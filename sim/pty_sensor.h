// The simulated sensor on a Linux pseudo-terminal, run on a thread of its own.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/model.h"

namespace tavix::sim {

enum class Fault {
  kNone,
  kSilence,  // no answer
  kShort,    // answer without its last bytes
  kSurplus,  // answer and a few extra bytes
  kLate,     // answer after 2.2 s
  kGarbage,  // random bytes after the frame, whatever its order
  kHangUp,   // the pseudo-terminal is closed
  kCorrupt,  // the answer with one bit of its first word changed
  kStray,    // answer, then a few bytes 5 ms after its end (paced: while the next request is on the
             // line)
};

struct Counters {
  std::uint64_t frames = 0;                  // accepted frames
  std::uint64_t rejected = 0;                // not 36 bytes or no sync word
  std::uint64_t earlyFrames = 0;             // arrived while busy after a parameter or EEPROM write
  std::uint64_t answers = 0;                 // answers sent
  std::array<std::uint64_t, 12> perOrder{};  // accepted frames by order code (index 1..11)
};

struct LogEntry {
  double time = 0.0;     // seconds since the simulator started
  bool received = true;  // frame from the PC, or answer to it
  std::vector<std::uint8_t> bytes;
  bool rejected = false;  // received bytes that did not form a frame
};

struct Options {
  bool pacing = false;     // 19200 baud 8N1 in both directions
  std::string eepromFile;  // persist the EEPROM here when not empty
  std::string linkPath;    // keep a symlink to the device here when not empty
};

class PtySensor {
 public:
  explicit PtySensor(Options options);
  ~PtySensor();  // stops

  // Opens the pseudo-terminal and starts the thread. False with `error` set on failure.
  bool Start(std::string* error = nullptr);
  void Stop();
  std::string DevicePath() const;  // the slave side, for the PC to open

  // Faults: once (for the next frame that fits it) or until cleared.
  void InjectFault(Fault fault, bool once = true);
  void ClearFault();

  // The model, under the simulator's lock (fn must not call back into the simulator).
  void WithModel(const std::function<void(SensorModel&)>& fn);
  Counters GetCounters() const;
  std::vector<LogEntry> FrameLog() const;
  void ClearLog();
  // Records sent in answer to order 5, oldest first.
  std::vector<std::array<std::uint16_t, kRecordWords>> SentRecords() const;
  // The last problem met while running (EEPROM file not saved, port lost), or empty.
  std::string LastError() const;
  // True from Start until Stop or a hang-up.
  bool Serving() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace tavix::sim
