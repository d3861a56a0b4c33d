// The calibration-factor workflow: START CALIBRATION, GET, SEND, CALCULATE
// and FINISH CALIBRATION.
#include <algorithm>

#include "base/colours.h"
#include "calib/callbacks.h"
#include "calib/help_texts.h"

namespace tavix::calib {

namespace {

// The calibration set sent by START CALIBRATION: words 0 to 8 (power and
// pmod from the panel), words 9 to 15 zero.
void FillCalibSet(protocol::ParamBlock& block, std::uint16_t power, std::uint16_t pmod) {
  auto& pp = block.pp;
  std::fill(pp.begin(), pp.begin() + protocol::anzframe, 0);
  pp[0] = power;
  pp[1] = pmod;
  pp[2] = logic::kCalibAverage;                               // average
  pp[3] = protocol::Word(protocol::Evalmode::kAllDegLimits);  // evalmode
  pp[4] = 10;                                                 // hold
  pp[5] = 0;                                                  // intlim
  pp[6] = 1;                                                  // maxcolno
  pp[7] = protocol::Word(protocol::Outmode::kDirectLo);       // outmode
  pp[8] = protocol::Word(protocol::Trigger::kCont);           // trigger
}

std::uint16_t Word(int value) {
  return static_cast<std::uint16_t>(value);
}

}  // namespace

void Calib::SendCalibPara() {
  cal.pmod = Word(tk.GetCtrlInt(frame.panel, "EditPmod"));
  cal.power = Word(tk.GetCtrlInt(frame.panel, "EditPower"));
  // Like every operation the user starts, it waits until the sensor has
  // finished with the one before.
  lnk.SettleWait();
  lnk.StartPaced(kSettleCalibPara);
  FillCalibSet(block, cal.power, cal.pmod);
  lnk.BeginWriteOnly(protocol::kOrderWriteRam);
  if (!lnk.SendFrame(block, protocol::kOrderWriteRam) && PortGone()) return;
  lnk.SettleWait();
  // Without the factors the live values cannot be judged: one report is enough.
  if (!GetCF()) return;
  lnk.SettleWait();
  StartGo();
}

bool Calib::GetCF() {
  live.poll = 0;
  lnk.st.order = protocol::kOrderReadFactors;
  lnk.StartPaced(kSettleGetCF);
  if (lnk.Request(block, protocol::kOrderReadFactors, protocol::kFactorBytes) != link::Answer::kOk)
    return false;
  // The three words go straight to the factors; the parameter block keeps
  // the set this program sent.
  protocol::ParamBlock answer;
  lnk.GetRxBufPara(answer, 3);
  cal.cf = {answer.pp[0], answer.pp[1], answer.pp[2]};
  tk.SetCtrlVal(frame.panel, "EditCFR", cal.cf.cfrot);
  tk.SetCtrlVal(frame.panel, "EditCFG", cal.cf.cfgruen);
  tk.SetCtrlVal(frame.panel, "EditCFB", cal.cf.cfblau);
  cal.factorsKnown = true;
  return true;
}

bool Calib::FactorsToSend(const char* title) {
  if (cal.factorsKnown) return true;
  const QString text = QString(texts::ConfirmUnknownFactors)
                           .arg(tk.GetCtrlInt(frame.panel, "EditCFR"))
                           .arg(tk.GetCtrlInt(frame.panel, "EditCFG"))
                           .arg(tk.GetCtrlInt(frame.panel, "EditCFB"));
  return tk.ConfirmPopup(title, text) == 1;
}

void Calib::SendCF() {
  cal.cf = {Word(tk.GetCtrlInt(frame.panel, "EditCFR")),
            Word(tk.GetCtrlInt(frame.panel, "EditCFG")),
            Word(tk.GetCtrlInt(frame.panel, "EditCFB"))};
  lnk.StartPaced(kSettleSendCF);
  lnk.BeginWriteOnly(protocol::kOrderWriteFactors);
  lnk.SendFrame(block, protocol::kOrderWriteFactors, 0, cal.cf);
}

void Calib::LockForMeasurement(bool locked) {
  // Another loop, new parameters or an EEPROM write in the middle of the
  // 100 frames would spoil the means; STOP, the port and PMOD stay usable.
  for (const char* button :
       {"ButtonGo", "ButtonStartCalib", "ButtonSendCF", "ButtonGetCF", "ButtonFinishCalib"}) {
    tk.SetDimmed(frame.panel, button, locked);
  }
}

void Calib::CalcCF() {
  live.poll = 0;
  lnk.st.order = protocol::kOrderReadData;
  if (tk.ConfirmPopup("CONFIRM CALCULATION!", texts::ConfirmCalculation) != 1) {
    tk.MessagePopup("INFO!", texts::InfoCalcDeclined);
    return;
  }
  lnk.SettleWait();
  logic::MeasureSums sums;
  int taken = 0;
  std::uint16_t measuring = 1;
  cal.measuring = true;
  LockForMeasurement(true);
  // The button blinks: red on the 1st, 3rd, ... change, grey on the 2nd, 4th, ...
  const auto blink = [this](int frameNo) {
    if (frameNo % 5 == 0) {
      tk.SetBackColor(frame.panel, "ButtonCalcCF", (frameNo / 5) % 2 == 0 ? kRed : kLightGrey);
    }
  };
  blink(0);
  lnk.Poll(block, measuring, record,
           {.onRecord =
                [&] {
                  CopyData();
                  SetPanelData();
                  logic::AddFrame(sums, data.dataRawR, data.dataRawG, data.dataRawB);
                  ++taken;
                  if (taken < logic::kCalibFrames) blink(taken);
                },
            // Events once per frame; none after a failed one.
            .afterPass =
                [&] {
                  if (measuring == 0) return;
                  tk.ProcessSystemEventsHoldingRepaints();
                  if (taken == logic::kCalibFrames || frame.closing) measuring = 0;
                },
            .whileWaiting = [this] { tk.RepaintNow(); },
            // No request beyond the last frame, none once the user has ended the program.
            .wantsNext = [&] { return !frame.closing && taken + 1 < logic::kCalibFrames; }});
  tk.RepaintNow();
  // A failed frame ends it with "TIMEOUT" in the status display.
  const bool failed = taken < logic::kCalibFrames && !frame.closing;
  cal.measuring = false;
  LockForMeasurement(false);
  if (failed) {
    tk.MessagePopup("ATTENTION!", texts::CalibrationFailed);
    return;
  }
  if (frame.closing) return;  // the user ended the program: nothing is stored
  cal.means = logic::Means(sums);
  SetCF();
}

void Calib::SetCF() {
  const int panel = frame.panel;
  cal.pmod = Word(tk.GetCtrlInt(panel, "EditPmod"));
  cal.setvalue = Word(tk.GetCtrlInt(panel, "EditSetValue"));
  cal.maxdelta = Word(tk.GetCtrlInt(panel, "EditMaxDelta"));
  cal.maxpow = Word(tk.GetCtrlInt(panel, "EditMaxPow"));
  const logic::Factors f = logic::ComputeFactors(
      cal.means, {cal.pmod, cal.setvalue, cal.maxdelta, cal.maxpow, data.dataINT});
  switch (f.result) {
    case logic::FactorResult::kSpreadTooHigh:
      tk.MessagePopup("ATTENTION!", texts::MaximumDelta);
      return;
    case logic::FactorResult::kPowerTooHigh:
      tk.MessagePopup("ATTENTION!", texts::MaximumPower);
      return;
    case logic::FactorResult::kOutOfRange:
      tk.MessagePopup("ATTENTION!", texts::CFOutOfRange);
      return;
    case logic::FactorResult::kOk:
      break;
  }
  cal.cf = f.factors;
  tk.SetCtrlVal(panel, "EditCFR", cal.cf.cfrot);
  tk.SetCtrlVal(panel, "EditCFG", cal.cf.cfgruen);
  tk.SetCtrlVal(panel, "EditCFB", cal.cf.cfblau);
  cal.factorsKnown = true;
  tk.MessagePopup("CALIBRATION PASSED!", texts::CalibrationPassed);
  SendCF();
  if (PortGone()) return;
  lnk.SettleWait();
  StartGo();
}

void Calib::SendPara() {
  lnk.StartPaced(protocol::kSettleSendPara);
  protocol::CopyDefaultsToPP(block);
  lnk.BeginWriteOnly(protocol::kOrderWriteRam);
  if (!lnk.SendFrame(block, protocol::kOrderWriteRam) && PortGone()) return;
  for (std::uint16_t row = 0; row < protocol::kTeachRows; ++row) {
    if (!lnk.SendFrame(block, protocol::kOrderWriteRow, row) && PortGone()) return;
  }
  lnk.SendFrame(block, protocol::kOrderStoreEeprom);
}

void CBF_ButtonStartCalib(Calib& c) {
  c.live.poll = 0;
  if (c.tk.ConfirmPopup("START CALIBRATION", texts::InfoWhiteTarget) == 1) c.SendCalibPara();
}

void CBF_ButtonCalcCF(Calib& c) {
  if (c.cal.measuring) return;  // a second press while it blinks changes nothing
  c.CalcCF();
}

void CBF_ButtonSendCF(Calib& c) {
  c.live.poll = 0;
  if (!c.FactorsToSend("SEND CALIBRATION FACTORS")) return;
  c.lnk.SettleWait();
  c.SendCF();
}

void CBF_ButtonGetCF(Calib& c) {
  c.live.poll = 0;
  c.lnk.SettleWait();
  c.GetCF();
}

void CBF_ButtonFinishCalib(Calib& c) {
  c.live.poll = 0;
  if (!c.FactorsToSend("FINISH CALIBRATION")) return;  // nothing goes out, the default set neither
  c.tk.MessagePopup("INFO!", texts::InfoButtonFinishCalib);
  c.lnk.SettleWait();
  c.SendPara();
  if (c.PortGone()) return;
  c.lnk.SettleWait();
  c.SendCF();
}

}  // namespace tavix::calib
