// The live data cycle of the scope against the simulator: what each pass
// shows and keeps, and every way the cycle ends.
#include <qpa/qwindowsysteminterface.h>

#include <QApplication>
#include <QChartView>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "scope_harness.h"
#include "ui/strip_chart.h"
#include "ui/xy_graph.h"

namespace tavix::e2e {
namespace {

using Values = std::vector<double>;

class ScopeLive : public ScopeHarness {
 protected:
  // A target with noise, so that records differ, and gloss words that give
  // a gloss factor of 500 (50.0 %).
  void Start(bool pacing = false) {
    if (pacing) {
      sensor->Stop();
      StartSensor(/*pacing=*/true);
    }
    sensor->WithModel([](sim::SensorModel& m) {
      m.target = sim::Target{"test", 3.8, 4.0, 4.2, 40.0};
      m.ram[9] = 100;   // power of the gloss measurement
      m.ram[11] = 800;  // 60-degree reference
      m.version = "TAVIX LIVE TEST SENSOR";
    });
    ASSERT_EQ(StartProgram(), 0);
  }

  ui::StripChart* Chart(const char* name) const { return qobject_cast<ui::StripChart*>(W(name)); }
  Values Trace(const char* chart, int trace) const { return Chart(chart)->TraceValues(trace); }
  Values GlossAxis() const {
    double min = 0, max = 0;
    toolkit->AxisRange(Panel(), "GraphGF", ui::Axis::kLeftY, &min, &max);
    return {min, max};
  }
  void ClickGlossChart(bool twice) {
    QWidget* area = static_cast<QChartView*>(W("GraphGF"))->viewport();
    twice ? QTest::mouseDClick(area, Qt::LeftButton) : QTest::mouseClick(area, Qt::LeftButton);
  }
  // The newest frame of the channel history (7 values) or of the gloss
  // history (3 values), or the one `back` frames before.
  Values AllFrame(int back = 0) const {
    const double* f = scope->live.alldata.data() + 700 - 7 * (back + 1);
    return {f, f + 7};
  }
  Values GlossFrame(int back = 0) const {
    const double* f = scope->live.gfbuf.data() + 300 - 3 * (back + 1);
    return {f, f + 3};
  }
  // The frames record `r` gives with the limit lines of table row 1.
  Values FrameOf(const Record& r) const {
    return {double(r[0]), double(r[1]),       double(r[2]),      double(r[5]),
            double(r[6]), double(Cell(1, 1)), double(Cell(2, 1))};
  }
  Values GlossOf(const Record& r) const {
    return {double(r[10]), double(Cell(1, 1)), double(Cell(2, 1))};
  }
  // Bars, numerics, X, Y, INT, V-No and both gloss displays.
  Values Displays() const {
    Values d;
    for (const char* name : {"DispRED", "DispGREEN", "DispBLUE", "DispR", "DispG", "DispB", "DispX",
                             "DispY", "DispINT", "DispCOL", "DispGF", "DispGFBig"}) {
      d.push_back(toolkit->GetCtrlDouble(Panel(), name));
    }
    return d;
  }
  static Values DisplaysOf(const Record& r) {
    return {double(r[0]), double(r[1]), double(r[2]), double(r[0]), double(r[1]), double(r[2]),
            double(r[3]), double(r[4]), double(r[5]), double(r[6]), r[10] / 10.0, r[10] / 10.0};
  }
};

TEST_F(ScopeLive, DisplaysHistoryAndChartShowWhatTheSensorSent) {
  Start();
  // GF 499: 49.9 in double precision differs from 49.9 in single.
  sensor->WithModel([](sim::SensorModel& m) { m.ram[11] = 801; });
  Choose("SelectSource", 1);
  constexpr std::size_t kPasses = 120;  // more than the history holds
  EveryRound([&] {
    if (Sent() >= kPasses) Click("ButtonStop");
  });
  Click("ButtonGo");

  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), kPasses);
  EXPECT_EQ(DataRequests(), int(kPasses));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Displays(), DisplaysOf(sent.back()));
  EXPECT_NE(sent.back()[10] % 5, 0);                // a GF that single precision would round
  EXPECT_NE(sent[kPasses - 1], sent[kPasses - 2]);  // the noise makes every record its own
  // Both histories hold the last 100 records, oldest first, with the lines
  // of the row "No.:" 0 names (table row 1).
  for (int back = 0; back < 100; ++back) {
    ASSERT_EQ(AllFrame(back), FrameOf(sent[kPasses - 1 - back])) << back;
    ASSERT_EQ(GlossFrame(back), GlossOf(sent[kPasses - 1 - back])) << back;
  }
  // The chart shows the whole history, the newest at the right-hand end of 101 points.
  EXPECT_EQ(Chart("GraphRaw1")->PointsPerScreen(), 101);
  EXPECT_EQ(Trace("GraphRaw1", 3).size(), 101u);
  EXPECT_EQ(Chart("GraphRaw1")->TracePoints(0).back(), QPointF(100, sent.back()[0]));
  EXPECT_TRUE(Trace("GraphGF", 0).empty());  // SOURCE 1 leaves the gloss chart
}

TEST_F(ScopeLive, LimitLinesComeFromTheTableRowNamedInNo) {
  Start();
  Type("EditNo", 30);  // the highest row selector reads table row 31
  SetCell(1, 31, 3000);
  SetCell(2, 31, 1000);
  SetCell(4, 31, 4000);
  SetCell(5, 31, 200);
  const auto taught = scope->vars.ctt[30];
  Choose("SelectSource", 5);
  std::vector<Values> seen;  // limit pair of each pass's newest frame
  EveryRound([&] {
    if (Sent() <= seen.size()) return;
    const Values f = AllFrame();
    seen.push_back({f[5], f[6]});
    EXPECT_EQ(GlossFrame(), (Values{GlossFrame()[0], f[5], f[6]}));
    if (seen.size() == 2) SetCell(5, 31, 4500);       // ITO larger than INT
    if (seen.size() == 3) Choose("SelectSource", 2);  // 20DEG: columns 1 and 2 as they stand
    if (seen.size() == 4) Choose("SelectSource", 6);
    if (seen.size() == 5) Click("ButtonStop");
  });
  Click("ButtonGo");
  EXPECT_EQ(seen, (std::vector<Values>{{4095, 3800},  // INT + ITO above 4095
                                       {4095, 3800},
                                       {4095, 0},
                                       {3000, 1000},
                                       {3000, 1000}}));
  EXPECT_EQ(scope->vars.ctt[30], taught);  // the lines follow the panel, not the taught table
  // The channel chart draws them as traces 6 and 7, the gloss chart as 2 and 3.
  EXPECT_EQ(Values({Trace("GraphRaw1", 5).back(), Trace("GraphRaw1", 6).back(),
                    Trace("GraphGF", 1).back(), Trace("GraphGF", 2).back()}),
            Values({3000, 1000, 3000, 1000}));
}

TEST_F(ScopeLive, XYSourceMovesCursorAndHistoryButLeavesTheStripCharts) {
  Start();
  Choose("SelectSource", 0);
  toolkit->PlotArc(Panel(), "GraphData1", 100, 100, 300, 300, 0, 3600, 0x008000);
  bool checkedXY = false;
  EveryRound([&] {
    if (Sent() == 5 && !checkedXY) {
      checkedXY = true;
      const Record r = sensor->SentRecords()[4];
      double x = 0, y = 0;
      toolkit->GetGraphCursor(Panel(), "GraphData1", 1, &x, &y);
      EXPECT_EQ(Values({x, y}), Values({double(r[3]), double(r[4])}));
      EXPECT_EQ(AllFrame(), FrameOf(r));
      EXPECT_EQ(GlossFrame(), GlossOf(r));
      EXPECT_TRUE(Trace("GraphRaw1", 0).empty());
      EXPECT_TRUE(Trace("GraphGF", 0).empty());
      Choose("SelectSource", 1);
    } else if (Sent() >= 6) {
      Click("ButtonStop");
    }
  });
  Click("ButtonGo");
  ASSERT_TRUE(checkedXY);
  // Go cleared the graph (the circle) and drew the grey boundary X + Y = 4095.
  auto* xy = qobject_cast<ui::XYGraph*>(W("GraphData1"));
  ASSERT_EQ(xy->PlotCount(), 1);
  const int boundary = xy->PlotHandles().front();
  EXPECT_EQ(xy->PlotColor(boundary), QColor(0xA0A0A0));
  EXPECT_EQ(xy->PlotPoints(boundary), (QList<QPointF>{{0, 4095}, {4095, 0}}));
  // The switch to the channel chart shows the six frames at once, with the
  // empty frames of the history as zeros to their left.
  Values expected(94, 0.0);
  for (const Record& r : sensor->SentRecords()) expected.push_back(r[0]);
  EXPECT_EQ(Trace("GraphRaw1", 0), expected);
}

TEST_F(ScopeLive, AFailedPassEndsTheCycleWithOneBoxAndKeepsThePreviousRecord) {
  Start();
  Choose("SelectSource", 6);
  // Silence for the fifth request of a cycle (the whole answer wait), then
  // 36 bytes in answer to the third request of the next: sent, not taken.
  struct Case {
    sim::Fault fault;
    int pass;
    bool waits;
  };
  for (const Case c : {Case{sim::Fault::kSilence, 5, true}, Case{sim::Fault::kSurplus, 3, false}}) {
    SCOPED_TRACE(c.pass);
    toolkit->Popups().ClearShown();
    const int first = DataRequests();
    const std::size_t sentBefore = Sent();
    EveryRound([=, this] {
      if (DataRequests() == first + c.pass - 1 && Sent() == sentBefore + c.pass - 1) {
        sensor->InjectFault(c.fault);
      }
    });
    QElapsedTimer clock;
    clock.start();
    Click("ButtonGo");
    EXPECT_EQ(clock.elapsed() >= 1990, c.waits);
    EXPECT_EQ(scope->flags.poll, 0);
    EXPECT_EQ(DataRequests(), first + c.pass);
    // One box, titled with the version text (48 characters, blank-padded).
    EXPECT_EQ(Boxes(), Strings{Box(QString("TAVIX LIVE TEST SENSOR").leftJustified(48),
                                   scope::texts::InfoTimeoutVer)});
    EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
    const std::vector<Record> sent = sensor->SentRecords();
    const Record kept = sent.at(sentBefore + c.pass - 2);
    EXPECT_EQ(Displays(), DisplaysOf(kept));
    EXPECT_EQ(AllFrame(), FrameOf(kept));
    EXPECT_EQ(Trace("GraphGF", 0).back(), kept[10]);
  }
  EXPECT_EQ(scope->lnk.st.nBytesR, 36);
  ASSERT_EQ(Sent(), 4u + 3u);  // the surplus record went out ...
  EXPECT_NE(sensor->SentRecords().back(), sensor->SentRecords().at(5));  // ... and differed
}

// At 19200 baud a surplus or garbage is still on the line when the 32nd
// byte is queued. Such an answer is reported once and shows nothing, the
// line is let fall quiet, and every record taken before and after is one
// the sensor sent: the framing never slips. In the live cycle and the zoom.
TEST_F(ScopeLive, SurplusAndGarbageOnThePacedLineNeverShowAMisframedRecord) {
  Start(/*pacing=*/true);
  struct Case {
    sim::Fault fault;
    bool once;
    const char* loop;
  };
  for (const Case c :
       {Case{sim::Fault::kSurplus, true, "ButtonGo"}, Case{sim::Fault::kGarbage, true, "ButtonGo"},
        Case{sim::Fault::kSurplus, false, "ButtonGo"},
        Case{sim::Fault::kSurplus, true, "ButtonZoom"},
        Case{sim::Fault::kGarbage, true, "ButtonZoom"}}) {
    SCOPED_TRACE(std::string(c.loop) + (c.once ? " once " : " always ") +
                 std::to_string(static_cast<int>(c.fault)));
    toolkit->Popups().ClearShown();
    std::vector<Record> taken;
    std::size_t faultAt = Sent() + 3;
    std::size_t stopAt = faultAt + 6;
    QTimer round;  // once per pass: what the pass took, the fault, the end
    QObject::connect(&round, &QTimer::timeout, [&] {
      taken.push_back(scope->record.databuf);
      if (Sent() == faultAt) sensor->InjectFault(c.fault, c.once);
      if (Sent() >= stopAt) scope->flags.poll = 0;
    });
    round.start(0);
    Click(c.loop);  // ends with the fault's report
    EXPECT_EQ(Boxes(), Strings{Box(QString("TAVIX LIVE TEST SENSOR").leftJustified(48),
                                   scope::texts::InfoTimeoutVer)});
    sensor->ClearFault();
    faultAt = 0;
    const std::size_t before = Sent();
    stopAt = before + 6;
    Click(c.loop);  // on a clean line again: six good records, no report
    EXPECT_GE(Sent(), before + 6);
    EXPECT_EQ(Boxes().size(), 1u);
    const std::vector<Record> sent = sensor->SentRecords();
    for (const Record& r : taken) {
      EXPECT_NE(std::find(sent.begin(), sent.end(), r), sent.end()) << "a misframed record";
    }
  }
}

// The window system's close of the main panel comes while an answer wait
// runs (no events then) on a silent line. It is not lost to the failure box
// that follows: the program ends once the wait and the box are over.
TEST_F(ScopeLive, ACloseDuringAFailingWaitEndsTheProgram) {
  Start();
  toolkit->Popups().SetScripted(false);  // real boxes, dismissed as a user would
  sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
  int boxes = 0;
  QTimer user;  // dismisses every box
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible()) {
        ++boxes;
        w->close();
      }
    }
  });
  user.start(50);
  // The user closes the window 0.3 s into the first answer wait, as the
  // window system would: from outside the program's thread.
  QWindow* window = toolkit->PanelWidget(Panel())->windowHandle();
  std::thread user2([window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QWindowSystemInterface::handleCloseEvent(window);
  });
  After(0, [&] { Click("ButtonGo"); });
  After(6000, [&] { toolkit->QuitUserInterface(0); });  // the close was lost
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(scope->RunAndShutDown(), 0);
  user2.join();
  EXPECT_LT(clock.elapsed(), 4000);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(DataRequests(), 1);
  EXPECT_FALSE(port->IsOpen());
}

TEST_F(ScopeLive, StopDuringTheAnswerWaitStillShowsThatRecord) {
  Start(/*pacing=*/true);  // answers take 35 ms on the line
  // Stop comes 10 ms into the third pass's answer wait and, as a user's click
  // would, waits for that pass's round of events.
  EveryRound([&] {
    if (Sent() == 2) After(10, [&] { Click("ButtonStop"); });
  });
  Click("ButtonGo");
  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(DataRequests(), 3);
  EXPECT_EQ(Displays(), DisplaysOf(sent[2]));
  EXPECT_EQ(AllFrame(), FrameOf(sent[2]));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScopeLive, ClickOnTheGlossChartSwitchesScalingFromTheNextPass) {
  Start();
  Choose("SelectSource", 6);
  SetCell(1, 1, 600);  // upper line
  SetCell(2, 1, 400);  // lower line
  // Per stage: the axis range expected, then the click that changes it.
  const Values fixed = {0, 1000}, automatic = {0, 625};  // GF 500; empty frames keep min 0
  int stage = 0;
  std::size_t clickedAt = 0;
  EveryRound([&] {
    const std::size_t n = Sent();
    if (n < 3 || n <= clickedAt || stage > 2) return;
    SCOPED_TRACE(stage);
    EXPECT_EQ(GlossAxis(), stage == 1 ? automatic : fixed);
    if (stage < 2) {
      ClickGlossChart(/*twice=*/stage == 0);
      EXPECT_EQ(scope->live.scale, stage == 0 ? 1 : 0);
      EXPECT_EQ(GlossAxis(), stage == 1 ? automatic : fixed);  // not before the next pass
    } else {
      Click("ButtonStop");
    }
    clickedAt = n;
    ++stage;
  });
  Click("ButtonGo");
  EXPECT_EQ(stage, 3);
  EXPECT_EQ(sensor->SentRecords().back()[10], 500);
}

TEST_F(ScopeLive, SecondGoWhilePollingStartsNoSecondCycle) {
  Start();
  int stage = 0;
  std::size_t clickedAt = 0;
  EveryRound([&] {
    const std::size_t n = Sent();
    if (stage == 0 && n >= 3) {
      clickedAt = n;
      Click("ButtonGo");  // would not come back before Stop if it started a cycle
      EXPECT_EQ(Sent(), clickedAt);
      stage = 1;
    } else if (stage == 1 && n >= clickedAt + 3) {
      stage = 2;
      Click("ButtonStop");
    }
  });
  Click("ButtonGo");
  EXPECT_EQ(stage, 2);
  EXPECT_FALSE(scope->live.cycleRunning);
  EXPECT_EQ(DataRequests(), int(Sent()));  // every request had its answer
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScopeLive, ClosingTheMainPanelWhilePollingEndsTheProgramWithThePortClosed) {
  Start();
  After(0, [this] { Click("ButtonGo"); });
  std::size_t closedAt = 0;
  EveryRound([&] {
    if (closedAt == 0 && Sent() >= 3) {
      closedAt = Sent();
      toolkit->PanelWidget(Panel())->close();  // the user closes the window
    }
  });
  EXPECT_EQ(scope->RunAndShutDown(), 0);
  EXPECT_EQ(closedAt, 3u);
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(DataRequests(), 3);  // no request after the close
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace tavix::e2e
