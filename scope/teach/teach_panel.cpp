// The teach table on the main panel: teach-in, reset, the tolerance circles
// on the X/Y graph and on the zoom graph, the zoom loop, and the automatic
// adjustment of the circle tolerances.
#include <algorithm>

#include "logic/growth.h"
#include "logic/teach_in.h"
#include "logic/zoom_scale.h"
#include "scope/callbacks.h"

namespace tavix::scope {

namespace {

constexpr const char* kTable = "TeachTable";
constexpr const char* kXYGraph = "GraphData1";
constexpr const char* kZoomGraph = "GraphData2";
constexpr int kFullArc = 3600;  // tenths of a degree
constexpr int kCursor = 1;

// Every row's tolerance circle, from ctt as the last panel reading left it.
void DrawCircles(Scope& s, const char* graph) {
  for (const logic::CircleArc& a : logic::CircleArcs(s.vars.ctt)) {
    s.tk.PlotArc(s.frame.panel, graph, a.x1, a.y1, a.x2, a.y2, 0, kFullArc, a.rgb);
  }
}

// One good zoom frame: scale both axes around the box and the live point,
// colour the cursor by the reported row and move it there.
void ShowZoomFrame(Scope& s) {
  const int panel = s.frame.panel;
  const logic::ZoomView v = logic::RescaleZoom(s.teach.box, s.data.dataX, s.data.dataY);
  s.tk.SetAxisRange(panel, kZoomGraph, ui::Axis::kX, v.xmin, v.xmax);
  s.tk.SetAxisRange(panel, kZoomGraph, ui::Axis::kLeftY, v.ymin, v.ymax);
  s.tk.SetCursorColor(panel, kZoomGraph, kCursor, logic::ZoomCursorColour(s.data.dataCOL));
  s.tk.SetGraphCursor(panel, kZoomGraph, kCursor, s.data.dataX, s.data.dataY);
}

}  // namespace

void Scope::TeachDataTo() {
  const int panel = frame.panel;
  const auto n = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "EditNo"));
  vars.evalmode = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "Evalmode"));
  const logic::TeachInPlan plan =
      logic::PlanTeachIn(vars.evalmode, n, tk.GetCtrlInt(panel, "RadioInc"), data);
  if (plan.resetFirst) ResetTable();
  for (int i = 0; i < plan.writeCount; ++i) {
    const logic::CellWrite& w = plan.writes[static_cast<std::size_t>(i)];
    tk.SetTableCellVal(panel, kTable, w.col + 1, w.row + 1, w.value);
  }
  tk.SetCtrlVal(panel, "EditNo", plan.no);
}

void Scope::ResetTable() {
  for (int row = 1; row <= protocol::kTeachRows; ++row) {
    for (int col = 1; col <= protocol::kTeachCols; ++col) {
      tk.SetTableCellVal(frame.panel, kTable, col, row, 1);
    }
  }
}

void Scope::ApplyFromAll() {
  flags.poll = 0;
  GetPanelValues();
  tk.DeleteGraphPlot(frame.panel, kXYGraph, -1);
  PlotBoundary(kXYGraph);
  DrawCircles(*this, kXYGraph);
}

void Scope::ShowGraphData2() {
  flags.poll = 0;
  GetPanelValues();
  tk.DeleteGraphPlot(frame.panel, kZoomGraph, -1);
  PlotBoundary(kZoomGraph);
  teach.box = logic::ViewBox(vars.ctt);
  DrawCircles(*this, kZoomGraph);

  // A sensor still storing a parameter set must not be asked for data: the
  // zoom, like Go, starts once the settle delay of that transfer has passed.
  lnk.SettleWait();
  // Go during the zoom starts the live cycle, whether the zoom began from
  // idle or inside a running cycle: the zoom, not that cycle, polls now.
  const bool outer = live.cycleRunning;
  live.cycleRunning = false;
  PollRecords(flags.poll, [this] { ShowZoomFrame(*this); });
  live.cycleRunning = outer;
}

void Scope::AutoAdjust() {
  const int panel = frame.panel;
  // Every active row starts from radius 1.
  const int active = std::min<int>(vars.maxcolno, protocol::kTeachRows);
  for (int row = 1; row <= active; ++row) tk.SetTableCellVal(panel, kTable, 3, row, 1);
  tk.SetAxisRange(panel, kZoomGraph, ui::Axis::kX, 0.0, 4095.0);
  tk.SetAxisRange(panel, kZoomGraph, ui::Axis::kLeftY, 0.0, 4095.0);
  tk.BringToFront(panel, kZoomGraph);
  GetPanelValues();
  logic::GrowTolerances(vars.ctt, vars.maxcolno);
  SetPanelValues();
  ShowGraphData2();
}

void CBF_ButtonTeachDataTo(Scope& s, int panel) {
  s.tk.SendBehind(panel, kZoomGraph);
  s.TeachDataTo();
}

void CBF_ButtonResetTable(Scope& s, int panel) {
  s.tk.SendBehind(panel, kZoomGraph);
  s.ResetTable();
}

void CBF_ButtonApplyFromAll(Scope& s, int panel) {
  s.tk.SendBehind(panel, kZoomGraph);
  s.tk.BringToFront(panel, kXYGraph);
  s.ApplyFromAll();
}

void CBF_ButtonZoom(Scope& s, int panel) {
  s.tk.BringToFront(panel, kZoomGraph);
  s.ShowGraphData2();
}

int CBF_GraphData2(int panel, int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event == ui::EVENT_LEFT_CLICK) {
    s.flags.poll = 0;  // the zoom stops; its graph stays in front
  } else if (event == ui::EVENT_RIGHT_CLICK) {
    s.flags.poll = 0;
    s.tk.SendBehind(panel, kZoomGraph);
  }
  return 0;
}

void CBF_AutoAdjust(Scope& s) {
  s.AutoAdjust();
}

}  // namespace tavix::scope
