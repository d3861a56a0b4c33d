// Opening the serial port, the line check and the failure reports.
#include "branding/port_line.h"
#include "scope/callbacks.h"
#include "scope/help_texts.h"

namespace tavix::scope {

void Scope::ShowStatus(const QString& text) {
  tk.SetCtrlVal(frame.panel, "DispStatus", text);
}

void Scope::InitRS232(std::uint16_t com) {
  flags.poll = 0;
  if (branding::OpenPortLine(tk, frame.panel, lnk, com)) CheckComLine();
}

void Scope::CheckComLine() {
  if (lnk.RequestVersion(block)) {
    ShowStatus(lnk.VersionText());
    GetPara();
    return;
  }
  ShowStatus("TIMEOUT");
  tk.MessagePopup("INFO!", texts::InfoTimeout);
}

void Scope::ReportFailure() {
  ShowStatus("TIMEOUT");
  tk.MessagePopup(lnk.VersionText(), texts::InfoTimeoutVer);
}

void Scope::ReportLinkLost(const QString& reason) {
  branding::ShowPortLost(tk, frame.panel, lnk.st.com, reason);
}

int CBF_EditConnect(int panel, int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event != ui::EVENT_COMMIT) return 0;
  s.flags.poll = 0;
  s.flags.pollrecord = 0;
  s.lnk.Close();
  s.lnk.st.com = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditConnect"));
  s.ShowStatus("Init COM-Port ...");
  // The sensor may still be storing what the last operation sent; the line
  // check's version request waits like every other frame.
  s.lnk.SettleWait();
  s.InitRS232(s.lnk.st.com);
  return 0;
}

}  // namespace tavix::scope
