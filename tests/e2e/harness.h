// What every end-to-end suite needs: the simulator on a pseudo-terminal, the
// toolkit with scripted popups and a real serial port, steps run from inside
// the program's own loops, helpers on real widgets, CPU time.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include "link/serial_port.h"
#include "sim/pty_sensor.h"
#include "ui/toolkit.h"

namespace tavix::e2e {

using Record = std::array<std::uint16_t, sim::kRecordWords>;
using Orders = std::vector<int>;
using Strings = std::vector<std::string>;

// The 36-byte frames the simulator received, in arrival order.
inline std::vector<sim::LogEntry> ReceivedFrames(const sim::PtySensor& sensor) {
  std::vector<sim::LogEntry> frames;
  for (const sim::LogEntry& e : sensor.FrameLog())
    if (e.received && e.bytes.size() == 36) frames.push_back(e);
  return frames;
}
inline Orders ReceivedOrders(const sim::PtySensor& sensor) {
  Orders orders;
  for (const sim::LogEntry& e : ReceivedFrames(sensor)) orders.push_back(e.bytes[3]);
  return orders;
}
// Waits up to 3 s for `count` frames (writes reach the simulator a little later).
inline std::vector<sim::LogEntry> AwaitFrames(const sim::PtySensor& sensor, std::size_t count) {
  for (int ms = 0; ReceivedFrames(sensor).size() < count && ms < 3000; ms += 5) QThread::msleep(5);
  return ReceivedFrames(sensor);
}

// A message box as "title: text", the form Boxes() lists them in.
inline std::string Box(const QString& title, const QString& text) {
  return (title + ": " + text).toStdString();
}

// With TAVIX_SCREENSHOT_DIR set, `widget` (its `area` only, if given) saved
// there as `file`, the documentation's screenshots.
inline void Screenshot(QWidget* widget, const char* file, const QRect& area = QRect(0, 0, -1, -1)) {
  const QString dir = qEnvironmentVariable("TAVIX_SCREENSHOT_DIR");
  EXPECT_TRUE(dir.isEmpty() || widget->grab(area).save(QDir(dir).filePath(file))) << file;
}

// Runs `program` as its own process with `env` changed (an empty value
// removes the variable) and gives its exit code as a signed byte (as a
// shell shows -1: 255), or 1000 when it crashed or was still running after
// `seconds` (it is killed then). Its standard error goes to `errors`.
inline int RunProcess(const QString& program, const QStringList& args,
                      const std::vector<std::pair<QString, QString>>& env, int seconds = 5,
                      QByteArray* errors = nullptr) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : env)
    value.isEmpty() ? environment.remove(name) : environment.insert(name, value);
  process.setProcessEnvironment(environment);
  process.start(program, args);
  if (!process.waitForFinished(seconds * 1000)) process.kill();
  process.waitForFinished();
  if (errors) *errors = process.readAllStandardError();
  return process.exitStatus() == QProcess::NormalExit ? static_cast<signed char>(process.exitCode())
                                                      : 1000;
}

// A program's real code with real widgets (offscreen), a real QSerialPort
// on a pseudo-terminal, and the simulator at the far end. A suite derives
// from it, builds its program object and says which panel it drives.
class ProgramHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    StartSensor();
    // A broken test must fail, not hang inside a polling callback.
    QTimer::singleShot(8000, context.get(), [this] {
      if (StopLoops()) ADD_FAILURE() << "a polling loop was still running after 8 s";
    });
  }

  // Ends the program first (EndProgram), then the simulator, and checks
  // that no frame reached it before a settle delay had passed.
  void TearDown() override {
    context.reset();  // pending steps die with it
    EndProgram();
    toolkit.reset();
    port.reset();
    EXPECT_EQ(sensor->GetCounters().earlyFrames, 0u);
    sensor->Stop();
    for (const char* name : {"TAVIX_COM1", "TAVIX_COM2"}) qunsetenv(name);
  }

  // The panel the helpers below address.
  virtual int Panel() const = 0;
  // Clears the program's loop flags; true when a loop was running.
  virtual bool StopLoops() = 0;
  // Closes the port and destroys the program object.
  virtual void EndProgram() = 0;

  void StartSensor(bool pacing = false) {
    sim::Options options;
    options.pacing = pacing;
    sensor = std::make_unique<sim::PtySensor>(options);
    std::string error;
    ASSERT_TRUE(sensor->Start(&error)) << error;
    qputenv("TAVIX_COM1", QByteArray::fromStdString(sensor->DevicePath()));
  }

  // A toolkit whose popups are scripted and a real port, for a new program object.
  void MakeToolkitAndPort() {
    toolkit = std::make_unique<ui::Toolkit>();
    toolkit->Popups().SetScripted(true);
    port = std::make_unique<link::SerialPort>();
  }
  // Builds `program` on the current TAVIX_COM1, runs its start-up and shows
  // the panel, as the program does before its event loop.
  template <class Program>
  int Launch(std::unique_ptr<Program>& program) {
    EndProgram();
    MakeToolkitAndPort();
    program = std::make_unique<Program>(*toolkit, *port);
    const int result = program->StartUp();
    if (result == 0) toolkit->DisplayPanel(Panel());
    return result;
  }

  // Runs `step` `ms` milliseconds from now, from inside whatever loop runs then.
  void After(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, context.get(), std::move(step));
  }
  // Runs `step` every `ms` milliseconds (0: in every round of events the
  // program lets run, inside a polling loop once per pass) while `owner` lives.
  QTimer* Every(int ms, QObject* owner, std::function<void()> step) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, std::move(step));
    timer->start(ms);
    return timer;
  }
  void EveryRound(std::function<void()> step) { Every(0, context.get(), std::move(step)); }

  // The sensor goes away while the program idles: noticed within a second
  // and told once (status and port line, no box), the port closed, and
  // still told once 2 s later. `operation` then meets the lost line
  // with its one report; Enter on the COM field reconnects once the sensor
  // is back.
  void ExpectIdleLossToldOnceThenReconnect(const char* operation) {
    toolkit->Popups().ClearShown();
    const QString device = QString::fromStdString(sensor->DevicePath());
    sensor->Stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !port->IsOpen(); }, 1000)) << "not noticed in 1 s";
    EXPECT_EQ(Str("DispStatus"), "COM-Port lost");
    EXPECT_EQ(Str("DispPortInfo"),
              "COM1: the device " + device + " hung up or was removed; the port is closed");
    EXPECT_TRUE(Boxes().empty());
    QTest::qWait(2000);                             // events run as in an idle program
    EXPECT_EQ(Str("DispStatus"), "COM-Port lost");  // told once

    Click(operation);
    EXPECT_EQ(Boxes().size(), 1u) << operation;
    EXPECT_EQ(Str("DispStatus"), "TIMEOUT");

    StartSensor();  // back, on a device of its own
    Type("EditConnect", 1);
    EXPECT_EQ(ReceivedOrders(*sensor).at(0), 7);
    EXPECT_TRUE(port->IsOpen());
    EXPECT_EQ(Str("DispPortInfo"), QString::fromStdString("COM1: " + sensor->DevicePath()));
    EXPECT_EQ(Boxes().size(), 1u);
  }

  QWidget* W(const char* name) const { return toolkit->Control(Panel(), name); }
  int Int(const char* name) const { return toolkit->GetCtrlInt(Panel(), name); }
  QString Str(const char* name) const { return toolkit->GetCtrlString(Panel(), name); }
  std::size_t Sent() const { return sensor->SentRecords().size(); }

  // Message and confirm boxes shown so far (file dialogs left out).
  Strings Boxes() const {
    Strings boxes;
    for (const ui::PopupRecord& p : toolkit->Popups().Shown())
      if (p.kind != ui::PopupRecord::Kind::kFile) boxes.push_back(Box(p.title, p.text));
    return boxes;
  }

  void Click(const char* name, Qt::MouseButton button = Qt::LeftButton) {
    ASSERT_NE(W(name), nullptr) << name;
    QTest::mouseClick(W(name), button);
  }
  // A user picking an item of a ring control.
  void Choose(const char* name, int index) {
    auto* combo = qobject_cast<QComboBox*>(W(name));
    ASSERT_NE(combo, nullptr) << name;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // A user typing a number into a numeric control and pressing Enter.
  void Type(const char* name, int value) {
    auto* box = qobject_cast<QAbstractSpinBox*>(W(name));
    ASSERT_NE(box, nullptr) << name;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);  // select what is there
    QTest::keyClicks(box, QString::number(value));
    QTest::keyClick(box, Qt::Key_Return);
  }

  std::unique_ptr<QObject> context = std::make_unique<QObject>();
  std::unique_ptr<sim::PtySensor> sensor;
  std::unique_ptr<ui::Toolkit> toolkit;
  std::unique_ptr<link::SerialPort> port;
};

}  // namespace tavix::e2e
