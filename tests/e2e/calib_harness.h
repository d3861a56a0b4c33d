// TavixCalib's real code on the generic end-to-end harness.
#pragma once

#include "calib/calib.h"
#include "calib/help_texts.h"
#include "harness.h"

namespace tavix::e2e {

using Bytes = std::vector<std::uint8_t>;

class CalibHarness : public ProgramHarness {
 protected:
  // Builds the program on the current TAVIX_COM1 and runs its start-up;
  // then shows the panel, as the program does before its event loop.
  int StartProgram() {
    MakeToolkitAndPort();
    calib = std::make_unique<calib::Calib>(*toolkit, *port);
    const int result = calib->StartUp();
    if (result == 0) toolkit->DisplayPanel(Panel());
    return result;
  }

  int Panel() const override { return calib->frame.panel; }
  bool StopLoops() override {
    if (calib == nullptr || calib->live.poll == 0) return false;
    calib->live.poll = 0;
    return true;
  }
  void EndProgram() override {
    if (calib) calib->lnk.Close();
    calib.reset();
  }

  std::size_t Sent() const { return sensor->SentRecords().size(); }
  int DataRequests() const { return static_cast<int>(sensor->GetCounters().perOrder[5]); }
  std::array<std::uint16_t, 3> SensorFactors() const {
    std::array<std::uint16_t, 3> f{};
    sensor->WithModel([&](sim::SensorModel& m) { f = m.factors; });
    return f;
  }
  std::array<int, 3> EditFactors() const {
    return {Int("EditCFR"), Int("EditCFG"), Int("EditCFB")};
  }
  // The frames the simulator received, their bytes.
  std::vector<Bytes> FramesBytes() const {
    std::vector<Bytes> frames;
    for (const sim::LogEntry& e : ReceivedFrames(*sensor)) frames.push_back(e.bytes);
    return frames;
  }
  // Clicks STOP in the first round after `records` more records have come,
  // once the measurement (if one runs) is over.
  void StopAfter(std::size_t records) {
    const std::size_t until = Sent() + records;
    EveryRound([this, until] {
      if (calib && !calib->cal.measuring && calib->live.poll == 1 && Sent() >= until) {
        Click("ButtonStop");
      }
    });
  }

  std::unique_ptr<calib::Calib> calib;
};

// `base` with the header of `order` and `words` from byte 4 on.
inline Bytes Put(Bytes base, int order, const std::vector<std::uint16_t>& words) {
  base[1] = 0x55;  // bytes 0 and 2 are 0 in every frame here
  base[3] = static_cast<std::uint8_t>(order);
  for (std::size_t i = 0; i < words.size(); ++i) {
    base[4 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
    base[5 + 2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
  }
  return base;
}

}  // namespace tavix::e2e
