#include "shell/port_line.h"

namespace tavix::shell {

bool OpenPortLine(ui::Toolkit& tk, int panel, link::Link& lnk, std::uint16_t com) {
  const QString port = QStringLiteral("COM%1: ").arg(com);
  if (lnk.Open(com) < 0) {
    tk.SetCtrlVal(panel, "DispStatus", lnk.st.szStatus);
    // The documented message stays as it is; the reason goes beside it.
    tk.SetCtrlVal(panel, "DispPortInfo", port + lnk.port().OpenDetail());
    return false;
  }
  tk.SetCtrlVal(panel, "DispPortInfo", port + lnk.port().DevicePath());
  return true;
}

void ShowPortLost(ui::Toolkit& tk, int panel, std::uint16_t com, const QString& reason) {
  tk.SetCtrlVal(panel, "DispPortInfo", QStringLiteral("COM%1: %2").arg(com).arg(reason));
}

void WatchPortLine(ui::Toolkit& tk, int panel, link::Link& lnk) {
  lnk.port().WatchLoss([&tk, panel, &lnk] {
    const QString reason = lnk.port().TakeLostReason();
    if (reason.isEmpty()) return;
    tk.SetCtrlVal(panel, "DispStatus", texts::PortLost);
    ShowPortLost(tk, panel, lnk.st.com, reason);
  });
}

void UnwatchPortLine(link::Link& lnk) {
  lnk.port().WatchLoss(nullptr);
}

}  // namespace tavix::shell
