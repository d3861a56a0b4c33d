// The scope's live data cycle against the simulator: what each pass shows
// and keeps, and every way the cycle ends.
#include <QChartView>

#include <algorithm>

#include "scope_harness.h"
#include "ui/strip_chart.h"

namespace tavix::e2e {
namespace {

using Values = std::vector<double>;

class ScopeLive : public ScopeHarness {
 protected:
  // A noisy target, so that records differ, and gloss words for GF 500.
  void Start(bool pacing = false) {
    if (pacing) StartSensor(/*pacing=*/true);  // in place of the harness's
    sensor->WithModel([](sim::SensorModel& m) {
      m.target = sim::Target{"test", 3.8, 4.0, 4.2, 40.0};
      m.ram[9] = 100;   // power of the gloss measurement
      m.ram[11] = 800;  // 60-degree reference
      m.version = "TAVIX LIVE TEST SENSOR";
    });
    ASSERT_EQ(StartProgram(), 0);
  }
  Values Trace(const char* chart, int trace) const {
    return qobject_cast<ui::StripChart*>(W(chart))->TraceValues(trace);
  }
  // The channel (7 values) or gloss (3) history frame `back` frames before the newest.
  static Values Frame(const auto& history, int width, int back) {
    return {history.end() - width * (back + 1), history.end() - width * back};
  }
  Values AllFrame(int back = 0) const { return Frame(scope->live.alldata, 7, back); }
  Values GlossFrame(int back = 0) const { return Frame(scope->live.gfbuf, 3, back); }
  // The frames record `r` gives, with columns 1 and 2 of the row "No." names as limit lines.
  Values Lines() const {
    return {double(Cell(1, Int("EditNo") + 1)), double(Cell(2, Int("EditNo") + 1))};
  }
  Values FrameOf(const Record& r) const {
    return {double(r[0]), double(r[1]), double(r[2]), double(r[5]),
            double(r[6]), Lines()[0],   Lines()[1]};
  }
  Values GlossOf(const Record& r) const { return {double(r[10]), Lines()[0], Lines()[1]}; }
  // Bars, numerics, X, Y, INT, V-No, both gloss displays (GF/10 in double), both histories.
  void ExpectShown(const Record& r) const {
    Values shown, want;
    for (const char* name : {"DispRED", "DispGREEN", "DispBLUE", "DispR", "DispG", "DispB", "DispX",
                             "DispY", "DispINT", "DispCOL", "DispGF", "DispGFBig"})
      shown.push_back(toolkit->GetCtrlDouble(Panel(), name));
    for (int word : {0, 1, 2, 0, 1, 2, 3, 4, 5, 6}) want.push_back(r[word]);
    want.insert(want.end(), {r[10] / 10.0, r[10] / 10.0});
    EXPECT_EQ(shown, want);
    EXPECT_EQ(AllFrame(), FrameOf(r));
    EXPECT_EQ(GlossFrame(), GlossOf(r));
  }
};

// Five passes on the XY graph (cursor and histories, strip charts left alone),
// one with INT +- ITO as limit lines, then more than the history holds on the
// channel chart. The lines come from the table row "No." names, as the panel
// shows it. A second Go while polling starts no second cycle. (A close
// during a failing answer wait reaches the panel's callback through the
// failure box as the toolkit suite's close case proves; that it ends the
// program, the cycle and the port is the calib workflow suite's close case,
// on the same shell code.)
TEST_F(ScopeLive, DisplaysHistoriesCursorAndChartsShowWhatTheSensorSent) {
  Start();
  sensor->WithModel([](sim::SensorModel& m) { m.ram[11] = 801; });  // GF 499: 49.9 is no float
  Type("EditNo", 30);  // the highest row selector reads table row 31
  for (const auto& [column, value] : {std::pair{1, 3000}, {2, 1000}, {4, 4000}, {5, 200}})
    SetCell(column, 31, value);
  const auto taught = scope->vars.ctt[30];
  Choose("SelectSource", 0);
  constexpr std::size_t kPasses = 120;
  std::size_t checked = 0;
  EveryRound([&] {
    const std::vector<Record> sent = sensor->SentRecords();
    // A pass's events run before its own record is shown: the record before it is.
    if (sent.size() == 6 && checked == 0) {
      Click("ButtonGo");  // a second Go starts no second cycle, which would not come back
      EXPECT_EQ(Sent(), 6u);
      EXPECT_EQ(Cursor("GraphData1"), Values({double(sent[4][3]), double(sent[4][4])}));
      ExpectShown(sent[4]);
      EXPECT_TRUE(Trace("GraphRaw1", 0).empty() && Trace("GraphGF", 0).empty());
      Choose("SelectSource", 5);
      checked = 5;
    } else if (sent.size() == 7 && checked == 5) {
      const Values f = AllFrame(), g = GlossFrame();  // INT 4000 +- ITO 200 in both histories
      EXPECT_EQ(Values({f[5], f[6], g[1], g[2]}), Values({4095, 3800, 4095, 3800}));
      Choose("SelectSource", 1);
      checked = 6;
    }
    if (sent.size() >= kPasses) Click("ButtonStop");
  });
  Click("ButtonGo");
  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), kPasses);
  EXPECT_EQ(checked, 6u);
  EXPECT_TRUE(Boxes().empty());
  ASSERT_NE(sent[kPasses - 1], sent[kPasses - 2]);  // the noise makes every record its own
  ExpectShown(sent.back());
  for (int back = 1; back < 100; ++back) {  // both histories: the last 100 records
    ASSERT_EQ(AllFrame(back), FrameOf(sent[kPasses - 1 - back])) << back;
    ASSERT_EQ(GlossFrame(back), GlossOf(sent[kPasses - 1 - back])) << back;
  }
  EXPECT_EQ(scope->vars.ctt[30], taught);  // the lines follow the panel, not the taught table
  EXPECT_EQ(Trace("GraphRaw1", 0).size(), 101u);  // the newest at the right-hand end
  EXPECT_EQ(Trace("GraphRaw1", 0).back(), sent.back()[0]);
  EXPECT_EQ(Values({Trace("GraphRaw1", 5).back(), Trace("GraphRaw1", 6).back()}),
            Values({3000, 1000}));
  EXPECT_TRUE(Trace("GraphGF", 0).empty());  // SOURCE 1 leaves the gloss chart
}

// At 19200 baud a surplus or garbage is still on the line when the 32nd byte
// is queued. Stray bytes that follow an answer after its guard (the answer
// itself whole and shown) arrive while the next request is on the line and
// become the head of its answer; the answer of the request written meanwhile
// is waited out, so that the next cycle reads every record in step. A failed
// pass is reported once, with the version as title; the live cycle keeps showing the last good
// record, and every record taken before and after is one the sensor sent. In the live cycle (ended
// by a Stop during an answer wait) and, stray bytes only, the zoom: both poll through the same loop
// of the program. (A surplus of more bytes, or silence, meets the same paths: the link suite's
// request cases; a silent sensor ends the calib program's cycle, and the scope's recordings and
// gloss search in their suites.)
TEST_F(ScopeLive, AFailedPassIsReportedOnceAndNeverShowsAMisframedRecord) {
  GuardLoops(20000);
  Start(/*pacing=*/true);
  using sim::Fault;
  for (const auto& [fault, once, loop] : {std::tuple{Fault::kSurplus, true, "ButtonGo"},
                                          {Fault::kSurplus, false, "ButtonGo"},
                                          {Fault::kStray, true, "ButtonGo"},
                                          {Fault::kStray, true, "ButtonZoom"}}) {
    SCOPED_TRACE(std::string(loop) + (once ? " once " : " always ") + std::to_string(int(fault)));
    toolkit->Popups().ClearShown();
    const bool live = std::string(loop) == "ButtonGo";
    std::vector<Record> taken;
    std::size_t faultAt = Sent() + 3, stopAt = faultAt + 6, met = 0;
    QObject steps;  // once per pass: what the pass took, the fault, the end
    Every(0, &steps, [&] {
      taken.push_back(scope->record.databuf);
      if (Sent() == faultAt && met == 0) {
        met = DataRequests();  // the request the fault meets, counted from 0
        sensor->InjectFault(fault, once);
      }
      if (Sent() >= stopAt && !live) scope->flags.poll = 0;
      if (Sent() == stopAt && live) After(10, [this] { Click("ButtonStop"); });  // into a wait
    });
    Click(loop);  // ends with the fault's report
    EXPECT_EQ(Boxes(), Strings{Box(QString("TAVIX LIVE TEST SENSOR").leftJustified(48),
                                   scope::texts::InfoTimeoutVer)});
    EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
    if (fault == Fault::kStray) {
      // The answer the bytes followed, its misframed successor, and the
      // answer waited out when its request had gone out before the tail came
      // (one more when a loaded machine wrote the next request late). What
      // stays on screen is the answer the bytes followed or the next one,
      // whole, never the misframed one.
      const std::vector<Record> all = sensor->SentRecords();
      ASSERT_GE(all.size(), met + 2);
      EXPECT_LE(all.size(), met + 4);
      const Record kept = scope->record.databuf;
      if (live) {
        ASSERT_TRUE(kept == all[met] || kept == all[met + 1]);
        ExpectShown(kept);
      }
    } else if (live) {
      ExpectShown(taken.back());
    }
    sensor->ClearFault();
    faultAt = 0;
    stopAt = Sent() + 6;
    Click(loop);                       // a clean line again: six good records, no report
    EXPECT_EQ(Sent(), stopAt + live);  // a Stop during an answer wait still takes that record
    if (live) ExpectShown(sensor->SentRecords().back());
    EXPECT_EQ(Boxes().size(), 1u);
    const std::vector<Record> sent = sensor->SentRecords();
    for (const Record& r : taken)
      EXPECT_NE(std::find(sent.begin(), sent.end(), r), sent.end()) << "a misframed record";
  }
}

// A click on the gloss chart fixes its axis at 0..1000, a double click
// scales it to the history, each from the next pass on.
TEST_F(ScopeLive, ClicksOnTheGlossChartSwitchItsScalingFromTheNextPass) {
  Start();
  Choose("SelectSource", 6);
  SetCell(1, 1, 600);  // upper line
  SetCell(2, 1, 400);  // lower line
  auto axis = [&] {
    double min = 0, max = 0;
    toolkit->AxisRange(Panel(), "GraphGF", ui::Axis::kLeftY, &min, &max);
    return Values{min, max};
  };
  QWidget* area = static_cast<QChartView*>(W("GraphGF"))->viewport();
  const Values fixed = {0, 1000}, automatic = {0, 625};  // GF 500; empty frames keep min 0
  std::vector<Values> seen;
  int round = 0;
  EveryRound([&] {
    if (Sent() < 3) return;
    seen.push_back(axis());
    if (round == 0) QTest::mouseDClick(area, Qt::LeftButton);
    if (round == 2) QTest::mouseClick(area, Qt::LeftButton);
    if (++round == 4) Click("ButtonStop");
  });
  Click("ButtonGo");
  EXPECT_EQ(seen, (std::vector<Values>{fixed, automatic, automatic, fixed}));
}

}  // namespace
}  // namespace tavix::e2e
