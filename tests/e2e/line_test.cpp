// The scope at a real line: the port list and a port chosen from it, what is
// remembered between two runs, where the file dialogs start, the line log
// and the chart export.
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "scope_harness.h"
#include "shell/settings.h"

namespace tavix::e2e {
namespace {

class Line : public ScopeHarness {
 protected:
  // Each case starts as a first start.
  void SetUp() override {
    QSettings("Tavix", "TavixScope").clear();
    ScopeHarness::SetUp();
  }
  QComboBox* Ports() const { return qobject_cast<QComboBox*>(W("SelectPort")); }
  QString Path(const sim::PtySensor& s) const { return QString::fromStdString(s.DevicePath()); }
};

// A first start is on COM 1 as documented (the system's first port, if any).
// A sensor that turns up as port 2 is listed once the list opens, answers
// when chosen there and drops from the list once it is no longer named. The
// next run starts on it as port 1 and says so, unless it is gone.
TEST_F(Line, APortChosenFromTheListIsPortOneOfTheNextRunUnlessItIsGone) {
  qunsetenv("TAVIX_COM1");
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_FALSE(Str("DispPortInfo").contains("remembered"));
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  QTest::mousePress(Ports(), Qt::LeftButton);  // a user opens it: listed anew first
  Ports()->hidePopup();
  const int at = Ports()->findText("^2  " + Path(*sensor), Qt::MatchRegularExpression);
  ASSERT_GE(at, 0) << "port 2 is not listed";
  Choose("SelectPort", at);  // as Enter with 2 in the COM field
  EXPECT_EQ(Int("EditConnect"), 2);
  EXPECT_TRUE(Str("DispStatus").startsWith("TAVIX"));
  EXPECT_TRUE(Str("DispPortInfo").contains(Path(*sensor)));
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{7, 3}));
  qunsetenv("TAVIX_COM2");
  scope->portList.Refresh();
  EXPECT_EQ(Ports()->findText(Path(*sensor), Qt::MatchContains), -1);

  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(scope->lnk.st.com, 1);
  EXPECT_EQ(Ports()->currentText().left(1), "1");
  EXPECT_EQ(Str("DispPortInfo"), "COM1: " + Path(*sensor) + " (remembered)");
  EXPECT_FALSE(scope->lnk.VersionText().isEmpty());

  scope->settings.SetLastDevice("/dev/tavix-gone");
  qunsetenv("TAVIX_COM1");
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_TRUE(Str("DispPortInfo").startsWith("COM1: "));
  EXPECT_TRUE(Str("DispPortInfo").endsWith(" (the remembered /dev/tavix-gone is gone)"));
}

TEST_F(Line, FileDialogsStartWhereFilesCanBeSavedAndWhereTheyWereLastAndCtrlSSavesTheChart) {
  QTemporaryDir writable;
  EXPECT_EQ(shell::DialogStartDirectory("", writable.path()), writable.path());
  EXPECT_EQ(shell::DialogStartDirectory("/no/such/dir", writable.path()), writable.path());

  // An installed program: its directory cannot be written (/proc: not for
  // anyone, root included).
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  ASSERT_EQ(StartProgram(), 0);
  scope->frame.proj_dir = "/proc";
  Click("SelectFILE");
  QTemporaryDir elsewhere;
  const QString file = elsewhere.filePath("mine.dat");
  toolkit->Popups().QueueFile(2, file);
  Click("ButtonSend");
  ASSERT_EQ(toolkit->Popups().Shown().size(), 1u);  // the dialog, no re-save, no box
  EXPECT_EQ(toolkit->Popups().Shown()[0].directory, documents);
  EXPECT_TRUE(QFile::exists(file));
  // The recorder's dialog starts in the documents too; the parameter file's
  // now where it was left.
  toolkit->Popups().ClearShown();
  toolkit->SetCtrlVal(scope->frame.recpanel, "EditInterval", 1);
  toolkit->SetCtrlVal(scope->frame.recpanel, "EditRecVal", 10);
  scope->Record();  // the dialog cancelled
  const ui::PopupRecord& dialog = toolkit->Popups().Shown().at(0);
  EXPECT_EQ(std::tuple(dialog.kind, dialog.directory, dialog.text),
            std::tuple(ui::PopupRecord::Kind::kFile, documents, QString("record.dat")));
  toolkit->Popups().ClearShown();
  Click("ButtonGet");
  EXPECT_EQ(toolkit->Popups().Shown().at(0).directory, elsewhere.path());

  // Ctrl+S saves the chart on show as a PNG of its size.
  toolkit->Popups().ClearShown();
  const QString png = elsewhere.filePath("graph.png");
  toolkit->Popups().QueueFile(2, png);
  QWidget* panel = toolkit->PanelWidget(Panel());
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  QTest::keyClick(panel->windowHandle(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(toolkit->Popups().Shown().size(), 1u);
  const QString shown = scope->ChartOnShow(Panel());
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_EQ(QImage(png).size(),
            W(shown.toLatin1().constData())->size() * panel->devicePixelRatio());
}

TEST_F(Line, LineLogHoldsTheBytesOfEachFrameAndAnswerAndRotates) {
  QTemporaryDir dir;
  const QString path = dir.filePath("line.log");
  MakeToolkitAndPort();
  scope = std::make_unique<scope::Scope>(*toolkit, *port);
  QString error;
  ASSERT_TRUE(scope->lineLog.Open(path, &error, 1500)) << error.toStdString();
  ASSERT_EQ(scope->StartUp(), 0);
  sensor->InjectFault(sim::Fault::kSilence);
  Click("ButtonGet");  // fails: the log says why
  // The two answers in hex are well over 1000 bytes: the log has rotated,
  // and the two files stay within the bound.
  QString log;
  for (const QString& name : {path + ".1", path}) {  // the older part first
    QFile file(name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    EXPECT_LE(file.size(), 1500);
    log += QString::fromUtf8(file.readAll());
  }
  // Each frame as the simulator got it, each answer as it sent it.
  for (const sim::LogEntry& e : sensor->FrameLog()) {
    QString entry = QString("%1 %2:").arg(e.received ? "sent" : "received").arg(e.bytes.size());
    for (const std::uint8_t b : e.bytes)
      entry += QString(" %1").arg(int(b), 2, 16, QChar('0')).toUpper();
    EXPECT_TRUE(log.contains(entry)) << entry.toStdString();
  }
  EXPECT_TRUE(log.contains("open COM1 " + Path(*sensor)));
  EXPECT_TRUE(log.contains("failure: order 3, 0 bytes received"));
  EXPECT_TRUE(log.contains("settle wait"));
}

}  // namespace
}  // namespace tavix::e2e
