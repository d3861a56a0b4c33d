// The live data cycle: one data record after another until poll is cleared,
// each shown in the displays, the history buffers and the selected graph.
#include "logic/history.h"
#include "logic/limits.h"
#include "scope/callbacks.h"

namespace tavix::scope {

namespace {

constexpr int kPointsPerScreen = logic::kHistoryFrames + 1;

}  // namespace

void Scope::GetData() {
  // A cycle started from inside another loop's event processing (that loop
  // has no request outstanding then) restores the outer loop's mark.
  const bool outer = live.cycleRunning;
  live.cycleRunning = true;
  PollRecords(flags.poll, [this] {
    SetPanelData();
    ShowGraph();
  });
  live.cycleRunning = outer;
}

void Scope::PlotBoundary(const char* graph) {
  tk.PlotXY(frame.panel, graph, live.xramp.data(), live.yramp.data(),
            static_cast<int>(live.xramp.size()), kBoundaryGrey);
}

void Scope::SetPanelData() {
  const int panel = frame.panel;
  tk.SetCtrlVal(panel, "DispRED", data.dataR);
  tk.SetCtrlVal(panel, "DispGREEN", data.dataG);
  tk.SetCtrlVal(panel, "DispBLUE", data.dataB);
  tk.SetCtrlVal(panel, "DispR", data.dataR);
  tk.SetCtrlVal(panel, "DispG", data.dataG);
  tk.SetCtrlVal(panel, "DispB", data.dataB);
  tk.SetCtrlVal(panel, "DispX", data.dataX);
  tk.SetCtrlVal(panel, "DispY", data.dataY);
  tk.SetCtrlVal(panel, "DispINT", data.dataINT);
  tk.SetCtrlVal(panel, "DispCOL", data.dataCOL);
  const double gloss = static_cast<float>(data.dataGF) / 10.0;
  tk.SetCtrlVal(panel, "DispGF", gloss);
  tk.SetCtrlVal(panel, "DispGFBig", gloss);

  // Limit lines from the teach-table row named in "No.:", as the panel shows it.
  const int row = tk.GetCtrlInt(panel, "EditNo") + 1;
  std::array<int, 5> cells{};
  for (int col = 1; col <= 5; ++col)
    cells[col - 1] = tk.GetTableCellVal(panel, "TeachTable", col, row);
  const logic::LimitLines lines = logic::LimitLinesFromRow(live.source, cells);
  logic::PushFrame(live.alldata,
                   {double(data.dataR), double(data.dataG), double(data.dataB),
                    double(data.dataINT), double(data.dataCOL), lines.upper, lines.lower});
  logic::PushFrame(live.gfbuf, {double(data.dataGF), lines.upper, lines.lower});
}

void Scope::ShowGraph() {
  const int panel = frame.panel;
  if (live.source == protocol::Source::kXy) {
    tk.SetGraphCursor(panel, "GraphData1", 1, data.dataX, data.dataY);
  } else if (live.source == protocol::Source::kGloss) {
    double min = 0.0;
    double max = 0.0;
    logic::GlossAxisRange(live.gfbuf, live.scale == 1, &min, &max);
    tk.SetAxisRange(panel, "GraphGF", ui::Axis::kLeftY, min, max);
    tk.SetPointsPerScreen(panel, "GraphGF", kPointsPerScreen);
    tk.PlotStripChart(panel, "GraphGF", live.gfbuf.data(), logic::kGlossValues, 0, 0);
  } else {
    tk.SetPointsPerScreen(panel, "GraphRaw1", kPointsPerScreen);
    tk.PlotStripChart(panel, "GraphRaw1", live.alldata.data(), logic::kChannelValues, 0, 0);
  }
}

void CBF_ButtonGo(Scope& s, int panel) {
  // While the live cycle polls, a second Go changes nothing: one cycle talks
  // to the sensor and Stop ends it. A Go after Stop, Send or Get in the same
  // round of events (the cycle is ending) starts a new cycle, and so does a
  // Go during the zoom: the zoom polls no more and the cycle runs inside it
  // until Stop ends both.
  if (s.live.cycleRunning && s.flags.poll == 1) return;
  s.lnk.SettleWait();
  s.tk.DeleteGraphPlot(panel, "GraphData1", -1);
  s.PlotBoundary("GraphData1");
  s.GetData();
}

void CBF_ButtonStop(Scope& s) {
  s.flags.poll = 0;
}

}  // namespace tavix::scope
