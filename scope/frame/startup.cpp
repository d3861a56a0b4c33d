// The scope program's steps of start-up: its panels, its defaults.
#include "branding/branding.h"
#include "scope/callbacks.h"

namespace tavix::scope {

namespace {

// Controls the program cannot work without; a layout that lacks one is refused.
QStringList MainPanelControls() {
  return {"DispStatus", "EditConnect",  "DispPortInfo", "ButtonSend",   "ButtonGet",
          "SelectRAM",  "SelectEEPROM", "SelectFILE",   "ParaVisible",  "ParaGroup",
          "TeachGroup", "SlidePower",   "EditPmod",     "EditAverage",  "Evalmode",
          "EditHold",   "EditIntlim",   "EditMaxcolNo", "EditOutmode",  "EditTrigger",
          "TeachTable", "EditNo",       "RadioInc",     "SelectSource", "ButtonGo",
          "ButtonStop", "DispR",        "DispG",        "DispB",        "DispX",
          "DispY",      "DispINT",      "DispCOL",      "LabelCOL",     "DispGF",
          "LabelGF",    "DispGFBig",    "DispRED",      "DispGREEN",    "DispBLUE",
          "GraphData1", "GraphData2",   "GraphRaw1",    "GraphGF",      "ButtonCalibGf60Deg"};
}

QStringList CalibPanelControls() {
  return {"SlideCalibPower",      "Disp60Deg",          "ButtonStartCalibRef1",
          "ButtonStartCalibRef2", "ButtonConfirmCalib", "ButtonCloseCalib"};
}

}  // namespace

Scope::Scope(ui::Toolkit& toolkit, link::Port& port)
    : shell::Program(toolkit, port, "TavixScope", "INFO!") {}

ui::CallbackTable Scope::MakeCallbackTable() {
  return scope::MakeCallbackTable(this);
}

void Scope::InstallHelpTexts() {
  scope::InstallHelpTexts(*this);
}

bool Scope::LoadPanels() {
  frame.panel = tk.LoadPanel(0, kLayoutFile, kScopePanelResource, MainPanelControls());
  if (frame.panel < 0) return false;
  frame.recpanel = tk.LoadPanel(0, kLayoutFile, kRecorderPanelResource, RecorderPanelControls());
  if (frame.recpanel < 0) return false;
  frame.calibpanel = tk.LoadPanel(0, kLayoutFile, kCalibPanelResource, CalibPanelControls());
  if (frame.calibpanel < 0) return false;
  frame.proj_dir = tk.ProjectDir();
  AddSaveChartShortcut(frame.panel);
  AddSaveChartShortcut(frame.recpanel);
  return true;
}

QString Scope::ChartOnShow(int panel) const {
  if (panel == frame.recpanel) return QStringLiteral("GraphRecord");
  if (panel != frame.panel) return QString();
  // The zoom graph shares its place with the X/Y graph; the one in front shows.
  if (tk.IsVisible(panel, "GraphData2") && tk.IsInFront(panel, "GraphData2", "GraphData1")) {
    return QStringLiteral("GraphData2");
  }
  for (const char* graph : {"GraphData1", "GraphRaw1", "GraphGF"}) {
    if (tk.IsVisible(panel, graph)) return QString::fromLatin1(graph);
  }
  return QString();
}

void Scope::StopLoops() {
  flags.poll = 0;
  flags.pollrecord = 0;
}

void Scope::CopyData() {
  protocol::CopyDatatoVars(record, data);
}

void Scope::InitVars() {
  lnk.st.com = 1;
  lnk.st.order = 1;
  frame.target = protocol::Target::RAM;
  flags.poll = 0;
  flags.pollrecord = 0;
  lnk.st.transbeg = Timer();
  lnk.st.waitdel = protocol::kSettleStart;
  for (int i = 0; i < 4096; ++i) {
    live.xramp[i] = static_cast<std::uint16_t>(i);
    live.yramp[i] = static_cast<std::uint16_t>(4095 - i);
  }

  ShowStatus("InitVars");
  tk.SendBehind(frame.panel, "GraphData2");
  tk.SetCtrlVal(frame.panel, "ParaVisible", 1);
  ParaVis();
  DispVis();
  branding::ShowLogo(tk, frame.panel, branding::kScopeBrandings, branding::kStartBranding);
  GetPanelValues();
  tk.SetActiveTableCell(frame.panel, "TeachTable", 1, 1);
  tk.SetVisible(frame.panel, "DispGFBig", false);
}

int CBF_RECP(int, int event, void* callbackData, int, int) {
  if (event == ui::EVENT_CLOSE) ScopeOf(callbackData).ChangePanelRecord();
  return 0;
}

}  // namespace tavix::scope
