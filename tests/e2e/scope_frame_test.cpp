// Start-up, line check, port choice and parameter transfer of the scope,
// against the simulator.

#include <csignal>

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Block = std::array<std::uint16_t, link::anzpara>;

// `base` with the header of `order` and `words` from byte 4 on.
Bytes Put(Bytes base, int order, const std::vector<std::uint16_t>& words) {
  base[1] = 0x55;  // bytes 0 and 2 are 0 in every frame here
  base[3] = static_cast<std::uint8_t>(order);
  for (std::size_t i = 0; i < words.size(); ++i) {
    base[4 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
    base[5 + 2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
  }
  return base;
}

// A Send of `pp` as the byte tables give it: order 1 with words 0..15, the 31
// rows (number and five words; the rest left over from the frame before) and,
// to EEPROM, order 6 with words 0..15.
std::vector<Bytes> SendFrames(const Block& pp, bool toEeprom) {
  const std::vector<std::uint16_t> head(pp.begin(), pp.begin() + 16);
  std::vector<Bytes> frames = {Put(Bytes(36), 1, head)};
  for (std::uint16_t r = 0; r < 31; ++r) {
    std::vector<std::uint16_t> row = {r};
    row.insert(row.end(), pp.begin() + 16 + 5 * r, pp.begin() + 21 + 5 * r);
    frames.push_back(Put(frames.back(), 2, row));
  }
  if (toEeprom) frames.push_back(Put(frames.back(), 6, head));
  return frames;
}

std::vector<Bytes> SentFrames(const sim::PtySensor& sensor, std::size_t count) {
  std::vector<Bytes> frames;
  for (const sim::LogEntry& e : AwaitFrames(sensor, count)) frames.push_back(e.bytes);
  return frames;
}

class ScopeFrame : public ScopeHarness {
 protected:
  // A block with words the program must carry unchanged: numbers beyond
  // the ranges the panel's controls offer, and words 9..15.
  void PrepareSensorBlock() {
    sensor->WithModel([](sim::SensorModel& m) {
      m.version = "TAVIX TEST SENSOR 4711";
      for (int i = 9; i <= 15; ++i) m.ram[i] = static_cast<std::uint16_t>(1000 + i);
      m.ram[0] = 1200;  // POWER, 0..1000 on the panel
      m.ram[2] = 0;     // AVERAGE, 1..65535
      m.ram[5] = 5000;  // INTLIM, 0..4095
      m.ram[6] = 40;    // MAXVEC-No.: taken in as 31
      m.ram[7] = 1;     // BINARY: no MAXVEC-No. warning
      m.ram[16 + 5 * 30 + 4] = 4321;
      m.eeprom = m.ram;
      m.eeprom[0] = 777;
    });
  }
  Block SensorRam() {
    Block ram{};
    sensor->WithModel([&](sim::SensorModel& m) { ram = m.ram; });
    return ram;
  }
};

TEST_F(ScopeFrame, StartUpReadsVersionThenRamBlockOntoThePanel) {
  PrepareSensorBlock();
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{7, 3}));
  EXPECT_EQ(Str("DispStatus"), QString("TAVIX TEST SENSOR 4711").leftJustified(48));
  EXPECT_TRUE(Boxes().empty());
  // Shown as the sensor sent them, not clamped to the controls' ranges.
  const std::pair<const char*, int> shown[] = {
      {"SlidePower", 1200}, {"EditAverage", 0}, {"EditIntlim", 5000}, {"EditMaxcolNo", 31}};
  for (const auto& [control, value] : shown) EXPECT_EQ(Int(control), value) << control;
  EXPECT_EQ(Str("EditIntlim"), "5000");
  EXPECT_EQ(scope->block.pp[6], 40);  // the block keeps what the sensor sent
  EXPECT_EQ(Cell(5, 31), 4321);       // word 170
  // A screen reader names a ring by its label and reads its item as the value.
  for (const auto& [ring, name] : {std::pair{"EditPmod", "PMOD"}, {"Evalmode", "EVALMODE"}}) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(W(ring));
    ASSERT_NE(a, nullptr) << ring;
    EXPECT_EQ(a->text(QAccessible::Name), name);
    EXPECT_EQ(a->text(QAccessible::Value), Str(ring));
  }
  EXPECT_TRUE(Str("DispPortInfo").contains(QString::fromStdString(sensor->DevicePath())));

  // The header, drawn once: branding 5's four texts and the logo.
  std::vector<QString> header;
  for (auto* text : toolkit->PanelWidget(Panel())->findChildren<QLabel*>()) {
    if (text->objectName().startsWith("TextMsg")) header.push_back(text->text());
  }
  EXPECT_EQ(header, (std::vector<QString>{"TAVIX-Scope V1.0", "Demo Instruments", "Tel. 555-0147",
                                          "www.example.com"}));
  EXPECT_FALSE(qobject_cast<QLabel*>(W("Logo"))->pixmap().isNull());
  if (const QByteArray dir = qgetenv("TAVIX_SCREENSHOT_DIR"); !dir.isEmpty()) {
    QWidget* panel = toolkit->PanelWidget(Panel());
    EXPECT_TRUE(panel->grab(QRect(0, 0, panel->width(), 60))
                    .save(QDir(QString::fromLocal8Bit(dir)).filePath("scope-header.png")));
  }
}

TEST_F(ScopeFrame, SilentSensorShowsTimeoutBoxBeforeTheMainPanel) {
  sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(Boxes(), Strings{Box("INFO!", scope::texts::InfoTimeout)});
  EXPECT_TRUE(toolkit->Popups().Shown()[0].visiblePanels.isEmpty());  // main panel not shown yet
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});
}

TEST_F(ScopeFrame, PortThatCannotBeOpenedShowsTheTableMessageOnly) {
  QTemporaryDir dir;
  qputenv("TAVIX_COM1", (dir.path() + "/no-such-device").toLocal8Bit());
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), "Cannot open port");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Str("DispPortInfo").contains("no-such-device"));
  EXPECT_TRUE(ReceivedOrders(*sensor).empty());

  // The sensor plugged in: Enter on the same number reconnects.
  qputenv("TAVIX_COM1", QByteArray::fromStdString(sensor->DevicePath()));
  Type("EditConnect", 1);
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{7, 3}));
  EXPECT_TRUE(Str("DispStatus").startsWith("TAVIX"));

  // Another port number reconnects to its device.
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  Type("EditConnect", 2);
  EXPECT_EQ(scope->lnk.st.com, 2);
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{7, 3, 7, 3}));
  EXPECT_TRUE(Str("DispStatus").startsWith("TAVIX"));
}

// Once the port is gone a Send reports that once and writes nothing more;
// frames that sat in a buffer when the line hung up are no success either.
TEST_F(ScopeFrame, ASendOnALostOrClosedPortGivesOneReport) {
  enum When { kBefore, kDuring, kNeverOpened };
  struct Case {
    When when;
    const char* target;
    const char* portLine;
  };
  QTemporaryDir dir;
  for (const Case c :
       {Case{kBefore, "SelectRAM", "hung up"}, Case{kBefore, "SelectEEPROM", "hung up"},
        Case{kDuring, "SelectRAM", "hung up"}, Case{kDuring, "SelectEEPROM", "hung up"},
        Case{kNeverOpened, "SelectRAM", "does not exist"}}) {
    SCOPED_TRACE(std::to_string(c.when) + c.target);
    EndProgram();
    sensor->Stop();
    StartSensor(/*pacing=*/c.when == kDuring);  // paced: every frame is written before the hang-up
    if (c.when == kNeverOpened) qputenv("TAVIX_COM1", dir.filePath("gone").toLocal8Bit());
    ASSERT_EQ(StartProgram(), 0);
    if (std::string(c.target) != "SelectRAM") Click(c.target);
    if (c.when == kBefore) {
      sensor->InjectFault(sim::Fault::kHangUp);
      Click("ButtonGet");  // the sensor hangs up on this request: reported
      toolkit->Popups().ClearShown();
    }
    if (c.when == kDuring) sensor->InjectFault(sim::Fault::kHangUp);  // at the first frame
    sensor->ClearLog();
    Click("ButtonSend");
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
    EXPECT_TRUE(Str("DispPortInfo").contains(c.portLine)) << Str("DispPortInfo").toStdString();
    EXPECT_EQ(ReceivedFrames(*sensor).size(), c.when == kDuring ? 1u : 0u);
  }
}

TEST_F(ScopeFrame, SendToRamAndEepromSendsTheFramesOfTheByteTables) {
  PrepareSensorBlock();
  ASSERT_EQ(StartProgram(), 0);
  Block expected = SensorRam();  // words 9..15 and those beyond the ranges exactly as read
  expected[4] = 256;
  expected[6] = 31;  // MAXVEC-No. as taken in
  expected[16 + 5 + 2] = 99;
  Type("EditHold", 256);
  SetCell(3, 2, 99);  // row 1, CTO
  sensor->ClearLog();
  Click("ButtonSend");
  EXPECT_EQ(SentFrames(*sensor, 32), SendFrames(expected, false));
  EXPECT_EQ(SensorRam(), expected);

  sensor->ClearLog();
  Click("SelectEEPROM");
  Click("ButtonSend");
  EXPECT_EQ(SentFrames(*sensor, 33), SendFrames(expected, true));
  sensor->WithModel([&](sim::SensorModel& m) { EXPECT_EQ(m.eeprom, expected); });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScopeFrame, AGoAZoomASendOrAPortChangeRightAfterASendWaitsForItsSettleDelay) {
  ASSERT_EQ(StartProgram(), 0);
  EveryRound([&] { scope->flags.poll = 0; });  // polling ends after its first request
  struct Case {
    const char* control;
    int order;           // of the first frame after the Send's 32
    std::size_t frames;  // all frames of both operations
  };
  const Case next[] = {
      {"ButtonGo", 5, 33}, {"ButtonZoom", 5, 33}, {"ButtonSend", 1, 64}, {"EditConnect", 7, 34}};
  for (const Case& c : next) {
    sensor->ClearLog();
    Click("ButtonSend");
    c.order == 7 ? Type(c.control, 1) : Click(c.control);  // the same port again
    const std::vector<Bytes> frames = SentFrames(*sensor, c.frames);
    ASSERT_EQ(frames.size(), c.frames) << c.control;
    EXPECT_EQ(frames[32][3], c.order) << c.control;
    const std::vector<sim::LogEntry> log = ReceivedFrames(*sensor);
    EXPECT_GE(log[32].time - log[0].time, 0.99) << c.control;
  }
  // The harness checks that the simulator counted no early frame.
}

TEST_F(ScopeFrame, GetFromEepromReadsOrderFourAndTogglesFallBackToRam) {
  PrepareSensorBlock();
  ASSERT_EQ(StartProgram(), 0);
  sensor->ClearLog();
  Click("SelectEEPROM");
  Click("ButtonGet");
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{4});
  EXPECT_EQ(Int("SlidePower"), 777);

  const std::pair<const char*, std::uint16_t> steps[] = {{"SelectFILE", scope::DATFILE},
                                                         {"SelectFILE", scope::RAM},
                                                         {"SelectRAM", scope::RAM},
                                                         {"SelectEEPROM", scope::EEPROM}};
  for (const auto& [click, target] : steps) {
    Click(click);  // switching the chosen one off falls back to RAM
    EXPECT_EQ(scope->frame.target, target) << click;
    EXPECT_EQ(Int("SelectRAM"), target == scope::RAM) << click;
    EXPECT_EQ(Int("SelectFILE"), target == scope::DATFILE) << click;
  }
}

class ScopeFiles : public ScopeFrame {
 protected:
  void SetUp() override {
    ScopeFrame::SetUp();
    PrepareSensorBlock();
    ASSERT_EQ(StartProgram(), 0);
    Click("SelectFILE");
    sensor->ClearLog();
  }
  QString Path(const char* name) const { return dir.filePath(name); }
  QByteArray Read(const char* name) const {
    QFile f(Path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void Write(const char* name, const QByteArray& content) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  QTemporaryDir dir;
};

TEST_F(ScopeFiles, SaveWritesAllWordsAndReadBackRestoresThem) {
  toolkit->Popups().QueueFile(2, Path("set.dat"));
  Click("ButtonSend");
  const QList<QByteArray> lines = Read("set.dat").split('\n');
  ASSERT_EQ(lines.size(), 172);  // 171 lines and the end of the last one
  EXPECT_EQ(lines[9], " 1009");
  EXPECT_EQ(lines[0], " 1200");  // beyond the POWER slider's range, as read
  EXPECT_EQ(lines[6], "   31");  // MAXVEC-No. as taken in
  const auto saved = scope->block.pp;

  Type("EditAverage", 3);
  SetCell(1, 1, 5);
  scope->block.pp[12] = 0;
  toolkit->Popups().QueueFile(1, Path("set.dat"));
  Click("ButtonGet");
  EXPECT_EQ(scope->block.pp, saved);
  EXPECT_EQ(Int("EditAverage"), saved[2]);
  EXPECT_EQ(Cell(1, 1), saved[16]);
  EXPECT_TRUE(ReceivedOrders(*sensor).empty());  // the file alone
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScopeFiles, BrokenFilesAreRefusedAndChangeNothing) {
  QByteArray lines;
  for (int i = 0; i < 170; ++i) lines += "1\n";
  Write("short.dat", lines);
  Write("wide.dat", lines + "70000\n");
  Write("word.dat", "abc" + lines);
  const auto before = scope->block.pp;
  const int average = Int("EditAverage");
  const std::pair<const char*, const char*> cases[] = {{"short.dat", "170"},
                                                       {"wide.dat", "70000"},
                                                       {"word.dat", "abc"},
                                                       {"missing.dat", "cannot be read"}};
  for (const auto& [file, says] : cases) {
    toolkit->Popups().ClearShown();
    toolkit->Popups().QueueFile(1, Path(file));
    Click("ButtonGet");
    ASSERT_EQ(Boxes().size(), 1u) << file;
    EXPECT_EQ(Boxes()[0].rfind("ATTENTION!: ", 0), 0u) << Boxes()[0];
    EXPECT_NE(Boxes()[0].find(says), std::string::npos) << Boxes()[0];
    EXPECT_EQ(scope->block.pp, before) << file;
    EXPECT_EQ(Int("EditAverage"), average);
  }
}

TEST_F(ScopeFiles, FailedSaveSaysSoAndKeepsTheEarlierFile) {
  toolkit->Popups().QueueFile(2, Path("no-such-dir/set.dat"));
  Click("ButtonSend");
  // A disk that fills up half way (a file size limit stands in for it, and
  // holds for root too).
  Write("keep.dat", "earlier content\n");
  toolkit->Popups().QueueFile(1, Path("keep.dat"));
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 300;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Click("ButtonSend");
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_EQ(Boxes().size(), 2u);
  for (const std::string& box : Boxes()) {
    EXPECT_EQ(box.rfind("ATTENTION!:  Saving the parameter file failed", 0), 0u) << box;
  }
  EXPECT_EQ(Read("keep.dat"), "earlier content\n");
}

TEST_F(ScopeFrame, ClosingTheMainPanelEndsTheProgramWithThePortClosed) {
  ASSERT_EQ(StartProgram(), 0);
  ASSERT_TRUE(port->IsOpen());
  After(50, [this] { toolkit->PanelWidget(Panel())->close(); });
  EXPECT_EQ(scope->RunAndShutDown(), 0);
  EXPECT_FALSE(port->IsOpen());
}

// The installed program, run as a user would: it finds its layout bundle
// next to itself.
TEST(ScopeProgram, MissingOrBrokenLayoutEndsWithMinusOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/TavixScope",
                          dir.filePath("TavixScope")));
  auto run = [&dir] {
    return RunProcess(
        dir.filePath("TavixScope"), {},
        {{"QT_QPA_PLATFORM", "offscreen"}, {"TAVIX_COM1", dir.filePath("no-device")}});
  };
  EXPECT_EQ(run(), -1);  // no bundle next to it
  QFile bundle(dir.filePath("TavixScope.uir"));
  ASSERT_TRUE(bundle.open(QIODevice::WriteOnly));
  bundle.write("this is not a layout bundle");
  bundle.close();
  EXPECT_EQ(run(), -1);
}

// A display that does not answer ends either program with -1 and no word
// of its own (Qt's platform plugin would abort it).
TEST(Programs, ADisplayThatDoesNotAnswerEndsWithMinusOne) {
  QTemporaryDir dir;
  for (const char* program : {"TavixScope", "TavixCalib"}) {
    QByteArray errors;
    EXPECT_EQ(RunProcess(QCoreApplication::applicationDirPath() + "/" + program, {},
                         {{"QT_QPA_PLATFORM", ""},
                          {"WAYLAND_DISPLAY", ""},
                          {"DISPLAY", ":987"},
                          {"TAVIX_COM1", dir.filePath("no-device")}},
                         5, &errors),
              -1)
        << program;
    EXPECT_EQ(errors, "") << program;
  }
}

}  // namespace
}  // namespace tavix::e2e
