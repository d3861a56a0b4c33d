// The live data cycle of the scope against the simulator: what each pass
// shows and keeps, and every way the cycle ends.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <QChartView>
#include <QTimer>

#include "scope/help_texts.h"
#include "tests/e2e/scope_harness.h"
#include "ui/graphs.h"

namespace tavix::e2e {
namespace {

using Record = std::array<std::uint16_t, sim::kRecordWords>;

constexpr int kFrame = 7;  // values per frame of the channel history
constexpr int kGlossFrame = 3;

// Calls `step` in every round of events that the program lets run (the live
// cycle lets them run once per pass). A guard ends polling when a test goes
// wrong, so that a failing test fails instead of hanging.
class EveryRound {
 public:
  EveryRound(scope::Scope& scope, std::function<void()> step, int limitMs = 8000) {
    QObject::connect(&timer_, &QTimer::timeout, std::move(step));
    timer_.start(0);
    guard_.setSingleShot(true);
    QObject::connect(&guard_, &QTimer::timeout, [&scope] {
      ADD_FAILURE() << "the live cycle was still running at the time limit";
      scope.flags.poll = 0;
    });
    guard_.start(limitMs);
  }

 private:
  QTimer timer_;
  QTimer guard_;
};

class ScopeLive : public ScopeHarness {
 protected:
  // A target with noise, so that records differ, and gloss words that give
  // a gloss factor of 500 (50.0 %).
  void Start() {
    sensor->WithModel([](sim::SensorModel& m) {
      m.target = sim::Target{"test", 3.8, 4.0, 4.2, 40.0};
      m.ram[9] = 100;   // power of the gloss measurement
      m.ram[11] = 800;  // 60-degree reference
      m.version = "TAVIX LIVE TEST SENSOR";
    });
    ASSERT_EQ(StartProgram(), 0);
    ASSERT_TRUE(Popups().empty());
  }

  std::size_t Sent() const { return sensor->SentRecords().size(); }
  Record SentRecord(std::size_t k) const { return sensor->SentRecords().at(k); }
  int DataRequests() const {
    const std::vector<int> orders = ReceivedOrders(*sensor);
    return static_cast<int>(std::count(orders.begin(), orders.end(), 5));
  }
  ui::StripChart* Chart(const char* name) const { return qobject_cast<ui::StripChart*>(W(name)); }
  QWidget* ChartArea(const char* name) const {
    return static_cast<QChartView*>(W(name))->viewport();
  }
  double AxisMin(const char* chart) const {
    double min = 0, max = 0;
    toolkit->AxisRange(Panel(), chart, ui::Axis::kLeftY, &min, &max);
    return min;
  }
  double AxisMax(const char* chart) const {
    double min = 0, max = 0;
    toolkit->AxisRange(Panel(), chart, ui::Axis::kLeftY, &min, &max);
    return max;
  }
  // The newest frame of the channel history, and the one `back` frames before.
  std::vector<double> AllFrame(int back = 0) const {
    const double* f = scope->live.alldata.data() + 700 - kFrame * (back + 1);
    return {f, f + kFrame};
  }
  std::vector<double> GlossFrame(int back = 0) const {
    const double* f = scope->live.gfbuf.data() + 300 - kGlossFrame * (back + 1);
    return {f, f + kGlossFrame};
  }

  // The displays show record `r`.
  void ExpectDisplays(const Record& r) const {
    EXPECT_EQ(Int("DispRED"), r[0]);
    EXPECT_EQ(Int("DispGREEN"), r[1]);
    EXPECT_EQ(Int("DispBLUE"), r[2]);
    EXPECT_EQ(Int("DispR"), r[0]);
    EXPECT_EQ(Int("DispG"), r[1]);
    EXPECT_EQ(Int("DispB"), r[2]);
    EXPECT_EQ(Int("DispX"), r[3]);
    EXPECT_EQ(Int("DispY"), r[4]);
    EXPECT_EQ(Int("DispINT"), r[5]);
    EXPECT_EQ(Int("DispCOL"), r[6]);
    EXPECT_DOUBLE_EQ(toolkit->GetCtrlDouble(Panel(), "DispGF"), r[10] / 10.0);
    EXPECT_DOUBLE_EQ(toolkit->GetCtrlDouble(Panel(), "DispGFBig"), r[10] / 10.0);
  }
  // The history frame holds record `r` with the given limit lines.
  static std::vector<double> Frame(const Record& r, double upper, double lower) {
    return {double(r[0]), double(r[1]), double(r[2]), double(r[5]), double(r[6]), upper, lower};
  }
  static std::vector<double> Gloss(const Record& r, double upper, double lower) {
    return {double(r[10]), upper, lower};
  }
};

TEST_F(ScopeLive, DisplaysHistoryAndChartShowWhatTheSensorSent) {
  Start();
  Choose("SelectSource", 1);
  const double upper = Cell(1, 1), lower = Cell(2, 1);  // "No.:" 0 names table row 1
  constexpr std::size_t kPasses = 120;                  // more than the history holds
  EveryRound driver(*scope, [&] {
    if (Sent() >= kPasses) Click("ButtonStop");
  });
  Click("ButtonGo");

  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), kPasses);
  EXPECT_EQ(DataRequests(), static_cast<int>(kPasses));
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_TRUE(Popups().empty());
  ExpectDisplays(sent.back());
  EXPECT_NE(sent[kPasses - 1], sent[kPasses - 2]);  // the noise makes every record its own

  // Both histories hold the last 100 records, oldest first.
  for (int back = 0; back < 100; ++back) {
    const Record& r = sent[kPasses - 1 - static_cast<std::size_t>(back)];
    ASSERT_EQ(AllFrame(back), Frame(r, upper, lower)) << back;
    ASSERT_EQ(GlossFrame(back), Gloss(r, upper, lower)) << back;
  }

  // The chart got the whole history: each trace ends with its 100 values,
  // the newest at the right-hand end of 101 points.
  ui::StripChart* chart = Chart("GraphRaw1");
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(chart->PointsPerScreen(), 101);
  for (int trace = 0; trace < kFrame; ++trace) {
    const std::vector<double> values = chart->TraceValues(trace);
    ASSERT_EQ(values.size(), 101u) << trace;
    for (int k = 0; k < 100; ++k) {
      ASSERT_EQ(values[static_cast<std::size_t>(1 + k)],
                scope->live.alldata[static_cast<std::size_t>(kFrame * k + trace)])
          << trace << " " << k;
    }
  }
  const QList<QPointF> drawn = chart->TracePoints(0);
  ASSERT_FALSE(drawn.isEmpty());
  EXPECT_EQ(drawn.back(), QPointF(100, sent.back()[0]));
  EXPECT_TRUE(Chart("GraphGF")->TraceValues(0).empty());  // SOURCE 1 leaves the gloss chart
}

TEST_F(ScopeLive, LimitLinesComeFromTheTableRowNamedInNo) {
  Start();
  Type("EditNo", 30);  // the highest row selector reads table row 31
  toolkit->SetTableCellVal(Panel(), "TeachTable", 1, 31, 3000);
  toolkit->SetTableCellVal(Panel(), "TeachTable", 2, 31, 1000);
  toolkit->SetTableCellVal(Panel(), "TeachTable", 4, 31, 4000);
  toolkit->SetTableCellVal(Panel(), "TeachTable", 5, 31, 200);
  const auto taught = scope->vars.ctt[30];
  Choose("SelectSource", 5);

  std::vector<std::vector<double>> seen;  // limit pair of each pass's newest frame
  EveryRound driver(*scope, [&] {
    if (Sent() <= seen.size()) return;
    const std::vector<double> f = AllFrame();
    seen.push_back({f[5], f[6]});
    EXPECT_EQ(GlossFrame()[1], f[5]);
    EXPECT_EQ(GlossFrame()[2], f[6]);
    if (seen.size() == 2) {
      toolkit->SetTableCellVal(Panel(), "TeachTable", 5, 31, 4500);  // ITO larger than INT
    } else if (seen.size() == 3) {
      Choose("SelectSource", 2);  // 20DEG: columns 1 and 2 as they stand
    } else if (seen.size() == 4) {
      Choose("SelectSource", 6);
    } else if (seen.size() == 5) {
      Click("ButtonStop");
    }
  });
  Click("ButtonGo");

  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0], (std::vector<double>{4095, 3800}));  // INT + ITO above 4095
  EXPECT_EQ(seen[1], (std::vector<double>{4095, 3800}));
  EXPECT_EQ(seen[2], (std::vector<double>{4095, 0}));
  EXPECT_EQ(seen[3], (std::vector<double>{3000, 1000}));
  EXPECT_EQ(seen[4], (std::vector<double>{3000, 1000}));
  // The lines follow the table on the panel, not the taught table.
  EXPECT_EQ(scope->vars.ctt[30], taught);
  // The channel chart draws them as traces 6 and 7, the gloss chart as 2 and 3.
  EXPECT_EQ(Chart("GraphRaw1")->TraceValues(5).back(), 3000);
  EXPECT_EQ(Chart("GraphRaw1")->TraceValues(6).back(), 1000);
  EXPECT_EQ(Chart("GraphGF")->TraceValues(1).back(), 3000);
  EXPECT_EQ(Chart("GraphGF")->TraceValues(2).back(), 1000);
}

TEST_F(ScopeLive, XYSourceMovesCursorAndHistoryButLeavesTheStripCharts) {
  Start();
  Choose("SelectSource", 0);
  toolkit->PlotArc(Panel(), "GraphData1", 100, 100, 300, 300, 0, 3600, 0x008000);  // a circle
  ASSERT_EQ(toolkit->PlotCount(Panel(), "GraphData1"), 1);

  bool checkedXY = false;
  EveryRound driver(*scope, [&] {
    if (Sent() == 5 && !checkedXY) {
      checkedXY = true;
      const Record r = SentRecord(4);
      double x = 0, y = 0;
      toolkit->GetGraphCursor(Panel(), "GraphData1", 1, &x, &y);
      EXPECT_EQ(x, r[3]);
      EXPECT_EQ(y, r[4]);
      EXPECT_EQ(AllFrame(), Frame(r, Cell(1, 1), Cell(2, 1)));
      EXPECT_EQ(GlossFrame(), Gloss(r, Cell(1, 1), Cell(2, 1)));
      EXPECT_TRUE(Chart("GraphRaw1")->TraceValues(0).empty());
      EXPECT_TRUE(Chart("GraphGF")->TraceValues(0).empty());
      Choose("SelectSource", 1);
    } else if (Sent() >= 6) {
      Click("ButtonStop");
    }
  });
  Click("ButtonGo");
  ASSERT_TRUE(checkedXY);

  // Go cleared the graph and drew the grey boundary X + Y = 4095.
  auto* xy = qobject_cast<ui::XYGraph*>(W("GraphData1"));
  ASSERT_EQ(xy->PlotCount(), 1);
  const int boundary = xy->PlotHandles().front();
  EXPECT_EQ(xy->PlotColor(boundary), QColor(0xA0A0A0));
  EXPECT_EQ(xy->PlotPoints(boundary).front(), QPointF(0, 4095));
  EXPECT_EQ(xy->PlotPoints(boundary).back(), QPointF(4095, 0));
  EXPECT_TRUE(xy->CursorShown(1));

  // The switch to the channel chart shows the six frames at once, with the
  // empty frames of the history as zeros to their left.
  const std::vector<double> values = Chart("GraphRaw1")->TraceValues(0);
  ASSERT_EQ(values.size(), 100u);
  for (int k = 0; k < 94; ++k) EXPECT_EQ(values[static_cast<std::size_t>(k)], 0.0) << k;
  const std::vector<Record> sent = sensor->SentRecords();
  for (int k = 0; k < 6; ++k) EXPECT_EQ(values[static_cast<std::size_t>(94 + k)], sent[k][0]) << k;
  EXPECT_TRUE(Chart("GraphGF")->TraceValues(0).empty());
}

TEST_F(ScopeLive, TimeoutOnTheFifthPassEndsTheCycleWithOneBox) {
  Start();
  Choose("SelectSource", 6);
  EveryRound driver(*scope, [&] {
    if (Sent() == 4 && sensor->GetCounters().frames == 2 + 4) {
      sensor->InjectFault(sim::Fault::kSilence);  // the fifth request gets no answer
    }
  });
  QElapsedTimer clock;
  clock.start();
  Click("ButtonGo");

  EXPECT_GE(clock.elapsed(), 1990);  // the whole answer wait
  EXPECT_EQ(scope->flags.poll, 0);
  ASSERT_EQ(Sent(), 4u);
  EXPECT_EQ(DataRequests(), 5);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].title, scope->lnk.VersionText());  // 48 characters, blank-padded
  EXPECT_TRUE(Popups()[0].title.startsWith("TAVIX LIVE TEST SENSOR"));
  EXPECT_EQ(Popups()[0].text, scope::texts::InfoTimeoutVer);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  const std::vector<Record> sent = sensor->SentRecords();
  ExpectDisplays(sent[3]);
  EXPECT_EQ(AllFrame(0), Frame(sent[3], Cell(1, 1), Cell(2, 1)));
  EXPECT_EQ(AllFrame(1), Frame(sent[2], Cell(1, 1), Cell(2, 1)));
  EXPECT_EQ(Chart("GraphGF")->TraceValues(0).back(), sent[3][10]);
}

TEST_F(ScopeLive, SurplusBytesFailThePassUndecoded) {
  Start();
  EveryRound driver(*scope, [&] {
    if (Sent() == 2 && sensor->GetCounters().frames == 2 + 2) {
      sensor->InjectFault(sim::Fault::kSurplus);  // 36 bytes in answer to the third request
    }
  });
  Click("ButtonGo");

  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_EQ(DataRequests(), 3);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].text, scope::texts::InfoTimeoutVer);
  EXPECT_EQ(scope->lnk.st.nBytesR, 36);
  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), 3u);  // the third record went out with the surplus
  ASSERT_NE(sent[2], sent[1]);
  ExpectDisplays(sent[1]);  // ... and was not taken
  EXPECT_EQ(AllFrame(), Frame(sent[1], Cell(1, 1), Cell(2, 1)));
}

TEST_F(ScopeLive, GoShortlyAfterSendWaitsOutTheSettleDelay) {
  Start();
  sensor->ClearLog();
  Click("ButtonSend");
  EveryRound driver(*scope, [&] {
    if (Sent() >= 2) Click("ButtonStop");
  });
  Click("ButtonGo");

  double sendStart = -1, firstRequest = -1;
  for (const sim::LogEntry& e : sensor->FrameLog()) {
    if (!e.received || e.bytes.size() != 36) continue;
    if (e.bytes[3] == 1 && sendStart < 0) sendStart = e.time;
    if (e.bytes[3] == 5 && firstRequest < 0) firstRequest = e.time;
  }
  ASSERT_GE(sendStart, 0);
  ASSERT_GE(firstRequest, 0);
  EXPECT_GE(firstRequest - sendStart, 0.99);
  EXPECT_EQ(sensor->GetCounters().earlyFrames, 0u);
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeLive, StopDuringTheAnswerWaitStillShowsThatRecord) {
  sensor->Stop();
  StartSensor(/*pacing=*/true);  // answers take 35 ms on the line
  Start();
  const std::uint64_t before = sensor->GetCounters().frames;

  // Stop is clicked while the third answer is on its way: the click waits
  // for the pass's round of events, as a user's would.
  std::atomic<bool> quit{false};
  bool duringWait = false;
  QWidget* stop = W("ButtonStop");
  std::thread user([&] {
    while (!quit) {
      if (sensor->GetCounters().frames >= before + 3) {
        duringWait = sensor->SentRecords().size() == 2;
        QMetaObject::invokeMethod(
            stop, [stop] { QTest::mouseClick(stop, Qt::LeftButton); }, Qt::QueuedConnection);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EveryRound guard(*scope, [] {});
  Click("ButtonGo");
  quit = true;
  user.join();

  EXPECT_TRUE(duringWait);
  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(DataRequests(), 3);
  ExpectDisplays(sent[2]);
  EXPECT_EQ(AllFrame(), Frame(sent[2], Cell(1, 1), Cell(2, 1)));
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeLive, ClickOnTheGlossChartSwitchesScalingFromTheNextPass) {
  Start();
  Choose("SelectSource", 6);
  toolkit->SetTableCellVal(Panel(), "TeachTable", 1, 1, 600);  // upper line
  toolkit->SetTableCellVal(Panel(), "TeachTable", 2, 1, 400);  // lower line
  int stage = 0;
  std::size_t clickedAt = 0;
  EveryRound driver(*scope, [&] {
    const std::size_t n = Sent();
    if (stage == 0 && n >= 3) {
      EXPECT_EQ(AxisMin("GraphGF"), 0);
      EXPECT_EQ(AxisMax("GraphGF"), 1000);
      QTest::mouseDClick(ChartArea("GraphGF"), Qt::LeftButton);
      EXPECT_EQ(scope->live.scale, 1);
      EXPECT_EQ(AxisMax("GraphGF"), 1000);  // not before the next pass
      clickedAt = n;
      stage = 1;
    } else if (stage == 1 && n > clickedAt) {
      // GF 500 and the lines 600 and 400; the empty frames keep the minimum at 0.
      EXPECT_EQ(AxisMin("GraphGF"), 0);
      EXPECT_EQ(AxisMax("GraphGF"), 625);
      QTest::mouseClick(ChartArea("GraphGF"), Qt::LeftButton);
      EXPECT_EQ(scope->live.scale, 0);
      EXPECT_EQ(AxisMax("GraphGF"), 625);
      clickedAt = n;
      stage = 2;
    } else if (stage == 2 && n > clickedAt) {
      EXPECT_EQ(AxisMin("GraphGF"), 0);
      EXPECT_EQ(AxisMax("GraphGF"), 1000);
      stage = 3;
      Click("ButtonStop");
    }
  });
  Click("ButtonGo");
  EXPECT_EQ(stage, 3);
  EXPECT_EQ(sensor->SentRecords().back()[10], 500);
  EXPECT_EQ(Chart("GraphGF")->PointsPerScreen(), 101);
}

TEST_F(ScopeLive, SecondGoWhilePollingStartsNoSecondCycle) {
  Start();
  int stage = 0;
  std::size_t clickedAt = 0;
  EveryRound driver(*scope, [&] {
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
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(scope->live.cycleRunning);
  EXPECT_EQ(DataRequests(), static_cast<int>(Sent()));  // every request had its answer
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeLive, GoRightAfterStopStartsTheCycleAgain) {
  Start();
  bool restarted = false;
  EveryRound driver(*scope, [&] {
    if (Sent() >= 3 && !restarted) {
      restarted = true;
      Click("ButtonStop");
      Click("ButtonGo");  // in the same round of events: polling goes on until the next Stop
    }
  });
  EveryRound stopper(*scope, [&] {
    if (Sent() >= 8) Click("ButtonStop");
  });
  Click("ButtonGo");
  EXPECT_TRUE(restarted);
  EXPECT_GE(Sent(), 8u);
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(scope->live.cycleRunning);
  EXPECT_EQ(DataRequests(), static_cast<int>(Sent()));
}

TEST_F(ScopeLive, GetAndAPortChangeWhilePollingTakeTheLineAndEndTheCycle) {
  Start();
  {
    EveryRound getter(*scope, [&] {
      if (Sent() == 3 && DataRequests() == 3) Click("ButtonGet");  // reads order 3 at once
    });
    Click("ButtonGo");
  }
  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{7, 3, 5, 5, 5, 3}));  // nothing after Get
  EXPECT_EQ(scope->flags.poll, 0);

  sensor->ClearLog();
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  {
    EveryRound reconnect(*scope, [&] {
      if (Sent() == 5 && DataRequests() == 2) Type("EditConnect", 2);
    });
    Click("ButtonGo");
  }
  qunsetenv("TAVIX_COM2");
  // The line check and the parameters on the new port, then no more polling.
  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{5, 5, 7, 3}));
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_EQ(scope->lnk.st.com, 2);
  EXPECT_TRUE(port->IsOpen());
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeLive, SensorHangingUpWhilePollingEndsTheCycleWithOneBox) {
  Start();
  EveryRound driver(*scope, [&] {
    if (Sent() == 3 && DataRequests() == 3) sensor->InjectFault(sim::Fault::kHangUp);
  });
  QElapsedTimer clock;
  clock.start();
  Click("ButtonGo");

  EXPECT_LT(clock.elapsed(), 1900);  // seen at once, not after the answer wait
  EXPECT_EQ(scope->flags.poll, 0);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].text, scope::texts::InfoTimeoutVer);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_TRUE(Str("DispPortInfo").contains("hung up"));
  EXPECT_FALSE(port->IsOpen());
  ExpectDisplays(sensor->SentRecords().at(2));
}

TEST_F(ScopeLive, RightClickOnGoOrStopShowsHelpAndStartsNothing) {
  Start();
  RightClick("ButtonGo");
  RightClick("ButtonStop");
  ASSERT_EQ(Popups().size(), 2u);
  EXPECT_EQ(Popups()[0].title, "INFO!");
  EXPECT_EQ(Popups()[0].text, scope::texts::InfoButtonGo);
  EXPECT_EQ(Popups()[1].title, "INFO!");
  EXPECT_EQ(Popups()[1].text, scope::texts::InfoButtonStop);
  EXPECT_EQ(DataRequests(), 0);
  EXPECT_EQ(scope->flags.poll, 0);
}

TEST_F(ScopeLive, ClosingTheMainPanelWhilePollingEndsTheProgramWithThePortClosed) {
  Start();
  QTimer::singleShot(0, [this] { Click("ButtonGo"); });
  std::size_t closedAt = 0;
  EveryRound driver(*scope, [&] {
    if (closedAt == 0 && Sent() >= 3) {
      closedAt = Sent();
      toolkit->PanelWidget(Panel())->close();  // the user closes the window
    }
  });
  ASSERT_TRUE(port->IsOpen());
  EXPECT_EQ(scope->RunAndShutDown(), 0);

  EXPECT_EQ(closedAt, 3u);
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(DataRequests(), 3);  // no request after the close
  EXPECT_TRUE(Popups().empty());
}

}  // namespace
}  // namespace tavix::e2e
