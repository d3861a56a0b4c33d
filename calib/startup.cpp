// Start-up, shutdown, the serial port and its line check, and the failure
// reports of the calibration program.
#include "branding/branding.h"
#include "branding/port_line.h"
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

Calib::Calib(ui::Toolkit& toolkit, link::Port& port) : tk(toolkit), lnk(port, *this) {}

int Calib::WinMain() {
  if (StartUp() < 0) return -1;
  return RunAndShutDown();
}

int Calib::StartUp() {
  tk.SetCallbacks(MakeCallbackTable(this));
  frame.panel = tk.LoadPanel(0, kLayoutFile, kPanelResource, PanelControls());
  if (frame.panel < 0) return -1;
  InstallHelpTexts(*this);
  InitVars();
  InitRS232(lnk.st.com);
  return 0;
}

int Calib::RunAndShutDown() {
  tk.DisplayPanel(frame.panel);
  tk.RunUserInterface();
  lnk.Close();
  tk.DiscardPanel(frame.panel);
  frame.panel = -1;
  return 0;
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

void Calib::ShowStatus(const QString& text) {
  tk.SetCtrlVal(frame.panel, "DispStatus", text);
}

void Calib::InitRS232(std::uint16_t com) {
  live.poll = 0;
  if (branding::OpenPortLine(tk, frame.panel, lnk, com)) CheckComLine();
}

void Calib::CheckComLine() {
  // This program reads no parameter set: the version is the whole check.
  if (lnk.RequestVersion(block)) {
    ShowStatus(lnk.VersionText());
    return;
  }
  ShowStatus("TIMEOUT");
  tk.MessagePopup("INFO", texts::InfoTimeout);
}

void Calib::ReportFailure() {
  ShowStatus("TIMEOUT");
  // The measurement reports its own end ("CALIBRATION FAILED!").
  if (!cal.measuring) tk.MessagePopup(lnk.VersionText(), texts::InfoTimeoutVer);
}

void Calib::ReportLinkLost(const QString& reason) {
  branding::ShowPortLost(tk, frame.panel, lnk.st.com, reason);
}

int CBF_P(int, int event, void* callbackData, int, int) {
  if (event == ui::EVENT_CLOSE) {
    Calib& c = CalibOf(callbackData);
    c.frame.closing = true;
    c.live.poll = 0;
    c.tk.QuitUserInterface(0);
  }
  return 0;
}

int CBF_EditConnect(int panel, int, int event, void* callbackData, int, int) {
  if (event != ui::EVENT_COMMIT) return 0;
  Calib& c = CalibOf(callbackData);
  c.live.poll = 0;
  c.lnk.Close();
  c.lnk.st.com = static_cast<std::uint16_t>(c.tk.GetCtrlInt(panel, "EditConnect"));
  c.ShowStatus("Init COM-Port ...");
  // The sensor may still be storing what the last operation sent; its
  // version request waits like every other frame.
  c.lnk.SettleWait();
  c.InitRS232(c.lnk.st.com);
  return 0;
}

}  // namespace tavix::calib
