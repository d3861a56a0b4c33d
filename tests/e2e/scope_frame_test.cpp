// Start-up, line check, port choice, parameter transfer and parameter files
// of the scope against the simulator; programs that cannot start.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "protocol/param_file.h"
#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using ScopeFrame = ScopeHarness;

// A silent sensor: the time-out box comes before the main panel shows.
TEST_F(ScopeFrame, SilentSensorShowsTimeoutBoxBeforeTheMainPanel) {
  sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(Boxes(), Strings{Box("INFO!", scope::texts::InfoTimeout)});
  EXPECT_TRUE(toolkit->Popups().Shown()[0].visiblePanels.isEmpty());  // not shown yet
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});
}

// A hang-up before or during a Send, or a port that never opened: one report,
// and nothing written after it (frames a buffer held at the hang-up included).
TEST_F(ScopeFrame, ASendOnALostOrNeverOpenedPortGivesOneReport) {
  enum When { kBefore, kDuring, kNeverOpened };
  QTemporaryDir dir;
  for (const When when : {kBefore, kDuring, kNeverOpened}) {  // to RAM, the start's target
    SCOPED_TRACE(when);
    EndProgram();
    StartSensor(/*pacing=*/when == kDuring);  // paced: every frame is written before the hang-up
    if (when == kNeverOpened) qputenv("TAVIX_COM1", dir.filePath("gone").toLocal8Bit());
    ASSERT_EQ(StartProgram(), 0);
    if (when != kNeverOpened) sensor->InjectFault(sim::Fault::kHangUp);
    if (when == kBefore) {
      Click("ButtonGet");  // the sensor hangs up on this request: reported
      toolkit->Popups().ClearShown();
    }
    sensor->ClearLog();
    Click("ButtonSend");
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(Str("DispPortInfo").contains(when == kNeverOpened ? "does not exist" : "hung up"));
    EXPECT_EQ(ReceivedFrames(*sensor).size(), when == kDuring ? 1u : 0u);
  }
}

// The start-up reads the version (shown as the calib frame suite checks),
// then the RAM block onto the panel. Get from EEPROM (order 4), then Send to
// RAM, to EEPROM and to a file: the block goes out unchanged but for the
// edits. A failed save (a file size limit stands in for a full disk, and
// holds for root too) says so and keeps the earlier file. A toggle switched
// off falls back to RAM.
TEST_F(ScopeFrame, StartUpShowsTheRamBlockAndGetSendAndSaveCarryItUnchanged) {
  // A block with words the program must carry unchanged: numbers beyond the
  // ranges the panel's controls offer, and words 9..15.
  sensor->WithModel([](sim::SensorModel& m) {
    for (int i = 9; i <= 15; ++i) m.ram[i] = static_cast<std::uint16_t>(1000 + i);
    m.ram[0] = 1200;  // POWER, 0..1000 on the panel
    m.ram[2] = 0;     // AVERAGE, 1..65535
    m.ram[5] = 5000;  // INTLIM, 0..4095
    m.ram[6] = 40;    // MAXVEC-No.: taken in as 31
    m.ram[7] = 1;     // BINARY: no MAXVEC-No. warning
    m.ram[16 + 5 * 30 + 4] = 4321;
    m.eeprom = m.ram;
    m.eeprom[0] = 1100;  // POWER beyond the slider too, but not the RAM's
  });
  ASSERT_EQ(StartProgram(), 0);
  const auto sensorBlock = [&](bool eeprom) {
    protocol::ParamWords block{};
    sensor->WithModel([&](sim::SensorModel& m) { block = eeprom ? m.eeprom : m.ram; });
    return block;
  };
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{7, 3}));
  // Shown as the sensor sent them, not clamped to the controls' ranges.
  EXPECT_EQ((Orders{Int("SlidePower"), Int("EditAverage"), Int("EditIntlim"), Int("EditMaxcolNo")}),
            (Orders{1200, 0, 5000, 31}));
  EXPECT_EQ(scope->block.pp[6], 40);  // the block keeps what the sensor sent
  EXPECT_EQ(Cell(5, 31), 4321);       // word 170
  QWidget* panel = toolkit->PanelWidget(Panel());
  Screenshot(panel, "scope-header.png", QRect(0, 0, panel->width(), 60));  // the header
  sensor->ClearLog();
  Click("SelectEEPROM");
  Click("ButtonGet");
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{4});
  EXPECT_EQ(Int("SlidePower"), 1100);
  auto expected = sensorBlock(true);  // words 9..15 and those beyond the ranges as read
  expected[4] = 256;
  expected[6] = 31;  // MAXVEC-No. as taken in
  expected[16 + 5 + 2] = 99;
  Type("EditHold", 256);
  SetCell(3, 2, 99);  // row 1, CTO
  for (const bool eeprom : {false, true}) {
    Click(eeprom ? "SelectEEPROM" : "SelectRAM");
    sensor->ClearLog();
    Click("ButtonSend");
    Orders orders(32, 2);  // the head, the 31 rows and, to EEPROM, the store
    orders[0] = 1;
    if (eeprom) orders.push_back(6);
    AwaitFrames(*sensor, orders.size());
    EXPECT_EQ(ReceivedOrders(*sensor), orders);
    EXPECT_EQ(sensorBlock(eeprom), expected);
  }
  EXPECT_TRUE(Boxes().empty());
  Click("SelectFILE");
  QTemporaryDir dir;
  const QString file = dir.filePath("set.dat");
  toolkit->Popups().QueueFile(2, file);
  Click("ButtonSend");
  const QByteArray saved = Read(file);
  EXPECT_EQ(saved, protocol::FormatParamFile(expected));
  SizeLimit(300);
  toolkit->Popups().QueueFile(1, file);
  Click("ButtonSend");
  SizeLimit(0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("ATTENTION!:  Saving the parameter file failed", 0), 0u) << Boxes()[0];
  EXPECT_EQ(Read(file), saved);
  Click("SelectFILE");  // switched off: back to RAM
  EXPECT_EQ(scope->frame.target, protocol::Target::RAM);
  EXPECT_EQ(Int("SelectRAM") * 10 + Int("SelectFILE"), 10);
}

// (A Send right after a Send is counted by the harness in the Get and Send case.)
TEST_F(ScopeFrame, AGoAZoomOrAPortChangeRightAfterASendWaitsForItsSettleDelay) {
  ASSERT_EQ(StartProgram(), 0);
  EveryRound([&] { scope->flags.poll = 0; });  // polling ends after its first request
  for (const auto& [control, order, frames] :
       {std::tuple{"ButtonGo", 5, 33}, {"ButtonZoom", 5, 33}, {"EditConnect", 7, 34}}) {
    sensor->ClearLog();
    Click("ButtonSend");
    order == 7 ? Type(control, 1) : Click(control);  // the same port again
    const std::vector<sim::LogEntry> log = AwaitFrames(*sensor, frames);
    ASSERT_EQ(log.size(), std::size_t(frames)) << control;
    EXPECT_EQ(log[32].bytes[3], order) << control;  // too early: the harness counts it
  }
}

// A start that cannot go on ends either program with -1 and one line on
// standard error naming why: a display that does not answer (Qt's platform
// plugin would abort), a layout bundle that is not where it belongs.
TEST(Programs, AFailedStartEndsWithMinusOneAndSaysWhy) {
  QTemporaryDir dir;
  const QString bin = QCoreApplication::applicationDirPath(), noDevice = dir.filePath("no-device");
  for (const char* program : {"TavixScope", "TavixCalib"}) {
    const QString alone = dir.filePath(program);
    ASSERT_TRUE(QFile::copy(bin + "/" + program, alone));
    QByteArray noDisplay, noLayout;
    const std::vector<std::pair<QString, QString>> displayGone = {{"QT_QPA_PLATFORM", ""},
                                                                  {"WAYLAND_DISPLAY", ""},
                                                                  {"DISPLAY", ":987"},
                                                                  {"TAVIX_COM1", noDevice}};
    EXPECT_EQ(RunProcess(bin + "/" + program, {}, displayGone, 5, &noDisplay), -1) << program;
    EXPECT_EQ(noDisplay,
              QByteArray(program) + ": no display could be opened (DISPLAY or QT_QPA_PLATFORM)\n");
    EXPECT_EQ(RunProcess(alone, {}, {{"TAVIX_COM1", noDevice}}, 5, &noLayout), -1) << program;
    // (Qt may warn before, of a runtime directory it lacks.)
    EXPECT_TRUE(noLayout.endsWith(QByteArray(program) + ": layout file " + alone.toUtf8() +
                                  ".uir is missing\n"))
        << noLayout.toStdString();
  }
}

}  // namespace
}  // namespace tavix::e2e
