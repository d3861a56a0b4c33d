// Teach table, tolerance circles, zoom and automatic tolerance adjustment of
// the scope against the simulator; timers fired inside a polling loop end it.
#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using Row = std::array<int, 5>;
constexpr int kX = 3, kY = 4, kINT = 5, kVNo = 6;  // record words

class ScopeTeach : public ScopeHarness {
 protected:
  Row RowOf(int row) const {
    Row words{};
    for (int c = 0; c < 5; ++c) words[c] = Cell(c + 1, row + 1);
    return words;
  }
  void SetTarget(double s20, double s60, double s80, double noise = 0.0) {
    sensor->WithModel([=](sim::SensorModel& m) { m.target = {"test", s20, s60, s80, noise}; });
  }
  // The record on screen at (x, y): one of the last few the simulator sent
  // (in a polling loop's round of events the newest may be in but not yet
  // shown, its guard running on). None when the screen shows an older one.
  Record ShownRecord(int x, int y) const {
    const std::vector<Record> sent = sensor->SentRecords();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, sent.size()); ++back) {
      const Record& r = sent[sent.size() - back];
      if (r[kX] == x && r[kY] == y) return r;
    }
    return Record{};
  }
  bool ZoomInFront() const { return toolkit->IsInFront(Panel(), "GraphData2", "GraphData1"); }
};

// Go during the zoom ends it and starts the live cycle, wherever the zoom
// was started from; Stop then ends everything. Then the whole road: teach
// four nearby colours from the live cycle, adjust the radii (which starts the
// zoom; a right click ends it), send the table, zoom onto a target inside the
// first circle, then onto one far from every circle.
TEST_F(ScopeTeach, GoDuringTheZoomGoesLiveAndTheZoomShowsTaughtCirclesAndTheLivePoint) {
  ASSERT_EQ(StartProgram(), 0);
  SetTarget(4.0, 4.0, 4.0, 60.0);  // every frame differs
  for (const bool fromLive : {false, true}) {
    SCOPED_TRACE(fromLive ? "zoom from the live cycle" : "zoom from idle");
    std::vector<double> zoom;
    bool zoomStill = false, liveShown = false;
    if (fromLive) After(50, [&] { Click("ButtonZoom"); });
    After(150, [&] {
      zoom = Cursor("GraphData2");
      Click("ButtonGo");  // returns once Stop has ended the cycle
    });
    After(350, [&] {
      zoomStill = Cursor("GraphData2") == zoom;
      liveShown = scope->live.cycleRunning && ShownRecord(Int("DispX"), Int("DispY")) != Record{};
      Click("ButtonStop");
    });
    Click(fromLive ? "ButtonGo" : "ButtonZoom");
    EXPECT_TRUE(zoomStill && liveShown);
    EXPECT_TRUE(scope->flags.poll == 0 && !scope->live.cycleRunning);
  }
  EXPECT_TRUE(Boxes().empty());

  Click("ButtonResetTable");
  toolkit->SetCtrlVal(Panel(), "EditNo", 0);
  toolkit->SetCtrlVal(Panel(), "RadioInc", 1);
  const double colours[3][3] = {{4.4, 3.9, 3.7}, {3.7, 4.4, 3.9}, {3.8, 3.7, 4.5}};
  SetTarget(4.0, 4.0, 4.0);
  for (int i = 0; i < 4; ++i) {
    After(60 * (i + 1), [&, i] {
      Click("ButtonTeachDataTo");
      i < 3 ? SetTarget(colours[i][0], colours[i][1], colours[i][2]) : Click("ButtonStop");
    });
  }
  Click("ButtonGo");

  Choose("EditOutmode", 1);
  Type("EditMaxcolNo", 4);
  std::vector<Row> before;
  for (int r = 0; r < 5; ++r) before.push_back(RowOf(r));
  bool zoomRunning = false;
  int circles = 0;
  After(60, [&] {  // AutoAdjust started the zoom; a right click ends it
    zoomRunning = ZoomInFront() && scope->flags.poll == 1;
    circles = toolkit->PlotCount(Panel(), "GraphData2");
    Click("GraphData2", Qt::RightButton);
  });
  Click("ButtonAutoAdjust");
  EXPECT_TRUE(zoomRunning && !ZoomInFront());
  EXPECT_EQ(circles, 1 + 93);  // the boundary and three outlines for each of the 31 rows
  // New radii for the four active rows (that growth changes no other cell is
  // the Growth suite's, that the panel carries the table unchanged the frame
  // suite's Get and Send).
  for (int r = 0; r < 5; ++r) EXPECT_EQ(RowOf(r)[2] != before[r][2], r < 4) << r;

  Click("ButtonSend");      // the sensor matches against the new table
  scope->lnk.SettleWait();  // so that the timers below count from the zoom's first frame
  SetTarget(4.0, 4.0, 4.0, 10.0);
  std::uint32_t inside = 0;
  After(150, [&] {
    inside = toolkit->CursorColor(Panel(), "GraphData2", 1);
    Screenshot(W("GraphData2"), "zoom.png");
    SetTarget(6.0, 1.5, 1.0, 60.0);  // red, far from every circle; every record differs
  });
  // Teach-in during the zoom takes the record shown and brings the XY graph
  // forward; the zoom polls on until a left click on its graph.
  Record taught{};
  bool frontBefore = false, frontAfter = true, polledOn = false;
  std::uint64_t framesAtTeach = 0;
  After(250, [&] {
    frontBefore = ZoomInFront();
    const std::vector<double> xy = Cursor("GraphData2");
    taught = ShownRecord(static_cast<int>(xy[0]), static_cast<int>(xy[1]));
    Click("ButtonTeachDataTo");
    framesAtTeach = sensor->GetCounters().frames;
    frontAfter = ZoomInFront();
  });
  After(400, [&] {
    polledOn = sensor->GetCounters().frames > framesAtTeach + 3;
    QTest::mouseClick(W("GraphData2"), Qt::LeftButton);
  });
  Click("ButtonZoom");
  EXPECT_TRUE(frontBefore && !frontAfter && polledOn);
  EXPECT_EQ(RowOf(4), (Row{taught[kX], taught[kY], 150, taught[kINT], 150}));
  EXPECT_EQ(Int("EditNo"), 5);
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_EQ(inside, kGreen);
  EXPECT_EQ(toolkit->CursorColor(Panel(), "GraphData2", 1), kRed);
  const Record last = sensor->SentRecords().back();
  EXPECT_EQ(last[kVNo], 255);
  // The view grew to take in the point far outside the circles.
  const std::vector<double> xy = Cursor("GraphData2");
  EXPECT_EQ(xy, std::vector<double>({double(last[kX]), double(last[kY])}));
  std::vector<double> a(4);
  toolkit->AxisRange(Panel(), "GraphData2", ui::Axis::kX, &a[0], &a[1]);
  toolkit->AxisRange(Panel(), "GraphData2", ui::Axis::kLeftY, &a[2], &a[3]);
  EXPECT_TRUE(a[0] < xy[0] && xy[0] < a[1] && a[2] < xy[1] && xy[1] < a[3]);
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace tavix::e2e
