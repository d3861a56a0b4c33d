#include "shell/program.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QPixmap>
#include <QShortcut>
#include <QWidget>

#include "base/timer.h"
#include "link/port_list.h"
#include "shell/port_line.h"

namespace tavix::shell {

void SayOnStandardError(const QString& line) {
  std::fprintf(stderr, "%s: %s\n", qUtf8Printable(QCoreApplication::applicationName()),
               qUtf8Printable(line));
}

Program::Program(ui::Toolkit& toolkit, link::Port& port, const char* name,
                 const char* lineCheckTitle)
    : tk(toolkit),
      settings(QString::fromLatin1(name)),
      portList([this] { return !LoopRuns(); }),
      loggedPort_(port, lineLog),
      lnk(loggedPort_, *this),
      lineCheckTitle_(lineCheckTitle) {
  lnk.SetLog(&lineLog);
}

Program::~Program() {
  UnwatchPortLine(lnk);
}

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
  portList.Attach(tk, MainPanel());
  InitVars();
  UseRememberedDevice();
  WatchPortLine(tk, MainPanel(), lnk);
  InitRS232(lnk.st.com);
  rememberedNote_.clear();
  return 0;
}

void Program::UseRememberedDevice() {
  rememberedNote_.clear();
  if (lnk.st.com != 1 || !qEnvironmentVariableIsEmpty("TAVIX_COM1")) return;
  const QString device = settings.LastDevice();
  if (device.isEmpty()) return;  // a first start
  if (!QFileInfo::exists(device)) {
    rememberedNote_ = QStringLiteral(" (the remembered %1 is gone)").arg(device);
    return;
  }
  // As --port does: port 1 stands for the device from now on.
  qputenv("TAVIX_COM1", device.toLocal8Bit());
  rememberedNote_ = QStringLiteral(" (remembered)");
}

int Program::RunAndShutDown() {
  const int panel = MainPanel();
  QWidget* window = tk.PanelWidget(panel);
  if (const QByteArray geometry = settings.WindowGeometry(); window && !geometry.isEmpty()) {
    window->restoreGeometry(geometry);
  }
  tk.DisplayPanel(panel);
  tk.RunUserInterface();
  if (window != nullptr) settings.SetWindowGeometry(window->saveGeometry());
  lnk.Close();
  tk.DiscardPanel(panel);
  return 0;
}

void Program::ShowStatus(const QString& text) {
  tk.SetCtrlVal(MainPanel(), "DispStatus", text);
}

void Program::InitRS232(std::uint16_t com) {
  StopLoops();
  const bool open = OpenPortLine(tk, MainPanel(), lnk, com);
  portList.ShowCurrent(com);
  if (!rememberedNote_.isEmpty() && com == 1) {
    tk.SetCtrlVal(MainPanel(), "DispPortInfo",
                  tk.GetCtrlString(MainPanel(), "DispPortInfo") + rememberedNote_);
  }
  if (open) CheckComLine();
}

void Program::CheckComLine() {
  if (lnk.RequestVersion(block)) {
    ShowStatus(lnk.VersionText());
    // Remembered by its stable name when it has one: a USB adapter keeps
    // that when it comes back under another number.
    QString device = lnk.port().DevicePath();
    for (const link::PortInfo& p : link::ListPorts()) {
      if (p.device == device && !p.stableName.isEmpty()) device = p.stableName;
    }
    settings.SetLastDevice(device);
    AfterVersion();
    return;
  }
  if (lineLog.Active()) {
    lineLog.Note(QStringLiteral("line check failed: %1 of 96 bytes").arg(lnk.st.nBytesR));
  }
  ShowStatus("TIMEOUT");
  tk.MessagePopup(lineCheckTitle_, texts::InfoTimeout);
}

void Program::ChangePort(int panel) {
  StopLoops();
  lnk.Close();
  ForgetSensor();
  lnk.st.com = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "EditConnect"));
  ShowStatus("Init COM-Port ...");
  if (lineLog.Active()) lineLog.Note(QStringLiteral("port change to COM%1").arg(lnk.st.com));
  // The sensor may still be storing what the last operation sent; the line
  // check's version request waits like every other frame.
  lnk.SettleWait();
  InitRS232(lnk.st.com);
}

void Program::ChoosePort(int panel) {
  const int com = portList.Chosen();
  if (com < 1) return;  // "no serial port found"
  tk.SetCtrlVal(panel, "EditConnect", com);
  ChangePort(panel);
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

int Program::SelectFile(const QString& dialog, const QString& programDir,
                        const QString& defaultName, const QString& filter, const QString& title,
                        const QString& buttonLabel, QString* path) {
  const QString start = DialogStartDirectory(settings.LastDirectory(dialog), programDir);
  const int chosen = tk.FileSelectPopup(start, defaultName, filter, title, buttonLabel,
                                        /*restrictDirectory=*/false, /*restrictExtension=*/true,
                                        /*allowCancel=*/true, /*allowMakeDirectory=*/true, path);
  if (chosen > 0) settings.SetLastDirectory(dialog, QFileInfo(*path).absolutePath());
  return chosen;
}

void Program::AddSaveChartShortcut(int panel) {
  QWidget* window = tk.PanelWidget(panel);
  if (window == nullptr) return;
  auto* shortcut = new QShortcut(QKeySequence::Save, window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window, [this, panel] { SaveChart(panel); });
}

void Program::SaveChart(int panel) {
  const QString name = ChartOnShow(panel);
  QWidget* chart = name.isEmpty() ? nullptr : tk.Control(panel, name);
  if (chart == nullptr) return;
  QString path;
  if (SelectFile("chart", tk.ProjectDir(), name + QStringLiteral(".png"), "*.png", "SAVE CHART",
                 "Save", &path) == 0) {
    return;
  }
  if (!chart->grab().save(path, "PNG")) {
    tk.MessagePopup("ATTENTION!", QStringLiteral(" The chart was not saved: \n %1 \n"
                                                 " The file cannot be written. ")
                                      .arg(QDir::toNativeSeparators(path)));
  }
}

void Program::ReportFailure() {
  if (lineLog.Active()) {
    lineLog.Note(QStringLiteral("failure: order %1, %2 bytes received%3")
                     .arg(lnk.st.order)
                     .arg(lnk.st.nBytesR)
                     .arg(lnk.port().IsOpen() ? QString() : QStringLiteral(", port not open")));
  }
  ShowStatus("TIMEOUT");
  if (ShowsTimeoutBox()) tk.MessagePopup(lnk.VersionText(), texts::InfoTimeoutVer);
}

void Program::ReportLinkLost(const QString& reason) {
  ShowPortLost(tk, MainPanel(), lnk.st.com, reason);
}

}  // namespace tavix::shell
