// Teach table, tolerance circles, zoom and automatic tolerance adjustment of
// the scope, against the simulator. Callbacks that poll run until a timer,
// fired from inside their event processing, ends them.
#include <algorithm>

#include <QDir>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using Row = std::array<int, 5>;
constexpr int kX = 3, kY = 4, kINT = 5, kVNo = 6;  // record words

class ScopeTeach : public ScopeHarness {
 protected:
  void SetUp() override {
    ScopeHarness::SetUp();
    ASSERT_EQ(StartProgram(), 0);
  }
  void SetRow(int row, Row words) {
    for (int c = 0; c < 5; ++c) SetCell(c + 1, row + 1, words[c]);
  }
  Row RowOf(int row) const {
    Row words{};
    for (int c = 0; c < 5; ++c) words[c] = Cell(c + 1, row + 1);
    return words;
  }
  void SetTarget(double s20, double s60, double s80, double noise = 0.0) {
    sensor->WithModel([=](sim::SensorModel& m) { m.target = {"test", s20, s60, s80, noise}; });
  }
  Record LastRecord() const { return sensor->SentRecords().back(); }
  bool ZoomInFront() const { return toolkit->IsInFront(Panel(), "GraphData2", "GraphData1"); }
  std::vector<double> Axes(const char* graph) const {
    std::vector<double> a(4);
    toolkit->AxisRange(Panel(), graph, ui::Axis::kX, &a[0], &a[1]);
    toolkit->AxisRange(Panel(), graph, ui::Axis::kLeftY, &a[2], &a[3]);
    return a;
  }
  std::uint32_t CursorColour() const { return toolkit->CursorColor(Panel(), "GraphData2", 1); }
};

TEST_F(ScopeTeach, TeachInDuringTheZoomTakesItsLastFrameAndTheZoomKeepsPolling) {
  SetTarget(4.0, 4.0, 4.0, 60.0);  // every frame differs
  toolkit->SetCtrlVal(Panel(), "EditNo", 3);
  Record taught{};
  bool inFrontBefore = false, behindAfter = false, stillPolling = false;
  std::uint64_t framesAtTeach = 0;
  After(100, [&] {
    inFrontBefore = ZoomInFront();
    Click("ButtonTeachDataTo");
    taught = LastRecord();
    framesAtTeach = sensor->GetCounters().frames;
    behindAfter = !ZoomInFront();
  });
  After(250, [&] {
    stillPolling = scope->flags.poll == 1 && sensor->GetCounters().frames > framesAtTeach + 3;
    scope->flags.poll = 0;
  });
  Click("ButtonZoom");

  EXPECT_TRUE(inFrontBefore);
  EXPECT_TRUE(behindAfter);
  EXPECT_TRUE(stillPolling);
  EXPECT_EQ(RowOf(3), (Row{taught[kX], taught[kY], 150, taught[kINT], 150}));
  const auto records = sensor->SentRecords();  // they differed: the row shows one of them
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [&](const Record& r) { return r[kX] != taught[kX]; }));
  EXPECT_EQ(Int("EditNo"), 4);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScopeTeach, RightClickOnTheZoomGraphStopsPollingAndShowsTheXYGraph) {
  std::uint64_t framesAtClick = 0;
  After(300, [&] {
    Click("GraphData2", Qt::RightButton);
    framesAtClick = sensor->GetCounters().frames;
  });
  Click("ButtonZoom");
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_GT(framesAtClick, 3u);
  QThread::msleep(100);
  EXPECT_EQ(sensor->GetCounters().frames, framesAtClick);
  EXPECT_FALSE(ZoomInFront());
  EXPECT_TRUE(Boxes().empty());  // no help text on the zoom graph
}

// Go during the zoom ends it and starts the live cycle, wherever the zoom
// was started from; Stop then ends everything.
TEST_F(ScopeTeach, GoDuringTheZoomStartsTheLiveCycleWhereverTheZoomBegan) {
  SetTarget(4.0, 4.0, 4.0, 60.0);  // every frame differs
  for (const bool fromLive : {false, true}) {
    SCOPED_TRACE(fromLive ? "zoom from the live cycle" : "zoom from idle");
    double zoomX = 0, zoomY = 0;
    bool zoomStill = false, liveShown = false;
    if (fromLive) After(50, [&] { Click("ButtonZoom"); });
    After(150, [&] {
      toolkit->GetGraphCursor(Panel(), "GraphData2", 1, &zoomX, &zoomY);
      Click("ButtonGo");  // returns once Stop has ended the cycle
    });
    After(350, [&] {
      double x = 0, y = 0;
      toolkit->GetGraphCursor(Panel(), "GraphData2", 1, &x, &y);
      zoomStill = x == zoomX && y == zoomY;
      liveShown = scope->live.cycleRunning && Int("DispX") == LastRecord()[kX] &&
                  Int("DispY") == LastRecord()[kY];
      Click("ButtonStop");
    });
    Click(fromLive ? "ButtonGo" : "ButtonZoom");
    EXPECT_TRUE(zoomStill);
    EXPECT_TRUE(liveShown);
    EXPECT_EQ(scope->flags.poll, 0);
    EXPECT_FALSE(scope->live.cycleRunning);
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScopeTeach, AutoAdjustWritesTheRadiiAndStartsTheZoom) {
  Click("ButtonResetTable");
  Choose("EditOutmode", 1);
  Type("EditMaxcolNo", 2);
  SetRow(0, {1000, 1000, 150, 2000, 100});  // an old radius: replaced
  SetRow(1, {1010, 1000, 1, 2200, 100});    // windows touch at 2100
  SetRow(2, {1005, 1000, 77, 2000, 100});   // inactive: kept, no obstacle
  bool zoomRunning = false;
  int circles = 0;
  After(100, [&] {
    zoomRunning = ZoomInFront() && scope->flags.poll == 1;
    circles = toolkit->PlotCount(Panel(), "GraphData2");
    scope->flags.poll = 0;
  });
  Click("ButtonAutoAdjust");

  EXPECT_TRUE(zoomRunning);
  EXPECT_EQ(circles, 1 + 93);
  EXPECT_EQ(RowOf(0), (Row{1000, 1000, 5, 2000, 100}));
  EXPECT_EQ(RowOf(1), (Row{1010, 1000, 5, 2200, 100}));
  EXPECT_EQ(RowOf(2), (Row{1005, 1000, 77, 2000, 100}));
  EXPECT_EQ(RowOf(3), (Row{1, 1, 1, 1, 1}));
  EXPECT_TRUE(Boxes().empty());
}

// The whole road: teach four nearby colours from the live cycle, adjust the
// radii, send the table, and zoom onto a target inside the first circle,
// then onto one far from every circle, then stop the zoom with a left click.
TEST_F(ScopeTeach, ZoomShowsTaughtCirclesAndFollowsTheLivePoint) {
  Click("ButtonResetTable");
  toolkit->SetCtrlVal(Panel(), "EditNo", 0);
  toolkit->SetCtrlVal(Panel(), "RadioInc", 1);
  const std::array<std::array<double, 3>, 4> colours = {
      {{4.0, 4.0, 4.0}, {4.4, 3.9, 3.7}, {3.7, 4.4, 3.9}, {3.8, 3.7, 4.5}}};
  SetTarget(colours[0][0], colours[0][1], colours[0][2]);
  for (int i = 0; i < 4; ++i) {
    After(60 * (i + 1), [&, i] {
      Click("ButtonTeachDataTo");
      if (i < 3) SetTarget(colours[i + 1][0], colours[i + 1][1], colours[i + 1][2]);
      if (i == 3) Click("ButtonStop");
    });
  }
  Click("ButtonGo");
  ASSERT_EQ(Int("EditNo"), 4);

  Choose("EditOutmode", 1);
  Type("EditMaxcolNo", 4);
  After(60, [&] { scope->flags.poll = 0; });
  Click("ButtonAutoAdjust");

  Click("ButtonSend");      // the sensor matches against the new table
  scope->lnk.SettleWait();  // so that the timers below count from the zoom's first frame
  SetTarget(4.0, 4.0, 4.0, 10.0);
  std::uint32_t inside = 0;
  After(150, [&] {
    inside = CursorColour();
    if (const QByteArray dir = qgetenv("TAVIX_SCREENSHOT_DIR"); !dir.isEmpty()) {
      EXPECT_TRUE(
          W("GraphData2")->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("zoom.png")));
    }
    SetTarget(6.0, 1.5, 1.0);  // red: far from every circle
  });
  After(250, [&] { QTest::mouseClick(W("GraphData2"), Qt::LeftButton); });
  Click("ButtonZoom");
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_EQ(inside, kGreen);
  EXPECT_EQ(CursorColour(), kRed);
  const Record last = LastRecord();
  EXPECT_EQ(last[kVNo], 255);
  // The view grew to take in the point far outside the circles.
  double x = 0, y = 0;
  toolkit->GetGraphCursor(Panel(), "GraphData2", 1, &x, &y);
  EXPECT_EQ(std::vector<double>({x, y}), std::vector<double>({double(last[kX]), double(last[kY])}));
  const std::vector<double> axes = Axes("GraphData2");
  EXPECT_TRUE(axes[0] < x && x < axes[1] && axes[2] < y && y < axes[3]);
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace tavix::e2e
