#include "shell/program.h"

#include <cstdio>

#include <QCoreApplication>

#include "base/timer.h"
#include "shell/port_line.h"

namespace tavix::shell {

void SayOnStandardError(const QString& line) {
  std::fprintf(stderr, "%s: %s\n", qUtf8Printable(QCoreApplication::applicationName()),
               qUtf8Printable(line));
}

Program::Program(ui::Toolkit& toolkit, link::Port& port, const char* lineCheckTitle)
    : tk(toolkit), lnk(port, *this), lineCheckTitle_(lineCheckTitle) {}

int Program::WinMain() {
  if (StartUp() < 0) return -1;
  return RunAndShutDown();
}

int Program::StartUp() {
  tk.SetCallbacks(MakeCallbackTable());
  if (!LoadPanels()) {
    SayOnStandardError(tk.LoadFailure());
    return -1;
  }
  // A callback that binds to nothing, or a control whose callback is not in
  // the table, would leave a control dead without a word: a broken build.
  const QStringList problems = tk.BindingProblems();
  for (const QString& problem : problems) SayOnStandardError(problem);
  if (!problems.isEmpty()) return -1;
  InstallHelpTexts();
  InitVars();
  InitRS232(lnk.st.com);
  return 0;
}

int Program::RunAndShutDown() {
  const int panel = MainPanel();
  tk.DisplayPanel(panel);
  tk.RunUserInterface();
  lnk.Close();
  tk.DiscardPanel(panel);
  return 0;
}

void Program::ShowStatus(const QString& text) {
  tk.SetCtrlVal(MainPanel(), "DispStatus", text);
}

void Program::InitRS232(std::uint16_t com) {
  StopLoops();
  if (OpenPortLine(tk, MainPanel(), lnk, com)) CheckComLine();
}

void Program::CheckComLine() {
  if (lnk.RequestVersion(block)) {
    ShowStatus(lnk.VersionText());
    AfterVersion();
    return;
  }
  ShowStatus("TIMEOUT");
  tk.MessagePopup(lineCheckTitle_, texts::InfoTimeout);
}

void Program::ChangePort(int panel) {
  StopLoops();
  lnk.Close();
  lnk.st.com = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "EditConnect"));
  ShowStatus("Init COM-Port ...");
  // The sensor may still be storing what the last operation sent; the line
  // check's version request waits like every other frame.
  lnk.SettleWait();
  InitRS232(lnk.st.com);
}

void Program::EndProgram() {
  StopLoops();
  tk.QuitUserInterface(0);
}

void Program::PollRecords(std::uint16_t& flag, const std::function<void()>& show,
                          const std::function<bool()>& wantsNext) {
  // A screen shows no more than about 60 pictures a second: against a peer
  // that answers at once, the passes in between are not repainted. At the
  // line's 28 passes a second every pass is.
  constexpr double kRepaintInterval = 0.015;
  double painted = -kRepaintInterval;
  lnk.Poll(block, flag, record,
           {.onRecord =
                [this, &show] {
                  CopyData();
                  show();
                },
            .afterPass = [this] { tk.ProcessSystemEventsHoldingRepaints(); },
            // The last record's repaint runs while the next answer is on the line.
            .whileWaiting =
                [this, &painted] {
                  const double now = Timer();
                  if (now - painted < kRepaintInterval) return;
                  painted = now;
                  tk.RepaintNow();
                },
            .wantsNext = wantsNext});
  tk.RepaintNow();
}

void Program::ReportFailure() {
  ShowStatus("TIMEOUT");
  if (ShowsTimeoutBox()) tk.MessagePopup(lnk.VersionText(), texts::InfoTimeoutVer);
}

void Program::ReportLinkLost(const QString& reason) {
  ShowPortLost(tk, MainPanel(), lnk.st.com, reason);
}

}  // namespace tavix::shell
