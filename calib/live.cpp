// The live display: the GO loop, the displays and bars of every frame, and
// the STAT/DYN inputs of the panel.
#include "calib/callbacks.h"
#include "calib/help_texts.h"

namespace tavix::calib {

void Calib::GetData() {
  if (frame.closing) return;
  const bool outer = live.running;
  live.running = true;
  PollRecords(live.poll, [this] { SetPanelData(); });
  live.running = outer;
}

void Calib::StartGo() {
  if (frame.closing) return;
  if (live.running) {
    // Called from inside the loop's own round of events: the loop that is
    // already running goes on, rather than a second one inside it.
    live.poll = 1;
    return;
  }
  GetData();
}

void Calib::SetPanelData() {
  live.deltaraw = logic::Spread(data.dataRawR, data.dataRawG, data.dataRawB);
  live.deltacalib = logic::Spread(data.dataR, data.dataG, data.dataB);
  const int panel = frame.panel;
  tk.SetCtrlVal(panel, "DispR", data.dataR);
  tk.SetCtrlVal(panel, "DispBarR", data.dataR);
  tk.SetCtrlVal(panel, "DispG", data.dataG);
  tk.SetCtrlVal(panel, "DispBarG", data.dataG);
  tk.SetCtrlVal(panel, "DispB", data.dataB);
  tk.SetCtrlVal(panel, "DispBarB", data.dataB);
  tk.SetCtrlVal(panel, "DispRawR", data.dataRawR);
  tk.SetCtrlVal(panel, "DispBarRawR", data.dataRawR);
  tk.SetCtrlVal(panel, "DispRawG", data.dataRawG);
  tk.SetCtrlVal(panel, "DispBarRawG", data.dataRawG);
  tk.SetCtrlVal(panel, "DispRawB", data.dataRawB);
  tk.SetCtrlVal(panel, "DispBarRawB", data.dataRawB);
  tk.SetCtrlVal(panel, "DispPow", data.dataINT);
  tk.SetCtrlVal(panel, "DispDeltaRaw", live.deltaraw);
  tk.SetCtrlVal(panel, "DispDeltaCalib", live.deltacalib);
}

void Calib::SetVisible() {
  const int panel = frame.panel;
  cal.pmod = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "EditPmod"));
  const bool stat = cal.pmod == protocol::Pmod::kStat;
  tk.SetDimmed(panel, "EditPower", !stat);
  tk.SetVisible(panel, "EditSetValue", stat);
  tk.SetVisible(panel, "TextStat", stat);
  tk.SetVisible(panel, "DispPow", !stat);
  tk.SetVisible(panel, "EditMaxPow", !stat);
  tk.SetVisible(panel, "TextDyn", !stat);
}

void CBF_ButtonGo(Calib& c) {
  c.lnk.SettleWait();
  c.StartGo();
}

void CBF_ButtonStop(Calib& c) {
  c.live.poll = 0;
}

void CBF_EditPmod(Calib& c) {
  c.SetVisible();
  c.tk.MessagePopup("INFO!", texts::InfoEditPmodPower);
}

}  // namespace tavix::calib
