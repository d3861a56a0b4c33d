// The recorder of the scope against the simulator: what it records, shows
// and saves, every way a recording ends, failed saves, the recovery file,
// and what its interval wait costs. Intervals of 1 s and a few records.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using Records = std::vector<Record>;

// The record file of the first `count` records the simulator sent: 20DEG,
// 60DEG, 80DEG, X, Y, INT and the raw GF word, right-aligned in 10 places.
QByteArray FileOf(const Records& sent, std::size_t count) {
  QByteArray file;
  for (std::size_t i = 0; i < count; ++i) {
    const Record& r = sent[i];
    file += QString::asprintf("%10u%10u%10u%10u%10u%10u%10u\n", r[0], r[1], r[2], r[3], r[4], r[5],
                              r[10])
                .toLatin1();
  }
  return file;
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool Write(const QString& path, const QByteArray& content) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// Root writes into a read-only directory unless it gives up the capability
// to; the effective set is the calling thread's, the permitted set stays.
bool SetDacOverride(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
    __user_cap_data_struct& d = data[cap / 32];
    const std::uint32_t bit = 1u << (cap % 32);
    d.effective = on ? d.effective | (bit & d.permitted) : d.effective & ~bit;
  }
  return syscall(SYS_capset, &header, data) == 0;
}

class ScopeRecorder : public ScopeHarness {
 protected:
  void SetUp() override {
    ScopeHarness::SetUp();
    ResetSteps();
    // Noise makes every record its own; gloss words that give GF 853 (85.3 %).
    sensor->WithModel([](sim::SensorModel& m) {
      m.target = sim::Target{"test", 3.8, 4.0, 4.2, 40.0};
      m.ram[9] = 100;
      m.ram[11] = 469;
      m.version = "TAVIX RECORDER TEST";
    });
    ASSERT_EQ(StartProgram(), 0);
    OpenRecorder();
  }
  void TearDown() override {
    toolkit->Popups().SetObserver(nullptr);
    ScopeHarness::TearDown();
  }

  // Drops the pending steps. A recording of a few 1 s intervals outlasts the
  // harness's guard against a hanging loop: a longer one replaces it.
  void ResetSteps() {
    context = std::make_unique<QObject>();
    QTimer::singleShot(25000, context.get(), [this] {
      if (StopLoops()) ADD_FAILURE() << "a recording was still running after 25 s";
    });
  }

  int Panel() const override { return onRecorder ? scope->frame.recpanel : scope->frame.panel; }
  void OpenRecorder() {
    onRecorder = false;
    Click("ButtonOpenRecorder");
    onRecorder = true;
  }
  void Plan(int interval, int count) {
    Type("EditInterval", interval);
    Type("EditRecVal", count);
  }
  // Starts a recording into `path` (a new file) and returns when it has ended.
  void RecordInto(const QString& path, int save) {
    toolkit->Popups().QueueFile(QFile::exists(path) ? 1 : 2, path);
    toolkit->Popups().QueueConfirm(save);
    Click("ButtonStartRecord");
  }
  bool Locked() const {
    return toolkit->BackColor(scope->frame.recpanel, "ButtonStartRecord") == kRed &&
           qobject_cast<QAbstractSpinBox*>(toolkit->Control(scope->frame.recpanel, "EditRecVal"))
               ->isReadOnly();
  }
  bool Unlocked() const {
    return toolkit->BackColor(scope->frame.recpanel, "ButtonStartRecord") == kLightGrey &&
           !qobject_cast<QAbstractSpinBox*>(toolkit->Control(scope->frame.recpanel, "EditRecVal"))
                ->isReadOnly();
  }
  std::vector<int> RecordTime() const {
    return {Int("DispRecordTimeDays"), Int("DispRecordTimeHours"), Int("DispRecordTimeMinutes"),
            Int("DispRecordTimeSeconds")};
  }
  QString Path(const char* name) const { return dir.filePath(name); }
  QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
  std::string Confirm(const QString& path) const { return Box("CONFIRM SAVING TO ", path); }
  std::string Saved() const { return Box("INFO!", scope::texts::MsgRecordFileSaved); }
  std::string Timeout() const {
    return Box(scope->lnk.VersionText(), scope::texts::InfoTimeoutVer);
  }

  bool onRecorder = false;
  QTemporaryDir dir;
};

TEST_F(ScopeRecorder, TheFileHoldsExactlyTheRecordsTakenFieldByField) {
  Plan(1, 3);
  const double transbeg = scope->lnk.st.transbeg, waitdel = scope->lnk.st.waitdel;
  bool lockedWhileRecording = false;
  EveryRound([&] {
    if (Sent() == 2) lockedWhileRecording = Locked();
  });
  RecordInto(Path("rec.dat"), 1);

  const Records sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0][10], 853);
  EXPECT_EQ(Read(Path("rec.dat")), FileOf(sent, 3));
  EXPECT_EQ(Files(), QStringList{"rec.dat"});  // the recovery file is gone
  EXPECT_EQ(Boxes(), (Strings{Confirm(Path("rec.dat")), Saved()}));
  const ui::PopupRecord& dialog = toolkit->Popups().Shown().front();
  EXPECT_EQ(dialog.title, "FILENAME!");
  EXPECT_EQ(dialog.text, "record.dat");
  EXPECT_EQ(dialog.filter, "*.dat");
  EXPECT_EQ(dialog.directory, scope->frame.proj_dir);

  // The panel shows the last reading, the counts and the whole recording.
  const Record& last = sent.back();
  std::vector<int> shown, expected;
  for (const char* name :
       {"RecR1", "RecG1", "RecB1", "RecR2", "RecG2", "RecB2", "RecX", "RecY", "RecINT", "RecGF"}) {
    shown.push_back(Int(name));
  }
  for (int word : {0, 1, 2, 0, 1, 2, 3, 4, 5, 10}) expected.push_back(last[word]);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(Int("DispRecordedValues"), 3);
  EXPECT_EQ(Int("DispRemaining"), 0);
  const int chartWords[] = {0, 1, 2, 5, 10};  // 20DEG, 60DEG, 80DEG, INT, GF
  for (int trace = 1; trace <= 5; ++trace) {
    std::vector<double> column;
    for (const Record& r : sent) column.push_back(r[chartWords[trace - 1]]);
    EXPECT_EQ(toolkit->TraceValues(Panel(), "GraphRecord", trace), column) << trace;
  }

  EXPECT_TRUE(lockedWhileRecording);
  EXPECT_TRUE(Unlocked());
  // One interval between readings; the settle-wait values untouched.
  const std::vector<sim::LogEntry> frames = ReceivedFrames(*sensor);
  for (std::size_t i = frames.size() - 2; i < frames.size(); ++i) {
    EXPECT_GE(frames[i].time - frames[i - 1].time, 0.99);
    EXPECT_LT(frames[i].time - frames[i - 1].time, 1.5);
  }
  EXPECT_EQ(scope->lnk.st.transbeg, transbeg);
  EXPECT_EQ(scope->lnk.st.waitdel, waitdel);
}

TEST_F(ScopeRecorder, StopDuringTheIntervalWaitAfterTheThirdReadingKeepsThreeRecords) {
  Plan(1, 10);
  EveryRound([&] {
    if (Sent() == 3 && scope->flags.pollrecord == 1) Click("ButtonStopRecord");
  });
  RecordInto(Path("rec.dat"), 1);
  EXPECT_EQ(DataRequests(), 3);
  EXPECT_EQ(Read(Path("rec.dat")), FileOf(sensor->SentRecords(), 3));
  EXPECT_EQ(Int("DispRecordedValues"), 3);
  EXPECT_EQ(Int("DispRemaining"), 7);
  EXPECT_TRUE(Unlocked());
}

TEST_F(ScopeRecorder, ATimeOutOnTheFifthReadingIsReportedAndFourRecordsAreOffered) {
  Plan(1, 10);
  bool injected = false;
  EveryRound([&] {
    if (Sent() == 4 && !injected) {
      injected = true;
      sensor->InjectFault(sim::Fault::kSilence);
    }
  });
  RecordInto(Path("rec.dat"), 1);
  EXPECT_EQ(Boxes(), (Strings{Timeout(), Confirm(Path("rec.dat")), Saved()}));
  onRecorder = false;
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(DataRequests(), 5);
  EXPECT_EQ(Read(Path("rec.dat")), FileOf(sensor->SentRecords(), 4));
}

TEST_F(ScopeRecorder, NoFileOrAnExistingFileAnsweredNoRecordsNothing) {
  ASSERT_TRUE(Write(Path("old.dat"), "earlier content\n"));
  Plan(1, 1);
  const int before = DataRequests();

  toolkit->Popups().QueueFile(0, "");  // cancelled
  Click("ButtonStartRecord");
  toolkit->Popups().QueueFile(1, Path("old.dat"));
  toolkit->Popups().QueueConfirm(0);
  Click("ButtonStartRecord");
  EXPECT_EQ(Boxes(), (Strings{Box("ATTENTION!", scope::texts::MsgNoRecordFile),
                              Box("ATTENTION!", scope::texts::MsgRecordFileExists)}));
  EXPECT_EQ(DataRequests(), before);
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(Read(Path("old.dat")), "earlier content\n");

  // Yes: the warning, then the file is replaced by the recording.
  toolkit->Popups().ClearShown();
  toolkit->Popups().QueueConfirm(1);
  RecordInto(Path("old.dat"), 1);
  EXPECT_EQ(Boxes(), (Strings{Box("ATTENTION!", scope::texts::MsgRecordFileExists),
                              Box("ATTENTION!", scope::texts::MsgRecordFileInUse),
                              Confirm(Path("old.dat")), Saved()}));
  EXPECT_EQ(Read(Path("old.dat")), FileOf(sensor->SentRecords(), 1));
}

TEST_F(ScopeRecorder, NoToTheSaveQuestionWritesNothingAndRemovesTheRecoveryFile) {
  Plan(1, 2);
  QByteArray recoveryDuring;
  EveryRound([&] {
    if (Sent() == 2 && recoveryDuring.isEmpty()) recoveryDuring = Read(Path("rec.dat.recovery"));
  });
  RecordInto(Path("rec.dat"), 0);
  // While recording, each record was in the recovery file as soon as it was taken.
  EXPECT_EQ(recoveryDuring, FileOf(sensor->SentRecords(), 1));
  EXPECT_EQ(Boxes(), Strings{Confirm(Path("rec.dat"))});
  EXPECT_TRUE(Files().isEmpty());
  EXPECT_TRUE(Unlocked());
}

TEST_F(ScopeRecorder, CloseDuringARecordingEndsWithTheSaveQuestionOnTheMainPanel) {
  const std::tuple<const char*, bool, const char*> ways[] = {{"CLOSE button", true, "rec1.dat"},
                                                             {"window closed", false, "rec2.dat"}};
  for (const auto& [way, button, file] : ways) {
    SCOPED_TRACE(way);
    if (!onRecorder) OpenRecorder();
    Plan(1, 10);
    const std::size_t start = Sent();
    bool closed = false;
    EveryRound([&, button = button] {
      if (Sent() != start + 2 || closed) return;
      closed = true;
      if (button) {
        Click("ButtonCloseRecorder");
      } else {
        toolkit->PanelWidget(scope->frame.recpanel)->close();
      }
    });
    toolkit->Popups().ClearShown();
    RecordInto(Path(file), 1);
    ASSERT_EQ(Boxes(), (Strings{Confirm(Path(file)), Saved()}));
    const ui::PopupRecord& question = toolkit->Popups().Shown()[1];
    EXPECT_EQ(question.visiblePanels, QStringList{"ScopePanel"});
    EXPECT_EQ(Sent(), start + 2);
    const Records sent = sensor->SentRecords();
    EXPECT_EQ(Read(Path(file)), FileOf(Records(sent.begin() + start, sent.end()), 2));
    EXPECT_TRUE(Unlocked());
    onRecorder = false;
    ResetSteps();  // the step above must not fire again
  }
}

// A save that fails is reported with the file and the reason; the records
// stay, and the dialog offers another file until a save succeeds or the
// user declines, when the recovery file keeps them.
TEST_F(ScopeRecorder, AFailedSaveIsReportedAndASecondSaveElsewhereHoldsAllRecords) {
  struct Case {
    const char* name;
    bool readOnlyDirectory;  // otherwise a file size limit hits the save
    bool saveElsewhere;      // otherwise the user declines
  };
  const Case cases[] = {{"read-only directory", true, true},
                        {"file size limit", false, true},
                        {"declined", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir locked, elsewhere;
    const QString first = locked.filePath("rec.dat");
    const QString second = elsewhere.filePath("all.dat");
    ASSERT_TRUE(Write(first, "earlier content\n"));
    toolkit->Popups().ClearShown();
    const int requestsBefore = DataRequests();

    bool dropped = false;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    if (c.readOnlyDirectory) {
      ASSERT_TRUE(QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner));
      if (Write(locked.filePath("probe"), "x")) {  // root
        QFile::remove(locked.filePath("probe"));
        dropped = SetDacOverride(false);
        if (!dropped || Write(locked.filePath("probe"), "x")) {
          QFile::setPermissions(locked.path(),
                                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
          GTEST_SKIP() << "cannot lock a directory";
        }
      }
    } else {
      // The disk fills up just as the records are saved.
      std::signal(SIGXFSZ, SIG_IGN);
      toolkit->Popups().SetObserver([&](const ui::PopupRecord& p) {
        rlimit small = old;
        small.rlim_cur = 100;
        if (p.title == "CONFIRM SAVING TO ") setrlimit(RLIMIT_FSIZE, &small);
        if (p.title == "ATTENTION!" && p.text.contains("failed")) setrlimit(RLIMIT_FSIZE, &old);
      });
    }
    Plan(1, 2);
    toolkit->Popups().QueueFile(1, first);
    toolkit->Popups().QueueConfirm(1);  // replace the earlier file
    toolkit->Popups().QueueConfirm(1);  // save
    if (c.saveElsewhere) toolkit->Popups().QueueFile(2, second);
    Click("ButtonStartRecord");
    setrlimit(RLIMIT_FSIZE, &old);
    toolkit->Popups().SetObserver(nullptr);
    if (dropped) SetDacOverride(true);
    QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const Strings boxes = Boxes();
    ASSERT_GE(boxes.size(), 5u);
    EXPECT_EQ(boxes.rbegin()[2], Confirm(first));
    const std::string failure = boxes.rbegin()[1];
    EXPECT_EQ(failure.rfind("ATTENTION!:  Saving the record file failed: \n " +
                                QDir::toNativeSeparators(first).toStdString(),
                            0),
              0u)
        << failure;
    EXPECT_NE(failure.find(c.readOnlyDirectory ? "ermission" : "only 100 of 142 bytes"),
              std::string::npos)
        << failure;
    EXPECT_EQ(boxes.size(), c.readOnlyDirectory ? 6u : 5u);  // and the missing recovery file
    EXPECT_EQ(Read(first), "earlier content\n");
    const Records sent = sensor->SentRecords();
    EXPECT_EQ(DataRequests() - requestsBefore, 2);
    const QByteArray records = FileOf(Records(sent.end() - 2, sent.end()), 2);
    if (c.saveElsewhere) {
      EXPECT_EQ(boxes.back(), Saved());
      EXPECT_EQ(Read(second), records);
      EXPECT_EQ(QDir(locked.path()).entryList(QDir::Files), QStringList{"rec.dat"});
    } else {
      EXPECT_EQ(boxes.back(),
                Box("ATTENTION!", " The records were not saved. \n The recovery file \n " +
                                      QDir::toNativeSeparators(first) +
                                      ".recovery \n holds 2 of them. "));
      EXPECT_EQ(Read(first + ".recovery"), records);
    }
  }
}

// The child of the test below: the program records into the file it is
// given until it is killed.
TEST(ScopeRecorderChild, RecordsUntilKilled) {
  const QString file = qEnvironmentVariable("TAVIX_RECORDER_CHILD_FILE");
  if (file.isEmpty()) GTEST_SKIP() << "run by RecoveryFileAfterAKill only";
  ui::Toolkit toolkit;
  toolkit.Popups().SetScripted(true);
  link::SerialPort port;
  scope::Scope scope(toolkit, port);
  ASSERT_EQ(scope.StartUp(), 0);
  toolkit.DisplayPanel(scope.frame.panel);
  QTest::mouseClick(toolkit.Control(scope.frame.panel, "ButtonOpenRecorder"), Qt::LeftButton);
  toolkit.SetCtrlVal(scope.frame.recpanel, "EditInterval", 1);
  toolkit.SetCtrlVal(scope.frame.recpanel, "EditRecVal", 100);
  toolkit.Popups().QueueFile(2, file);
  QTest::mouseClick(toolkit.Control(scope.frame.recpanel, "ButtonStartRecord"), Qt::LeftButton);
  ADD_FAILURE() << "the recording was not killed";
}

TEST_F(ScopeRecorder, AfterAKillTheRecoveryFileHoldsEveryRecordTaken) {
  scope->lnk.Close();  // the port is the child's
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TAVIX_RECORDER_CHILD_FILE", Path("rec.dat"));
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=ScopeRecorderChild.RecordsUntilKilled"});
  ASSERT_TRUE(child.waitForStarted());
  QElapsedTimer timer;
  timer.start();
  while (Read(Path("rec.dat.recovery")).count('\n') < 3 && timer.elapsed() < 15000) {
    QThread::msleep(20);
  }
  child.kill();  // SIGKILL
  ASSERT_TRUE(child.waitForFinished());
  EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

  const QByteArray recovered = Read(Path("rec.dat.recovery"));
  const Records sent = sensor->SentRecords();
  const auto taken = static_cast<std::size_t>(recovered.count('\n'));
  ASSERT_GE(taken, 3u);
  // Every reading but the one shown last (still waiting out its interval) was taken.
  EXPECT_GE(taken + 1, sent.size());
  EXPECT_EQ(recovered, FileOf(sent, taken));
  EXPECT_EQ(Files(), QStringList{"rec.dat.recovery"});
}

TEST_F(ScopeRecorder, TheIntervalWaitSleepsAndStopActsAtOnce) {
  Plan(10, 2);
  double wall = 0, cpu = 0, stopped = 0;
  After(1500, [&] {
    wall = -Timer();
    cpu = -ThreadCpuSeconds();
  });
  After(4500, [&] {
    wall += Timer();
    cpu += ThreadCpuSeconds();
    stopped = Timer();
    Click("ButtonStopRecord");
  });
  RecordInto(Path("rec.dat"), 0);
  const double waitEnded = scope->lnk.st.tstart + scope->lnk.st.tdiff;
  EXPECT_EQ(Sent(), 1u);
  EXPECT_GT(wall, 2.9);
  EXPECT_LT(cpu / wall, 0.02) << cpu << " s of CPU in " << wall << " s";
  EXPECT_LT(waitEnded - stopped, 0.1);
}

TEST_F(ScopeRecorder, OpeningEndsTheLiveCycleAndTheRecordTimeFollowsIntervalAndCount) {
  // Opened from a running live cycle: it ends, the main panel is hidden.
  Click("ButtonCloseRecorder");
  onRecorder = false;
  bool opened = false;
  EveryRound([&] {
    if (Sent() >= 3 && !opened) {
      opened = true;
      Click("ButtonOpenRecorder");
    }
  });
  Click("ButtonGo");
  onRecorder = true;
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_FALSE(toolkit->PanelWidget(scope->frame.panel)->isVisible());
  EXPECT_TRUE(toolkit->PanelWidget(Panel())->isVisible());
  EXPECT_EQ(toolkit->PanelWidget(Panel())->windowModality(), Qt::ApplicationModal);

  // The displays show interval x count (the unit suite has the cases).
  Plan(2, 10);
  EXPECT_EQ(RecordTime(), (std::vector<int>{0, 0, 0, 20}));
  EXPECT_EQ(Int("DispRecordedValues"), 0);
  EXPECT_EQ(Int("DispRemaining"), 10);
  // The layout keeps every plan within the store and below 2^31 s.
  auto* interval = qobject_cast<QSpinBox*>(W("EditInterval"));
  auto* count = qobject_cast<QSpinBox*>(W("EditRecVal"));
  EXPECT_EQ(std::pair(interval->minimum(), count->minimum()), std::pair(1, 1));
  EXPECT_EQ(count->maximum(), 50000);
  EXPECT_LT(std::int64_t{interval->maximum()} * count->maximum(), std::int64_t{1} << 31);
  Plan(interval->maximum(), count->maximum());
  EXPECT_EQ(RecordTime(), (std::vector<int>{24854, 17, 53, 20}));

  // Help texts answer right clicks and describe the controls.
  toolkit->Popups().ClearShown();
  const std::pair<const char*, const char*> help[] = {
      {"ButtonStartRecord", scope::texts::InfoButtonStartRecord},
      {"EditInterval", scope::texts::InfoEditInterval},
      {"DispRecordTimeHours", scope::texts::InfoDispRecordTime},
      {"GraphRecord", scope::texts::InfoGraphRecord}};
  Strings expected;
  for (const auto& [control, text] : help) {
    Click(control, Qt::RightButton);
    expected.push_back(Box("INFO!", text));
    EXPECT_EQ(W(control)->accessibleDescription(), text);
  }
  EXPECT_EQ(Boxes(), expected);
}

// With TAVIX_SCREENSHOT_DIR set: the recorder panel during a recording.
TEST_F(ScopeRecorder, Screenshot) {
  const QByteArray shots = qgetenv("TAVIX_SCREENSHOT_DIR");
  if (shots.isEmpty()) GTEST_SKIP() << "TAVIX_SCREENSHOT_DIR not set";
  Plan(1, 20);
  bool taken = false;
  EveryRound([&] {
    const std::size_t n = Sent();
    if (n == 6 || n == 12) {
      sensor->WithModel([n](sim::SensorModel& m) {
        m.target = n == 6 ? sim::Target{"test", 4.4, 3.6, 3.9, 60.0}
                          : sim::Target{"test", 3.6, 4.3, 4.0, 25.0};
      });
    }
    if (n == 16 && !taken) {
      taken = true;
      After(300, [&] {  // once the chart has laid out its axes
        EXPECT_TRUE(toolkit->PanelWidget(Panel())->grab().save(
            QDir(QString::fromLocal8Bit(shots)).filePath("recorder.png")));
        Click("ButtonStopRecord");
      });
    }
  });
  RecordInto(Path("rec.dat"), 0);
}

}  // namespace
}  // namespace tavix::e2e
