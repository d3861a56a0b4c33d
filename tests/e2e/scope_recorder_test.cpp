// The recorder of the scope against the simulator: what it records, shows
// and saves, every way a recording ends, failed saves, the recovery file (it
// holds each record as soon as it is taken, so that a killed program loses
// none). Intervals of 1 s, a few records each.
#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using Records = std::vector<Record>;
using namespace scope::texts;

// The record file of `count` records from `first` on: 20DEG, 60DEG, 80DEG,
// X, Y, INT and the raw GF word, right-aligned in 10 places.
QByteArray FileOf(const Records& sent, std::size_t count, std::size_t first = 0) {
  QByteArray file;
  for (std::size_t i = first; i < first + count; ++i) {
    for (int word : {0, 1, 2, 3, 4, 5, 10})
      file += QByteArray::number(sent[i][word]).rightJustified(10);
    file += '\n';
  }
  return file;
}

class ScopeRecorder : public ScopeHarness {
 protected:
  void SetUp() override {
    ScopeHarness::SetUp();
    GuardLoops(25000);  // a few 1 s intervals outlast the harness's
    // Noise makes every record its own; gloss words that give GF 853 (85.3 %).
    sensor->WithModel([](sim::SensorModel& m) {
      m.target = sim::Target{"test", 3.8, 4.0, 4.2, 40.0};
      m.ram[9] = 100;
      m.ram[11] = 469;
    });
    ASSERT_EQ(StartProgram(), 0);
    Click("ButtonOpenRecorder");
    onRecorder = true;
  }
  void TearDown() override {
    toolkit->Popups().SetObserver(nullptr);
    SizeLimit(0);
    ScopeHarness::TearDown();
  }
  int Panel() const override { return onRecorder ? scope->frame.recpanel : scope->frame.panel; }
  // Runs `step` every 20 ms; unlike EveryRound, lets the interval wait sleep.
  void Poll(std::function<void()> step) { Every(20, context.get(), std::move(step)); }
  void Plan(int interval, int count) {
    Type("EditInterval", interval);
    Type("EditRecVal", count);
  }
  // Starts a recording and returns at its end, the file dialogs answered
  // with `files` in turn (1: an existing file, 2: a new one, 0: cancelled),
  // the confirm boxes with `answers`.
  void StartRecording(const std::vector<std::pair<int, QString>>& files,
                      const std::vector<int>& answers) {
    for (const auto& [kind, path] : files) toolkit->Popups().QueueFile(kind, path);
    for (int yes : answers) toolkit->Popups().QueueConfirm(yes);
    Click("ButtonStartRecord");
  }
  // Records into `path`, answers the save question with `save`.
  void RecordInto(const QString& path, int save) {
    StartRecording({{QFile::exists(path) ? 1 : 2, path}}, {save});
  }
  // START red and the plan read-only, or START grey and the plan editable.
  bool Locked(bool on) const {
    return toolkit->BackColor(Panel(), "ButtonStartRecord") == (on ? kRed : kLightGrey) &&
           qobject_cast<QAbstractSpinBox*>(W("EditRecVal"))->isReadOnly() == on;
  }
  QString Path(const char* name) const { return dir.filePath(name); }
  QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files); }
  std::string Confirm(const QString& path) const { return Box("CONFIRM SAVING TO ", path); }
  std::string Saved() const { return Box("INFO!", MsgRecordFileSaved); }
  std::string Attention(const QString& text) const { return Box("ATTENTION!", text); }
  std::string Failed(const QString& path) const {
    return Attention(" Saving the record file failed: \n " + QDir::toNativeSeparators(path));
  }
  // Boxes(), the one at `at` cut to `head` when it starts so (the rest names the system's reason).
  Strings BoxesCut(std::size_t at, const std::string& head) const {
    Strings boxes = Boxes();
    if (at < boxes.size() && boxes[at].rfind(head, 0) == 0) boxes[at] = head;
    return boxes;
  }
  // The recovery file beside `file` failed `why`, and the recording went on.
  std::string RecoveryFailed(const QString& file, const QString& why) const {
    return Attention(" Writing the recovery file failed: \n " + QDir::toNativeSeparators(file) +
                     ".recovery \n " + why +
                     " \n The recording goes on; until they are saved, \n"
                     " the records are kept in memory only. ");
  }
  // `count` records left unsaved, `kept` as the recovery file holds them.
  std::string Unsaved(int count, const QString& kept) const {
    return Attention(QString(" The %1 records were not saved, \n and ").arg(count) + kept +
                     " \n Choose a file for them now? \n"
                     " Otherwise they are lost when the next recording starts. ");
  }

  bool onRecorder = false;
  QTemporaryDir dir;
};

TEST_F(ScopeRecorder, StopInTheThirdIntervalSavesExactlyTheThreeRecordsTaken) {
  // The record time of interval x count (the unit suite has the cases), here
  // for the largest plan the layout allows: just below 2^31 s.
  const int maxInterval = qobject_cast<QSpinBox*>(W("EditInterval"))->maximum();
  const int maxCount = qobject_cast<QSpinBox*>(W("EditRecVal"))->maximum();
  Plan(maxInterval, maxCount);
  EXPECT_EQ((std::vector{Int("DispRecordTimeDays"), Int("DispRecordTimeHours"),
                         Int("DispRecordTimeMinutes"), Int("DispRecordTimeSeconds")}),
            (std::vector{24854, 17, 53, 20}));

  Plan(1, 10);
  bool lockedWhileRecording = false;
  QByteArray recoveryDuring;
  double stopped = 0;
  Poll([&] {
    if (Sent() == 3 && stopped == 0) {
      lockedWhileRecording = Locked(true);
      recoveryDuring = Read(Path("rec.dat.recovery"));
      stopped = Timer();
      Click("ButtonStopRecord");
    }
  });
  RecordInto(Path("rec.dat"), 1);

  const Records sent = sensor->SentRecords();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0][10], 853);  // the raw GF word
  EXPECT_EQ(Read(Path("rec.dat")), FileOf(sent, 3));
  EXPECT_EQ(recoveryDuring, FileOf(sent, 2));  // each record taken, as a kill would leave it
  EXPECT_EQ(Files(), QStringList{"rec.dat"});  // and the recovery file is gone
  EXPECT_EQ(Boxes(), (Strings{Confirm(Path("rec.dat")), Saved()}));
  EXPECT_LT(scope->rec.waitEnded - stopped, 0.1);  // Stop acts at once
  // The panel shows the last reading, the counts and the whole recording.
  const std::pair<const char*, int> shown[] = {
      {"RecR1", 0}, {"RecG1", 1}, {"RecB1", 2}, {"RecR2", 0},  {"RecG2", 1},
      {"RecB2", 2}, {"RecX", 3},  {"RecY", 4},  {"RecINT", 5}, {"RecGF", 10}};
  for (const auto& [name, word] : shown) EXPECT_EQ(Int(name), sent.back()[word]) << name;
  EXPECT_EQ(std::pair(Int("DispRecordedValues"), Int("DispRemaining")), std::pair(3, 7));
  for (int trace = 1; trace <= 5; ++trace) {  // 20DEG, 60DEG, 80DEG, INT, GF
    std::vector<double> column;
    for (const Record& r : sent) column.push_back(r[std::array{0, 1, 2, 5, 10}[trace - 1]]);
    EXPECT_EQ(toolkit->TraceValues(Panel(), "GraphRecord", trace), column) << trace;
  }
  EXPECT_TRUE(lockedWhileRecording && Locked(false));
  // One interval between readings.
  const std::vector<sim::LogEntry> frames = ReceivedFrames(*sensor);
  EXPECT_NEAR(frames.back().time - frames.rbegin()[1].time, 1.25, 0.26);
}

// A time-out on the fifth reading ends the recording; the four records
// taken are offered and saved. (A failed save that keeps the earlier file,
// and another file that takes the records, are the cases below.)
TEST_F(ScopeRecorder, ATimeOutOnTheFifthReadingOffersTheFourRecordsTaken) {
  Plan(1, 10);
  bool injected = false;
  Poll([&] {
    if (Sent() == 4 && !std::exchange(injected, true)) sensor->InjectFault(sim::Fault::kSilence);
  });
  RecordInto(Path("rec.dat"), 1);
  EXPECT_EQ(Boxes(), (Strings{Box(scope->lnk.VersionText(), InfoTimeoutVer),
                              Confirm(Path("rec.dat")), Saved()}));
  EXPECT_EQ(Read(Path("rec.dat")), FileOf(sensor->SentRecords(), 4));
  EXPECT_EQ(Files(), QStringList{"rec.dat"});
}

// Nothing is recorded without a file or when the user keeps an existing
// one; a recording whose first reading fails holds nothing: no save is
// offered and no file is left. An existing file is replaced only on yes; a
// save that fails under a file size limit leaves it, and when the user gives
// up the recovery file keeps the records.
TEST_F(ScopeRecorder, NoFileOrNoReadingKeepsNothingAndAFailedReplacementKeepsTheOldFile) {
  QFile old(Path("old.dat"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("earlier content\n") == 16);
  old.close();
  Plan(1, 1);
  StartRecording({{0, ""}}, {});  // cancelled
  StartRecording({{1, Path("old.dat")}}, {0});
  EXPECT_EQ(DataRequests(), 0);
  EXPECT_TRUE(Locked(false));
  sensor->InjectFault(sim::Fault::kSilence);
  StartRecording({{2, Path("rec.dat")}}, {});
  EXPECT_EQ(Boxes(), (Strings{Attention(MsgNoRecordFile), Attention(MsgRecordFileExists),
                              Box(scope->lnk.VersionText(), InfoTimeoutVer),
                              Attention(" No value was recorded! \n There is nothing to save. ")}));
  EXPECT_EQ(Files(), QStringList{"old.dat"});
  EXPECT_TRUE(Locked(false));

  // Yes, then the save fails and the user cancels the choice of another file.
  toolkit->Popups().ClearShown();
  toolkit->Popups().SetObserver([](const ui::PopupRecord& p) {
    if (p.title == "CONFIRM SAVING TO ") SizeLimit(50);
  });
  StartRecording({{1, Path("old.dat")}, {0, ""}}, {1, 1});
  SizeLimit(0);
  const std::string failed = Failed(Path("old.dat")) + " \n only 50 of 71 bytes";
  EXPECT_EQ(BoxesCut(3, failed),
            (Strings{Attention(MsgRecordFileExists), Attention(MsgRecordFileInUse),
                     Confirm(Path("old.dat")), failed,
                     Attention(" The records were not saved. \n The recovery file \n " +
                               QDir::toNativeSeparators(Path("old.dat")) +
                               ".recovery \n holds 1 of them. ")}));
  EXPECT_EQ(Read(Path("old.dat")), "earlier content\n");
  EXPECT_EQ(Read(Path("old.dat.recovery")), FileOf(sensor->SentRecords(), 1));
  EXPECT_TRUE(Locked(false));
}

// The record file's directory removed during a recording: the recovery file
// that went with it is reported when it goes, never cited later, and the
// records are offered again before they are dropped.
TEST_F(ScopeRecorder, ADirectoryRemovedDuringARecordingLosesNoRecordUnasked) {
  const QString sub = Path("sub"), file = Path("sub/rec.dat");
  ASSERT_TRUE(QDir().mkdir(sub));
  Plan(1, 3);
  bool removed = false;
  Poll([&] {
    if (Sent() == 2 && !std::exchange(removed, true)) QDir(sub).removeRecursively();
  });
  // Save; no other file at first; choose a file after all.
  StartRecording({{2, file}, {0, ""}, {2, Path("all.dat")}}, {1, 1});
  EXPECT_EQ(BoxesCut(2, Failed(file)),
            (Strings{RecoveryFailed(file, "the file has been removed"), Confirm(file), Failed(file),
                     Unsaved(3, "no recovery file holds them."), Saved()}));
  EXPECT_EQ(Read(Path("all.dat")), FileOf(sensor->SentRecords(), 3));
  EXPECT_EQ(Files(), QStringList{"all.dat"});
}

// A recovery file on a disk that fills (a file size limit) is reported once,
// when it happens, and the recording goes on; after a failed save it is
// cited with the records it really holds and the re-save is offered again.
TEST_F(ScopeRecorder, ARecoveryFileOnAFullDiskIsReportedOnceAndNeverOverstated) {
  Plan(1, 4);
  SizeLimit(2 * 71 + 30);  // two records fit, the record file of four does not
  StartRecording({{2, Path("rec.dat")}, {0, ""}}, {1, 0});  // save, then leave them unsaved
  SizeLimit(0);
  const QString file = Path("rec.dat"), recovery = QDir::toNativeSeparators(file + ".recovery");
  EXPECT_EQ(
      BoxesCut(2, Failed(file)),
      (Strings{RecoveryFailed(file, "the disk is full"), Confirm(file), Failed(file),
               Unsaved(4, "the recovery file \n " + recovery + " \n holds only 2 of them.")}));
  EXPECT_EQ(Sent(), 4u);
  EXPECT_EQ(Read(file + ".recovery"), FileOf(sensor->SentRecords(), 2));
  EXPECT_EQ(Files(), QStringList{"rec.dat.recovery"});
}

// Closing the recorder ends the recording and asks on the main panel; "no"
// writes nothing and removes the recovery file.
TEST_F(ScopeRecorder, CloseDuringARecordingAsksOnTheMainPanelAndNoWritesNothing) {
  for (const bool button : {true, false}) {
    SCOPED_TRACE(button ? "CLOSE button, yes" : "window closed, no");
    if (!toolkit->PanelWidget(Panel())->isVisible()) {
      QTest::mouseClick(toolkit->Control(scope->frame.panel, "ButtonOpenRecorder"), Qt::LeftButton);
    }
    Plan(1, 10);
    const std::size_t start = Sent();
    QObject steps;
    Every(20, &steps, [&] {
      if (Sent() != start + 1 || !Locked(true)) return;
      button ? Click("ButtonCloseRecorder") : void(toolkit->PanelWidget(Panel())->close());
    });
    toolkit->Popups().ClearShown();
    RecordInto(Path("rec.dat"), button);
    ASSERT_EQ(Boxes(), (button ? Strings{Confirm(Path("rec.dat")), Saved()}
                               : Strings{Confirm(Path("rec.dat"))}));
    EXPECT_EQ(toolkit->Popups().Shown()[1].visiblePanels, QStringList{"ScopePanel"});
    EXPECT_EQ(Sent(), start + 1);
    EXPECT_EQ(Read(Path("rec.dat")),
              button ? FileOf(sensor->SentRecords(), 1, start) : "<unreadable>");
    EXPECT_EQ(Files().size(), button ? 1u : 0u);  // no recovery file either way
    QFile::remove(Path("rec.dat"));
    EXPECT_TRUE(Locked(false));
  }
}

// With TAVIX_SCREENSHOT_DIR set: the recorder panel during a recording, the
// targets changed after 6 and 12 readings.
TEST_F(ScopeRecorder, Screenshot) {
  if (qgetenv("TAVIX_SCREENSHOT_DIR").isEmpty()) GTEST_SKIP() << "TAVIX_SCREENSHOT_DIR not set";
  Plan(1, 20);
  for (const auto& [ms, target] : {std::pair{5500, sim::Target{"test", 4.4, 3.6, 3.9, 60.0}},
                                   {11500, sim::Target{"test", 3.6, 4.3, 4.0, 25.0}}}) {
    After(ms,
          [this, t = target] { sensor->WithModel([&](sim::SensorModel& m) { m.target = t; }); });
  }
  After(16300, [&] {
    Screenshot(toolkit->PanelWidget(Panel()), "recorder.png");
    Click("ButtonStopRecord");
  });
  RecordInto(Path("rec.dat"), 0);
}

}  // namespace
}  // namespace tavix::e2e
