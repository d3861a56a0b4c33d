// TavixCalib's real code on the generic end-to-end harness.
#pragma once

#include "calib/calib.h"
#include "calib/help_texts.h"
#include "harness.h"

namespace tavix::e2e {

class CalibHarness : public ProgramHarness {
 protected:
  int StartProgram() { return Launch(calib); }
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

  std::array<int, 3> EditFactors() const {
    return {Int("EditCFR"), Int("EditCFG"), Int("EditCFB")};
  }

  std::unique_ptr<calib::Calib> calib;
};

}  // namespace tavix::e2e
