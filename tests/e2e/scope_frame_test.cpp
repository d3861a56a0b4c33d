// Start-up, line check, port choice and parameter transfer of the scope,
// against the simulator.
#include <sys/resource.h>

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "scope/help_texts.h"
#include "tests/e2e/scope_harness.h"

namespace tavix::e2e {
namespace {

using scope::texts::InfoTimeout;
using scope::texts::InfoTimeoutVer;

constexpr int kFrameWords = 16;

// Payload word i of a received frame.
int PayloadWord(const std::vector<std::uint8_t>& frame, int i) {
  return frame[4 + 2 * i] << 8 | frame[5 + 2 * i];
}

std::vector<sim::LogEntry> ReceivedFrames(const sim::PtySensor& sensor) {
  std::vector<sim::LogEntry> frames;
  for (const sim::LogEntry& e : sensor.FrameLog()) {
    if (e.received) frames.push_back(e);
  }
  return frames;
}

class ScopeFrame : public ScopeHarness {
 protected:
  // A block with words the program must carry unchanged, and a MAXVEC-No.
  // above what the panel can show.
  void PrepareSensorBlock() {
    sensor->WithModel([](sim::SensorModel& m) {
      m.version = "TAVIX TEST SENSOR 4711";
      for (int i = 9; i <= 15; ++i) m.ram[i] = static_cast<std::uint16_t>(1000 + i);
      m.ram[6] = 40;
      m.ram[7] = 1;  // BINARY: no MAXVEC-No. warning
      m.ram[16 + 5 * 30 + 4] = 4321;
      m.eeprom = m.ram;
      m.eeprom[0] = 777;
    });
  }
};

TEST_F(ScopeFrame, StartUpReadsVersionThenRamBlockOntoThePanel) {
  PrepareSensorBlock();
  ASSERT_EQ(StartProgram(), 0);

  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{7, 3}));
  EXPECT_TRUE(Str("DispStatus").startsWith("TAVIX TEST SENSOR 4711"));
  EXPECT_EQ(Str("DispStatus").size(), 48);
  EXPECT_TRUE(Popups().empty());
  EXPECT_EQ(Int("EditMaxcolNo"), 31);  // 40 is shown as 31
  EXPECT_EQ(scope->block.pp[6], 40);   // the block keeps what the sensor sent
  EXPECT_EQ(Cell(5, 31), 4321);        // word 170
  EXPECT_EQ(Int("SlidePower"), 500);
  EXPECT_TRUE(Str("DispPortInfo").contains(QString::fromStdString(sensor->DevicePath())));
}

TEST_F(ScopeFrame, SilentSensorShowsTimeoutBoxBeforeTheMainPanel) {
  sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
  ASSERT_EQ(StartProgram(), 0);

  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].title, "INFO!");
  EXPECT_EQ(Popups()[0].text, InfoTimeout);
  EXPECT_TRUE(Popups()[0].visiblePanels.isEmpty());  // the main panel is not shown yet
  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{7}));
}

TEST_F(ScopeFrame, PortThatCannotBeOpenedShowsTheTableMessageOnly) {
  QTemporaryDir dir;
  qputenv("TAVIX_COM1", (dir.path() + "/no-such-device").toLocal8Bit());
  ASSERT_EQ(StartProgram(), 0);

  EXPECT_EQ(Str("DispStatus"), "Cannot open port");
  EXPECT_TRUE(Popups().empty());
  EXPECT_TRUE(Str("DispPortInfo").contains("no-such-device"));
  EXPECT_TRUE(ReceivedOrders(*sensor).empty());
}

TEST_F(ScopeFrame, ChangingThePortReconnectsToTheNewDevice) {
  QTemporaryDir dir;
  qputenv("TAVIX_COM1", (dir.path() + "/absent").toLocal8Bit());
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  ASSERT_EQ(StartProgram(), 0);
  ASSERT_EQ(Str("DispStatus"), "Cannot open port");

  Type("EditConnect", 2);
  EXPECT_EQ(scope->lnk.st.com, 2);
  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{7, 3}));
  EXPECT_TRUE(Str("DispStatus").startsWith("TAVIX"));
  qunsetenv("TAVIX_COM2");
}

TEST_F(ScopeFrame, SendToRamAndEepromSendsTheDocumentedFrames) {
  PrepareSensorBlock();
  ASSERT_EQ(StartProgram(), 0);
  sensor->ClearLog();
  Type("EditAverage", 256);
  toolkit->SetTableCellVal(Panel(), "TeachTable", 3, 2, 99);  // row 1, CTO

  const std::uint64_t before = sensor->GetCounters().frames;
  Click("ButtonSend");
  ASSERT_TRUE(WaitForFrames(*sensor, before + 32));
  std::vector<sim::LogEntry> frames = ReceivedFrames(*sensor);
  ASSERT_EQ(frames.size(), 32u);
  EXPECT_EQ(PayloadWord(frames[0].bytes, 2), 256);
  EXPECT_EQ(PayloadWord(frames[0].bytes, 6), 31);  // MAXVEC-No. goes out as the panel shows it
  for (int i = 9; i <= 15; ++i) EXPECT_EQ(PayloadWord(frames[0].bytes, i), 1000 + i) << i;
  for (int r = 0; r < 31; ++r) {
    ASSERT_EQ(frames[1 + r].bytes.size(), 36u);
    EXPECT_EQ(frames[1 + r].bytes[3], 2);
    EXPECT_EQ(PayloadWord(frames[1 + r].bytes, 0), r);
  }
  EXPECT_EQ(PayloadWord(frames[2].bytes, 3), 99);
  sensor->WithModel([](sim::SensorModel& m) {
    EXPECT_EQ(m.ram[2], 256);
    EXPECT_EQ(m.ram[16 + 5 + 2], 99);
  });

  sensor->ClearLog();
  Click("SelectEEPROM");
  Click("ButtonSend");
  ASSERT_TRUE(WaitForFrames(*sensor, before + 32 + 33));
  frames = ReceivedFrames(*sensor);
  ASSERT_EQ(frames.size(), 33u);
  EXPECT_EQ(frames.back().bytes[3], 6);
  sensor->WithModel([](sim::SensorModel& m) { EXPECT_EQ(m.eeprom, m.ram); });
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeFrame, SecondSendWaitsForTheSettleDelayOfTheFirst) {
  ASSERT_EQ(StartProgram(), 0);
  sensor->ClearLog();
  const std::uint64_t before = sensor->GetCounters().frames;
  Click("ButtonSend");
  Click("ButtonSend");
  ASSERT_TRUE(WaitForFrames(*sensor, before + 64));
  const std::vector<sim::LogEntry> frames = ReceivedFrames(*sensor);
  ASSERT_EQ(frames.size(), 64u);
  EXPECT_GE(frames[32].time - frames[0].time, 0.99);
}

TEST_F(ScopeFrame, GetFromEepromReadsOrderFour) {
  PrepareSensorBlock();
  ASSERT_EQ(StartProgram(), 0);
  sensor->ClearLog();
  Click("SelectEEPROM");
  Click("ButtonGet");
  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{4}));
  EXPECT_EQ(Int("SlidePower"), 777);
}

TEST_F(ScopeFrame, TogglesFallBackToRam) {
  ASSERT_EQ(StartProgram(), 0);
  Click("SelectFILE");
  EXPECT_EQ(scope->frame.target, scope::DATFILE);
  EXPECT_EQ(Int("SelectRAM"), 0);
  Click("SelectFILE");  // switched off
  EXPECT_EQ(scope->frame.target, scope::RAM);
  EXPECT_EQ(Int("SelectRAM"), 1);
  EXPECT_EQ(Int("SelectFILE"), 0);
  Click("SelectRAM");  // RAM cannot be switched off
  EXPECT_EQ(Int("SelectRAM"), 1);
  EXPECT_EQ(scope->frame.target, scope::RAM);
  Click("SelectEEPROM");
  EXPECT_EQ(Int("SelectRAM"), 0);
  EXPECT_EQ(scope->frame.target, scope::EEPROM);
}

class ScopeFiles : public ScopeFrame {
 protected:
  void SetUp() override {
    ScopeFrame::SetUp();
    ASSERT_TRUE(dir.isValid());
    PrepareSensorBlock();
    ASSERT_EQ(StartProgram(), 0);
    Click("SelectFILE");
    sensor->ClearLog();
  }
  QString Path(const char* name) const { return dir.filePath(name); }
  void WriteFile(const char* name, const QByteArray& content) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  QTemporaryDir dir;
};

TEST_F(ScopeFiles, SaveWritesAllWordsAndReadBackRestoresThem) {
  toolkit->Popups().QueueFile(2, Path("set.dat"));
  Click("ButtonSend");
  EXPECT_TRUE(ReceivedOrders(*sensor).empty());
  QFile f(Path("set.dat"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  ASSERT_EQ(lines.size(), 172);  // 171 lines and the end of the last one
  EXPECT_EQ(lines[9], " 1009");
  EXPECT_EQ(lines[6], "   31");  // the panel's MAXVEC-No.
  const auto saved = scope->block.pp;

  Type("EditAverage", 3);
  toolkit->SetTableCellVal(Panel(), "TeachTable", 1, 1, 5);
  scope->block.pp[12] = 0;
  toolkit->Popups().QueueFile(1, Path("set.dat"));
  Click("ButtonGet");
  EXPECT_EQ(scope->block.pp, saved);
  EXPECT_EQ(Int("EditAverage"), saved[2]);
  EXPECT_EQ(Cell(1, 1), saved[16]);
  EXPECT_TRUE(ReceivedOrders(*sensor).empty());
  EXPECT_TRUE(Popups().empty());
}

TEST_F(ScopeFiles, BrokenFilesAreRefusedAndChangeNothing) {
  QByteArray shortFile;
  for (int i = 0; i < 170; ++i) shortFile += "1\n";
  QByteArray wideValue = shortFile + "70000\n";
  QByteArray word = shortFile;
  word.replace(0, 1, "abc");
  word += "1\n";
  WriteFile("short.dat", shortFile);
  WriteFile("wide.dat", wideValue);
  WriteFile("word.dat", word);
  const auto before = scope->block.pp;
  const int average = Int("EditAverage");

  struct Case {
    const char* file;
    const char* says;
  };
  for (const Case& c : {Case{"short.dat", "170"}, Case{"wide.dat", "70000"},
                        Case{"word.dat", "abc"}, Case{"missing.dat", "cannot be read"}}) {
    toolkit->Popups().ClearShown();
    toolkit->Popups().QueueFile(1, Path(c.file));
    Click("ButtonGet");
    ASSERT_EQ(Popups().size(), 1u) << c.file;
    EXPECT_EQ(Popups()[0].title, "ATTENTION!");
    EXPECT_TRUE(Popups()[0].text.contains(c.says)) << Popups()[0].text.toStdString();
    EXPECT_EQ(scope->block.pp, before) << c.file;
    EXPECT_EQ(Int("EditAverage"), average);
  }
}

TEST_F(ScopeFiles, FailedSaveSaysSoAndKeepsTheEarlierFile) {
  toolkit->Popups().QueueFile(2, Path("no-such-dir/set.dat"));
  Click("ButtonSend");
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].title, "ATTENTION!");
  EXPECT_TRUE(Popups()[0].text.contains("Saving the parameter file failed"));

  // A disk that fills up half way (a file size limit stands in for it, and
  // holds for root too).
  WriteFile("keep.dat", "earlier content\n");
  toolkit->Popups().ClearShown();
  toolkit->Popups().QueueFile(1, Path("keep.dat"));
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 300;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Click("ButtonSend");
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_TRUE(Popups()[0].text.contains("Saving the parameter file failed"));
  QFile f(Path("keep.dat"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "earlier content\n");
}

TEST_F(ScopeFiles, CancelledDialogChangesNothing) {
  toolkit->Popups().QueueFile(0, QString());
  const auto before = scope->block.pp;
  Click("ButtonGet");
  EXPECT_EQ(scope->block.pp, before);
  EXPECT_TRUE(Popups().empty());
}

}  // namespace
}  // namespace tavix::e2e

namespace tavix::e2e {
namespace {

// The installed program, run as a user would: it finds its layout bundle
// next to itself.
class ScopeProgram : public ::testing::Test {
 protected:
  int RunCopyWithBundle(const QByteArray* bundle) {
    const QString bin = QCoreApplication::applicationDirPath();
    QFile::remove(dir.filePath("TavixScope"));
    QFile::remove(dir.filePath("TavixScope.uir"));
    EXPECT_TRUE(QFile::copy(bin + "/TavixScope", dir.filePath("TavixScope")));
    if (bundle != nullptr) {
      QFile f(dir.filePath("TavixScope.uir"));
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(*bundle);
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TAVIX_COM1", dir.filePath("no-device"));
    program.setProcessEnvironment(env);
    program.start(dir.filePath("TavixScope"), {});
    // A program that got past its panels would wait for the user: give up then.
    if (!program.waitForFinished(5000)) {
      program.kill();
      program.waitForFinished();
      return 1000;
    }
    return static_cast<signed char>(program.exitCode());
  }
  QTemporaryDir dir;
};

TEST_F(ScopeProgram, MissingOrBrokenLayoutEndsWithMinusOne) {
  EXPECT_EQ(RunCopyWithBundle(nullptr), -1);
  const QByteArray garbage("this is not a layout bundle");
  EXPECT_EQ(RunCopyWithBundle(&garbage), -1);
}

TEST_F(ScopeFrame, ClosingTheMainPanelEndsTheProgramWithThePortClosed) {
  ASSERT_EQ(StartProgram(), 0);
  ASSERT_TRUE(port->IsOpen());
  QTimer::singleShot(50, [this] { toolkit->PanelWidget(Panel())->close(); });
  EXPECT_EQ(scope->RunAndShutDown(), 0);
  EXPECT_FALSE(port->IsOpen());
}

}  // namespace
}  // namespace tavix::e2e
