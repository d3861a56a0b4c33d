// The scope at a real line: the port list and a port chosen from it, what is
// remembered between two runs, where the file dialogs start, the line log
// and the chart export.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "calib_harness.h"
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
  QStringList PortItems() {
    QStringList items;
    auto* combo = qobject_cast<QComboBox*>(W("SelectPort"));
    for (int i = 0; combo != nullptr && i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  QString Path(const sim::PtySensor& s) const { return QString::fromStdString(s.DevicePath()); }
  // A user opening the list: it is listed anew first.
  void OpenList() { QTest::mousePress(W("SelectPort"), Qt::LeftButton); }
  void CloseList() { qobject_cast<QComboBox*>(W("SelectPort"))->hidePopup(); }
};

TEST_F(Line, PortListFollowsPortsAndAChoiceReconnects) {
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_TRUE(PortItems().filter(QRegularExpression("^1  " + Path(*sensor))).size() == 1)
      << PortItems().join("|").toStdString();
  EXPECT_EQ(qobject_cast<QComboBox*>(W("SelectPort"))->currentText().left(1), "1");

  // A second sensor appears after the start, as port 2.
  sim::PtySensor second{sim::Options{}};
  std::string error;
  ASSERT_TRUE(second.Start(&error)) << error;
  second.WithModel([](sim::SensorModel& m) { m.version = "SECOND SENSOR"; });
  qputenv("TAVIX_COM2", QByteArray::fromStdString(second.DevicePath()));
  OpenList();
  CloseList();
  const QStringList items = PortItems();
  const qsizetype at = items.indexOf(QRegularExpression("^2  " + Path(second) + ".*"));
  ASSERT_GE(at, 0) << items.join("|").toStdString();

  Choose("SelectPort", static_cast<int>(at));  // as Enter with 2 in the COM field
  EXPECT_EQ(Int("EditConnect"), 2);
  EXPECT_EQ(Str("DispStatus").trimmed(), "SECOND SENSOR");
  EXPECT_TRUE(Str("DispPortInfo").contains(Path(second)));
  EXPECT_EQ(ReceivedOrders(second), (Orders{7, 3}));

  // It goes again: the next listing drops it.
  scope->lnk.Close();
  second.Stop();
  qunsetenv("TAVIX_COM2");
  scope->portList.Refresh();
  EXPECT_EQ(PortItems().filter(Path(second)).size(), 0);
}

TEST_F(Line, PortOneIsTheDeviceThatLastAnsweredUnlessItIsGone) {
  // A first start: COM 1 as documented (the system's first port, if any).
  qunsetenv("TAVIX_COM1");
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_FALSE(Str("DispPortInfo").contains("remembered"));
  // The sensor answers on port 2.
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  Type("EditConnect", 2);
  ASSERT_TRUE(Str("DispPortInfo").contains(Path(*sensor)));

  // The next run starts on it as port 1 and says so.
  qunsetenv("TAVIX_COM2");
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(scope->lnk.st.com, 1);
  EXPECT_EQ(Str("DispPortInfo"), "COM1: " + Path(*sensor) + " (remembered)");
  EXPECT_FALSE(scope->lnk.VersionText().isEmpty());

  // Remembered, but gone: port 1 is as documented, and the port line says why.
  scope->settings.SetLastDevice("/dev/tavix-gone");
  qunsetenv("TAVIX_COM1");
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_TRUE(Str("DispPortInfo").startsWith("COM1: "));
  EXPECT_TRUE(Str("DispPortInfo").endsWith(" (the remembered /dev/tavix-gone is gone)"));
}

TEST_F(Line, FileDialogsStartWhereFilesCanBeSavedAndWhereTheyWereLast) {
  QTemporaryDir writable;
  EXPECT_EQ(shell::DialogStartDirectory("", writable.path()), writable.path());
  // Not writable for anyone, root included.
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  EXPECT_FALSE(shell::CanWriteIn("/proc"));
  EXPECT_EQ(shell::DialogStartDirectory("", "/proc"), documents);
  EXPECT_EQ(shell::DialogStartDirectory("/no/such/dir", writable.path()), writable.path());

  // An installed program: its directory cannot be written.
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
  ASSERT_GE(toolkit->Popups().Shown().size(), 1u);
  EXPECT_EQ(toolkit->Popups().Shown()[0].kind, ui::PopupRecord::Kind::kFile);
  EXPECT_EQ(toolkit->Popups().Shown()[0].directory, documents);
  EXPECT_EQ(toolkit->Popups().Shown()[0].text, "record.dat");
  toolkit->Popups().ClearShown();
  Click("ButtonGet");
  EXPECT_EQ(toolkit->Popups().Shown().at(0).directory, elsewhere.path());
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
  QString log;
  for (const QString& name : {path + ".1", path}) {  // the older part first
    QFile file(name);
    if (file.open(QIODevice::ReadOnly)) log += QString::fromUtf8(file.readAll());
  }
  // Each frame as the simulator got it, each answer as it sent it.
  for (const sim::LogEntry& e : sensor->FrameLog()) {
    const QByteArray hex =
        QByteArray(reinterpret_cast<const char*>(e.bytes.data()), qsizetype(e.bytes.size()))
            .toHex(' ')
            .toUpper();
    const QString entry = QString("%1 %2: %3")
                              .arg(e.received ? "sent" : "received")
                              .arg(e.bytes.size())
                              .arg(QString::fromLatin1(hex));
    EXPECT_TRUE(log.contains(entry)) << entry.toStdString();
  }
  EXPECT_TRUE(log.contains("open COM1 " + Path(*sensor)));
  EXPECT_TRUE(log.contains("failure: order 3, 0 bytes received"));
  EXPECT_TRUE(log.contains("settle wait"));
  // The two answers in hex are well over 1000 bytes: the log has rotated,
  // and the two files stay within the bound.
  EXPECT_TRUE(QFile::exists(path + ".1"));
  EXPECT_LE(QFileInfo(path).size(), 1500);
  EXPECT_LE(QFileInfo(path + ".1").size(), 1500);
}

TEST_F(Line, CtrlSSavesTheChartOnShowAsPngOfItsSize) {
  ASSERT_EQ(StartProgram(), 0);
  QTemporaryDir dir;
  const QString file = dir.filePath("graph.png");
  toolkit->Popups().QueueFile(2, file);
  QWidget* panel = toolkit->PanelWidget(Panel());
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  QTest::keyClick(panel->windowHandle(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(toolkit->Popups().Shown().size(), 1u);
  const QString shown = scope->ChartOnShow(Panel());
  ASSERT_FALSE(shown.isEmpty());
  QImage image(file);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), W(shown.toLatin1().constData())->size() * panel->devicePixelRatio());
}

class CalibLine : public CalibHarness {};

TEST_F(CalibLine, PortListChoiceReconnectsAndIsRemembered) {
  QSettings("Tavix", "TavixCalib").clear();
  ASSERT_EQ(StartProgram(), 0);
  auto* list = qobject_cast<QComboBox*>(W("SelectPort"));
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->accessibleName().isEmpty());
  EXPECT_EQ(list->accessibleDescription(), shell::texts::InfoSelectPort);
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  calib->portList.Refresh();
  const int at = list->findData(2);
  ASSERT_GE(at, 0);
  sensor->ClearLog();
  Choose("SelectPort", at);
  EXPECT_EQ(Int("EditConnect"), 2);
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});
  EXPECT_EQ(calib->settings.LastDevice(), QString::fromStdString(sensor->DevicePath()));
}

}  // namespace
}  // namespace tavix::e2e
