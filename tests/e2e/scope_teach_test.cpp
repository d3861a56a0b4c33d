// Teach table, tolerance circles, zoom and automatic tolerance adjustment of
// the scope, against the simulator. Callbacks that poll run until a timer,
// fired from inside their event processing, ends them.
#include <algorithm>
#include <functional>

#include <QDir>
#include <QPixmap>
#include <QRectF>
#include <QTimer>

#include "scope/help_texts.h"
#include "tests/e2e/scope_harness.h"
#include "ui/graphs.h"

namespace tavix::e2e {
namespace {

using Record = std::array<std::uint16_t, sim::kRecordWords>;
constexpr int kX = 3, kY = 4, kINT = 5, kVNo = 6;  // record words

class ScopeTeach : public ScopeHarness {
 protected:
  void SetUp() override {
    ScopeHarness::SetUp();
    ASSERT_EQ(StartProgram(), 0);
    context = std::make_unique<QObject>();
    // A broken test must fail, not hang inside a polling callback.
    guard = new QTimer(context.get());
    guard->setSingleShot(true);
    QObject::connect(guard, &QTimer::timeout, [this] {
      ADD_FAILURE() << "polling loop was still running after 8 s";
      scope->flags.poll = 0;
    });
    guard->start(8000);
  }
  void TearDown() override {
    context.reset();  // pending steps die with it
    ScopeHarness::TearDown();
  }

  // Runs `step` `ms` milliseconds from now, from inside whatever loop runs then.
  void After(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, context.get(), std::move(step));
  }

  void SetRow(int row, std::array<int, 5> words) {
    for (int c = 0; c < 5; ++c)
      toolkit->SetTableCellVal(Panel(), "TeachTable", c + 1, row + 1, words[c]);
  }
  std::array<int, 5> RowOf(int row) const {
    std::array<int, 5> words{};
    for (int c = 0; c < 5; ++c) words[c] = Cell(c + 1, row + 1);
    return words;
  }
  void SetTarget(double s20, double s60, double s80, double noise = 0.0) {
    sensor->WithModel([=](sim::SensorModel& m) {
      m.target.sens20 = s20;
      m.target.sens60 = s60;
      m.target.sens80 = s80;
      m.target.noise = noise;
    });
  }
  Record LastRecord() const { return sensor->SentRecords().back(); }
  bool ZoomInFront() const { return toolkit->IsInFront(Panel(), "GraphData2", "GraphData1"); }
  void Axes(const char* graph, double* xmin, double* xmax, double* ymin, double* ymax) const {
    toolkit->AxisRange(Panel(), graph, ui::Axis::kX, xmin, xmax);
    toolkit->AxisRange(Panel(), graph, ui::Axis::kLeftY, ymin, ymax);
  }
  ui::XYGraph* Graph(const char* name) const { return qobject_cast<ui::XYGraph*>(W(name)); }
  // Frames the simulator takes within `ms` milliseconds from now.
  std::uint64_t FramesWithin(int ms) const {
    const std::uint64_t before = sensor->GetCounters().frames;
    QThread::msleep(static_cast<unsigned long>(ms));
    return sensor->GetCounters().frames - before;
  }

  std::unique_ptr<QObject> context;
  QTimer* guard = nullptr;
};

TEST_F(ScopeTeach, TeachInDuringTheZoomTakesItsLastFrameAndTheZoomKeepsPolling) {
  SetTarget(4.0, 4.0, 4.0, 60.0);  // every frame differs
  Choose("Evalmode", 0);
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
  EXPECT_EQ(RowOf(3), (std::array<int, 5>{taught[kX], taught[kY], 150, taught[kINT], 150}));
  // The frames differed, so the row shows one particular frame.
  const auto records = sensor->SentRecords();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [&](const Record& r) { return r[kX] != taught[kX]; }));
  EXPECT_EQ(Int("EditNo"), 4);
  EXPECT_FALSE(ZoomInFront());
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeTeach, ChannelModeTeachInResetsTheTableOnThePanel) {
  SetTarget(4.0, 3.0, 2.0);  // 20DEG 2000
  Choose("Evalmode", 3);
  toolkit->SetCtrlVal(Panel(), "EditNo", 5);
  SetRow(7, {11, 12, 13, 14, 15});
  After(60, [&] {
    Click("ButtonTeachDataTo");
    Click("ButtonStop");
  });
  Click("ButtonGo");

  EXPECT_EQ(RowOf(0), (std::array<int, 5>{2150, 1850, 1, 1, 1}));
  for (int r = 1; r < 31; ++r) EXPECT_EQ(RowOf(r), (std::array<int, 5>{1, 1, 1, 1, 1})) << r;
  EXPECT_EQ(Int("EditNo"), 0);
}

TEST_F(ScopeTeach, ResetSetsEveryCellToOneAndShowsTheXYGraph) {
  SetRow(30, {4000, 3000, 200, 1000, 50});
  toolkit->BringToFront(Panel(), "GraphData2");
  Click("ButtonResetTable");
  for (int r = 0; r < 31; ++r) EXPECT_EQ(RowOf(r), (std::array<int, 5>{1, 1, 1, 1, 1})) << r;
  EXPECT_FALSE(ZoomInFront());
}

TEST_F(ScopeTeach, RightClickOnTheZoomGraphStopsPollingAndShowsTheXYGraph) {
  std::uint64_t framesAtClick = 0;
  After(300, [&] {
    RightClick("GraphData2");
    framesAtClick = sensor->GetCounters().frames;
  });
  Click("ButtonZoom");

  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_GT(framesAtClick, 3u);
  EXPECT_EQ(sensor->GetCounters().frames, framesAtClick);
  EXPECT_EQ(FramesWithin(100), 0u);
  EXPECT_FALSE(ZoomInFront());
  EXPECT_TRUE(Popups().empty());  // no help text on the zoom graph
}

TEST_F(ScopeTeach, ZoomScalesAroundBoxAndPointAndLeftClickStopsIt) {
  Click("ButtonResetTable");
  SetRow(0, {2000, 1500, 150, 2000, 150});
  SetTarget(4.0, 4.0, 4.0);  // X = Y = 1365; the sensor's own table matches row 0
  const double dispX = toolkit->GetCtrlDouble(Panel(), "DispX");
  std::uint32_t colourMatching = 0;
  After(80, [&] {
    colourMatching = toolkit->CursorColor(Panel(), "GraphData2", 1);
    SetTarget(1.0, 1.5, 6.0);  // blue: no taught row
  });
  After(200, [&] { QTest::mouseClick(W("GraphData2"), Qt::LeftButton); });
  Click("ButtonZoom");

  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_TRUE(ZoomInFront());
  EXPECT_TRUE(Popups().empty());
  EXPECT_EQ(colourMatching, ui::kGreen);
  const Record last = LastRecord();
  ASSERT_EQ(last[kVNo], 255);
  EXPECT_EQ(toolkit->CursorColor(Panel(), "GraphData2", 1), ui::kRed);
  double cx = 0, cy = 0;
  toolkit->GetGraphCursor(Panel(), "GraphData2", 1, &cx, &cy);
  EXPECT_EQ(cx, last[kX]);
  EXPECT_EQ(cy, last[kY]);
  // Blue: X = 481, Y = 722, below and left of the box 1850..2150 x 1350..1650:
  // spanX 1669, cX 1315, spanY 928, cY 1186, S 1669.
  ASSERT_EQ(last[kX], 481);
  ASSERT_EQ(last[kY], 722);
  double xmin, xmax, ymin, ymax;
  Axes("GraphData2", &xmin, &xmax, &ymin, &ymax);
  EXPECT_EQ(xmin, 456);
  EXPECT_EQ(xmax, 2174);
  EXPECT_EQ(ymin, 327);
  EXPECT_EQ(ymax, 2045);
  EXPECT_EQ(Graph("GraphData2")->PlotCount(), 1 + 93);
  // The zoom leaves the main panel's displays and history alone.
  EXPECT_EQ(toolkit->GetCtrlDouble(Panel(), "DispX"), dispX);
  for (double v : scope->live.alldata) ASSERT_EQ(v, 0.0);
}

TEST_F(ScopeTeach, TimeOutDuringTheZoomEndsItWithOneBoxAndKeepsTheLastScaling) {
  Click("ButtonResetTable");
  SetRow(0, {2000, 1500, 150, 2000, 150});
  SetTarget(4.0, 4.0, 4.0);
  After(100, [&] { sensor->InjectFault(sim::Fault::kSilence); });
  Click("ButtonZoom");

  EXPECT_EQ(scope->flags.poll, 0);
  const auto boxes = Popups();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, scope->lnk.VersionText());
  EXPECT_EQ(boxes[0].text, scope::texts::InfoTimeoutVer);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  // Live point (1365, 1365) left of the box: spanX 785, cX 1757; spanY 300, cY 1500.
  double xmin, xmax, ymin, ymax;
  Axes("GraphData2", &xmin, &xmax, &ymin, &ymax);
  EXPECT_EQ(xmin, 1340);
  EXPECT_EQ(xmax, 2174);
  EXPECT_EQ(ymin, 1083);
  EXPECT_EQ(ymax, 1917);
  EXPECT_TRUE(ZoomInFront());
}

TEST_F(ScopeTeach, GoDuringTheZoomRunsTheLiveCycleUntilStopEndsBoth) {
  SetTarget(4.0, 4.0, 4.0, 30.0);
  bool liveRan = false;
  After(80, [&] { Click("ButtonGo"); });
  After(200, [&] {
    liveRan = scope->live.cycleRunning && scope->live.alldata[699 - 6] != 0.0;
    Click("ButtonStop");
  });
  Click("ButtonZoom");

  EXPECT_TRUE(liveRan);
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(scope->live.cycleRunning);
  EXPECT_EQ(Int("DispX"), LastRecord()[kX]);
  EXPECT_EQ(FramesWithin(100), 0u);
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeTeach, ZoomStartedFromTheLiveCycleEndsItWhenTheZoomEnds) {
  bool zoomRan = false;
  After(80, [&] { Click("ButtonZoom"); });
  After(200, [&] {
    zoomRan = ZoomInFront() && scope->flags.poll == 1;
    QTest::mouseClick(W("GraphData2"), Qt::LeftButton);
  });
  Click("ButtonGo");

  EXPECT_TRUE(zoomRan);
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(scope->live.cycleRunning);
  EXPECT_EQ(FramesWithin(100), 0u);
}

TEST_F(ScopeTeach, ApplyFromAllDrawsEveryCircleOverTheBoundaryAndEndsTheLiveCycle) {
  Click("ButtonResetTable");
  SetRow(0, {100, 2000, 150, 2000, 150});
  SetRow(15, {3000, 20, 30, 1, 1});
  toolkit->BringToFront(Panel(), "GraphData2");
  toolkit->SetAxisRange(Panel(), "GraphData1", ui::Axis::kX, 500, 3000);
  After(80, [&] { Click("ButtonApplyFromAll"); });
  Click("ButtonGo");  // ended by ApplyFromAll

  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(ZoomInFront());
  double xmin, xmax, ymin, ymax;
  Axes("GraphData1", &xmin, &xmax, &ymin, &ymax);
  EXPECT_EQ(xmin, 500);
  EXPECT_EQ(xmax, 3000);

  ui::XYGraph* graph = Graph("GraphData1");
  ASSERT_NE(graph, nullptr);
  const std::vector<int> plots = graph->PlotHandles();
  ASSERT_EQ(plots.size(), 1u + 31 * 3);
  EXPECT_EQ(graph->PlotPoints(plots[0]), (QList<QPointF>{{0, 4095}, {4095, 0}}));
  EXPECT_EQ(graph->PlotColor(plots[0]), QColor(0xA0, 0xA0, 0xA0));
  auto bounds = [&](int arc) {
    return QPolygonF(graph->PlotPoints(plots[1 + arc])).boundingRect();
  };
  auto near = [](const QRectF& r, double x1, double y1, double x2, double y2) {
    const double e = 1e-6;
    return std::abs(r.left() - x1) < e && std::abs(r.top() - y1) < e &&
           std::abs(r.right() - x2) < e && std::abs(r.bottom() - y2) < e;
  };
  EXPECT_TRUE(near(bounds(0), -50, 1850, 250, 2150));
  EXPECT_TRUE(near(bounds(1), -49.975, 1850.025, 250.025, 2150.025));
  EXPECT_TRUE(near(bounds(2), -49.95, 1850.05, 250.005, 2150.005));
  EXPECT_TRUE(near(bounds(45), 2970, -10, 3030, 50));
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(graph->PlotColor(plots[1 + k]), QColor(0xFF, 0, 0));
    EXPECT_EQ(graph->PlotColor(plots[1 + 45 + k]), QColor(0xFF, 0, 0));       // row 15
    EXPECT_EQ(graph->PlotColor(plots[1 + 3 + k]), QColor(0x80, 0xFF, 0x00));  // row 1
  }
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
    circles = Graph("GraphData2")->PlotCount();
    scope->flags.poll = 0;
  });
  Click("ButtonAutoAdjust");

  EXPECT_TRUE(zoomRunning);
  EXPECT_EQ(circles, 1 + 93);
  EXPECT_EQ(RowOf(0), (std::array<int, 5>{1000, 1000, 5, 2000, 100}));
  EXPECT_EQ(RowOf(1), (std::array<int, 5>{1010, 1000, 5, 2200, 100}));
  EXPECT_EQ(RowOf(2), (std::array<int, 5>{1005, 1000, 77, 2000, 100}));
  EXPECT_EQ(RowOf(3), (std::array<int, 5>{1, 1, 1, 1, 1}));
  EXPECT_EQ(scope->vars.ctt[0][2], 5);
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeTeach, TeachButtonsShowTheirHelpOnARightClick) {
  struct Case {
    const char* control;
    const char* text;
  };
  for (const Case& c : {Case{"ButtonTeachDataTo", scope::texts::InfoButtonTeachDataTo},
                        Case{"ButtonResetTable", scope::texts::InfoButtonResetTable},
                        Case{"ButtonApplyFromAll", scope::texts::InfoButtonApplyFromAll},
                        Case{"ButtonZoom", scope::texts::InfoButtonZoom},
                        Case{"ButtonAutoAdjust", scope::texts::InfoButtonAutoAdjust}}) {
    toolkit->Popups().ClearShown();
    RightClick(c.control);
    ASSERT_EQ(Popups().size(), 1u) << c.control;
    EXPECT_EQ(Popups()[0].title, "INFO!");
    EXPECT_EQ(Popups()[0].text, c.text) << c.control;
  }
  EXPECT_TRUE(W("ButtonAutoAdjust")->accessibleDescription().startsWith(" Starts an automatic"));
  EXPECT_EQ(sensor->GetCounters().perOrder[5], 0u);  // no help click polled
  EXPECT_EQ(Cell(3, 1), 150);                        // nor adjusted anything
}

// The whole road: teach four nearby colours from the live cycle, adjust the
// radii, send the table, and zoom onto a target inside the first circle.
TEST_F(ScopeTeach, ZoomRightAfterASendWaitsOutTheSettleDelay) {
  sensor->ClearLog();
  Click("ButtonSend");
  After(50, [&] { scope->flags.poll = 0; });
  Click("ButtonZoom");
  std::vector<double> dataTimes;
  double sendTime = -1;
  for (const sim::LogEntry& e : sensor->FrameLog()) {
    if (!e.received || e.bytes.size() != 36) continue;
    if (sendTime < 0) sendTime = e.time;
    if (e.bytes[3] == 5) dataTimes.push_back(e.time);
  }
  ASSERT_FALSE(dataTimes.empty());
  EXPECT_GE(dataTimes.front() - sendTime, 0.99);
  // The harness checks that the simulator counted no early frame.
}

TEST_F(ScopeTeach, ZoomShowsTaughtCirclesAndTheLiveCursor) {
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
  for (int r = 0; r < 4; ++r) {
    EXPECT_GT(Cell(3, r + 1), 40) << r;
    EXPECT_LT(Cell(3, r + 1), 200) << r;
  }

  Click("ButtonSend");      // the sensor matches against the new table
  scope->lnk.SettleWait();  // so that the timers below count from the zoom's first frame
  SetTarget(4.0, 4.0, 4.0, 10.0);
  std::uint32_t inside = 0, outside = 0;
  After(150, [&] {
    inside = toolkit->CursorColor(Panel(), "GraphData2", 1);
    if (const QByteArray dir = qgetenv("TAVIX_SCREENSHOT_DIR"); !dir.isEmpty()) {
      EXPECT_TRUE(
          W("GraphData2")->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("zoom.png")));
    }
    SetTarget(6.0, 1.5, 1.0);  // red: far from every circle
  });
  After(250, [&] {
    outside = toolkit->CursorColor(Panel(), "GraphData2", 1);
    scope->flags.poll = 0;
  });
  Click("ButtonZoom");
  EXPECT_EQ(inside, ui::kGreen);
  EXPECT_EQ(outside, ui::kRed);
  EXPECT_TRUE(Popups().empty());
}

}  // namespace
}  // namespace tavix::e2e
