// TavixCalib's real code on the generic end-to-end harness.
#pragma once

#include "calib/calib.h"
#include "calib/help_texts.h"
#include "harness.h"

namespace tavix::e2e {

class CalibHarness : public ProgramHarness {
 protected:
  // Builds the program on the current TAVIX_COM1, runs its start-up and
  // shows the panel, as the program does before its event loop.
  int StartProgram() {
    EndProgram();
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
  std::array<int, 3> EditFactors() const {
    return {Int("EditCFR"), Int("EditCFG"), Int("EditCFB")};
  }

  std::unique_ptr<calib::Calib> calib;
};

}  // namespace tavix::e2e
