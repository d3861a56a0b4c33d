// The calibration program's steps of start-up: its panel, its defaults, and
// how it closes.
#include "branding/branding.h"
#include "calib/callbacks.h"
#include "calib/help_texts.h"

namespace tavix::calib {

namespace {

// Controls the program cannot work without; a layout that lacks one is refused.
QStringList PanelControls() {
  return {"Header",        "Logo",         "EditConnect",  "DispPortInfo",
          "DispStatus",    "ButtonGo",     "ButtonStop",   "ButtonStartCalib",
          "ButtonCalcCF",  "ButtonSendCF", "ButtonGetCF",  "ButtonFinishCalib",
          "EditPmod",      "EditPower",    "EditSetValue", "EditMaxDelta",
          "EditMaxPow",    "EditCFR",      "EditCFG",      "EditCFB",
          "TextStat",      "TextDyn",      "DispPow",      "DispRawR",
          "DispRawG",      "DispRawB",     "DispR",        "DispG",
          "DispB",         "DispBarRawR",  "DispBarRawG",  "DispBarRawB",
          "DispBarR",      "DispBarG",     "DispBarB",     "DispDeltaRaw",
          "DispDeltaCalib"};
}

}  // namespace

Calib::Calib(ui::Toolkit& toolkit, link::Port& port)
    : shell::Program(toolkit, port, "TavixCalib", "INFO") {}

ui::CallbackTable Calib::MakeCallbackTable() {
  return calib::MakeCallbackTable(this);
}

void Calib::InstallHelpTexts() {
  calib::InstallHelpTexts(*this);
}

bool Calib::LoadPanels() {
  frame.panel = tk.LoadPanel(0, kLayoutFile, kPanelResource, PanelControls());
  return frame.panel >= 0;
}

void Calib::CopyData() {
  protocol::CopyDatatoVarsCalib(record, data);
}

void Calib::EndProgram() {
  frame.closing = true;
  shell::Program::EndProgram();
}

void Calib::InitVars() {
  lnk.st.com = 1;
  lnk.st.order = 1;
  frame.target = protocol::Target::RAM;
  live.poll = 0;
  lnk.st.transbeg = Timer();
  lnk.st.waitdel = protocol::kSettleStart;

  ShowStatus("InitVars");
  branding::ShowLogo(tk, frame.panel, branding::kCalibBrandings, branding::kStartBranding);
  SetVisible();
}

}  // namespace tavix::calib
