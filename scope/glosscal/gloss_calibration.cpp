// The 60-degree gloss calibration on its own panel: the two reference
// searches, the verified write of the three calibration words to the
// sensor's EEPROM, and the panel's callbacks. The searches themselves are
// logic's; this file runs their steps against the sensor.
#include <utility>

#include "logic/gloss_calib.h"
#include "scope/callbacks.h"
#include "scope/help_texts.h"

namespace tavix::scope {

namespace {

// Settle delays of the calibration's frames.
constexpr double kSettleCalibPara = 0.3;   // order 1 with the calibration set
constexpr double kSettleCalibWrite = 1.0;  // order 10, the EEPROM write
constexpr double kSettleCalibRead = 0.1;   // order 11, the read-back

// The measuring set-up forced while calibrating.
constexpr std::uint16_t kCalibPmod =
    protocol::Word(protocol::Pmod::kStat);  // power as the slider says
constexpr std::uint16_t kCalibAverage = 1024;
constexpr std::uint16_t kCalibEvalmode = protocol::Word(protocol::Evalmode::kAllDegLimits);
constexpr std::uint16_t kCalibTrigger = protocol::Word(protocol::Trigger::kCont);

std::uint16_t ReadWord(const Scope& s, int panel, const char* ctrl) {
  return static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, ctrl));
}

void ShowCalibFailTimeout(Scope& s) {
  s.tk.MessagePopup("ATTENTION!", texts::InfoCalibFailTimeout);
}

// After order 10 the sensor has stored the words, whatever the read-back says.
void ShowCalibUnverified(Scope& s) {
  s.tk.MessagePopup("ATTENTION!",
                    QString(texts::InfoCalibFailTimeout) + texts::InfoCalibUnverified);
}

// Runs a reference workflow with its button red. A press while a workflow
// of this panel runs (from inside its event processing) is ignored, so
// that only one search talks to the sensor.
void RunReference(Scope& s, int panel, const char* button, void (Scope::*workflow)()) {
  if (s.gloss.searching) return;
  s.gloss.searching = true;
  s.tk.SetBackColor(panel, button, kRed);
  (s.*workflow)();
  s.tk.SetBackColor(panel, button, kLightGrey);
  s.gloss.searching = false;
  if (std::exchange(s.gloss.closeAsked, false)) s.ChangePanelCalib();
}

// A close during a search ends it at its next step; otherwise it acts at once.
void CloseCalib(Scope& s) {
  if (s.gloss.searching) {
    s.gloss.closeAsked = true;
  } else {
    s.ChangePanelCalib();
  }
}

}  // namespace

void Scope::SetCalibValues() {
  const int panel = frame.panel;
  vars.power = ReadWord(*this, frame.calibpanel, "SlideCalibPower");
  tk.SetCtrlVal(panel, "SlidePower", vars.power);
  vars.pmod = kCalibPmod;
  tk.SetCtrlVal(panel, "EditPmod", vars.pmod);
  vars.average = kCalibAverage;
  tk.SetCtrlVal(panel, "EditAverage", vars.average);
  vars.evalmode = kCalibEvalmode;
  tk.SetCtrlVal(panel, "Evalmode", vars.evalmode);
  vars.trigger = kCalibTrigger;
  tk.SetCtrlVal(panel, "EditTrigger", vars.trigger);
  vars.hold = ReadWord(*this, panel, "EditHold");
  vars.intlim = ReadWord(*this, panel, "EditIntlim");
  vars.maxcolno = ReadWord(*this, panel, "EditMaxcolNo");
  vars.outmode = ReadWord(*this, panel, "EditOutmode");
}

bool Scope::SendCalibPara() {
  lnk.SettleWait();
  SetCalibValues();
  logic::CopyCalibVarsToPP(vars, gloss, block);
  lnk.StartPaced(kSettleCalibPara);
  lnk.BeginWriteOnly(protocol::kOrderWriteRam);
  return lnk.SendFrame(block, protocol::kOrderWriteRam);
}

bool Scope::GetDataFrame() {
  const bool ok =
      lnk.Request(block, protocol::kOrderReadData, protocol::kDataBytes) == link::Answer::kOk;
  if (ok) {
    lnk.GetRxBufData(record);
    protocol::CopyDatatoVars(record, data);
    tk.SetCtrlVal(frame.calibpanel, "Disp60Deg", data.dataRawG);
  }
  tk.ProcessSystemEvents();
  return ok;
}

std::optional<std::uint16_t> Scope::CalibStep(std::uint16_t power) {
  if (gloss.closeAsked) return std::nullopt;  // the user closed the panel
  tk.SetCtrlVal(frame.calibpanel, "SlideCalibPower", power);
  if (!SendCalibPara()) return std::nullopt;
  lnk.SettleWait();
  if (!GetDataFrame()) return std::nullopt;
  return data.dataRawG;
}

void Scope::StartCalibrationRef1() {
  if (tk.ConfirmPopup("START CALIBRATION!", texts::InfoReferenz1) == 0) return;
  tk.MessagePopup("ATTENTION!", texts::InfoSelectCalibPowerRef1);
  const logic::GlossWords before = gloss;
  const logic::RefOutcome outcome =
      logic::CalibrateRef1(gloss, [this](std::uint16_t power) { return CalibStep(power); });
  if (gloss.closeAsked) {  // ended by a close: no word changes
    static_cast<logic::GlossWords&>(gloss) = before;
    return;
  }
  tk.MessagePopup("ATTENTION!", outcome == logic::RefOutcome::kPassed ? texts::InfoCalibRef1Passed
                                                                      : texts::InfoCalibRef1Fail);
}

void Scope::StartCalibrationRef2() {
  if (tk.ConfirmPopup("START CALIBRATION!", texts::InfoReferenz2) == 0) return;
  tk.MessagePopup("ATTENTION!", texts::InfoSelectCalibPowerRef2);
  const logic::GlossWords before = gloss;
  const logic::RefOutcome outcome =
      logic::CalibrateRef2(gloss, [this](std::uint16_t power) { return CalibStep(power); });
  if (gloss.closeAsked) {
    static_cast<logic::GlossWords&>(gloss) = before;
    return;
  }
  tk.MessagePopup("ATTENTION!", outcome == logic::RefOutcome::kPassed ? texts::InfoCalibRef2Passed
                                                                      : texts::InfoCalibRef2Fail);
}

void Scope::ConfirmCalibration() {
  if (tk.ConfirmPopup("CONFIRM CALIBRATION!", texts::InfoConfirmCalibration) == 0) return;
  lnk.SettleWait();
  SetCalibValues();
  logic::CopyCalibVarsToPP(vars, gloss, block);

  lnk.StartPaced(kSettleCalibWrite);
  lnk.BeginWriteOnly(protocol::kOrderWriteGloss);
  if (!lnk.SendFrame(block, protocol::kOrderWriteGloss)) {
    ShowCalibFailTimeout(*this);  // after the link's time-out report
    return;
  }

  lnk.SettleWait();
  lnk.StartPaced(kSettleCalibRead);
  if (lnk.Request(block, protocol::kOrderReadGloss, protocol::kDataBytes) != link::Answer::kOk) {
    ShowCalibUnverified(*this);
    return;
  }
  lnk.GetRxBufPara(block, protocol::anzframe);
  if (logic::CalibParaComp(block, vars, gloss) != 0) {
    ShowCalibUnverified(*this);
    return;
  }

  tk.MessagePopup("ATTENTION!", texts::InfoCalibrationPassed);
  vars.evalmode = protocol::Word(protocol::Evalmode::kGloss60Deg);
  tk.SetCtrlVal(frame.panel, "Evalmode", vars.evalmode);
  SendPara();  // words 9 to 11 go out as read back and verified
}

void Scope::ChangePanelCalib() {
  tk.RemovePopup(frame.calibpanel);
  tk.DisplayPanel(frame.panel);
}

void CBF_ButtonCalibGf60Deg(Scope& s) {
  s.lnk.SettleWait();
  s.flags.poll = 0;
  s.tk.HidePanel(s.frame.panel);
  s.tk.InstallPopup(s.frame.calibpanel);
}

void CBF_ButtonCloseCalib(Scope& s) {
  CloseCalib(s);
}

int CBF_CALIBP(int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event == ui::EVENT_CLOSE) CloseCalib(s);
  return 0;
}

void CBF_ButtonStartCalibRef1(Scope& s, int panel) {
  RunReference(s, panel, "ButtonStartCalibRef1", &Scope::StartCalibrationRef1);
}

void CBF_ButtonStartCalibRef2(Scope& s, int panel) {
  RunReference(s, panel, "ButtonStartCalibRef2", &Scope::StartCalibrationRef2);
}

// The words must not be written halfway through a search.
void CBF_ButtonConfirmCalib(Scope& s) {
  if (!s.gloss.searching) s.ConfirmCalibration();
}

}  // namespace tavix::scope
