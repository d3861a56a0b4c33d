// The scope program's real code with real widgets (offscreen), a real
// QSerialPort on a pseudo-terminal, and the simulator at the far end.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QString>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include "link/serial_port.h"
#include "scope/help_texts.h"
#include "scope/scope.h"
#include "sim/pty_sensor.h"
#include "ui/toolkit.h"

namespace tavix::e2e {

using Record = std::array<std::uint16_t, sim::kRecordWords>;
using Orders = std::vector<int>;
using Strings = std::vector<std::string>;

// The 36-byte frames the simulator received, in arrival order.
inline std::vector<sim::LogEntry> ReceivedFrames(const sim::PtySensor& sensor) {
  std::vector<sim::LogEntry> frames;
  for (const sim::LogEntry& e : sensor.FrameLog()) {
    if (e.received && e.bytes.size() == 36) frames.push_back(e);
  }
  return frames;
}
inline Orders ReceivedOrders(const sim::PtySensor& sensor) {
  Orders orders;
  for (const sim::LogEntry& e : ReceivedFrames(sensor)) orders.push_back(e.bytes[3]);
  return orders;
}
// A message box as "title: text", the form Boxes() lists them in.
inline std::string Box(const QString& title, const QString& text) {
  return (title + ": " + text).toStdString();
}

class ScopeHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    StartSensor();
    // A broken test must fail, not hang inside a polling callback.
    QTimer::singleShot(8000, context.get(), [this] {
      if (scope == nullptr || scope->flags.poll == 0) return;
      ADD_FAILURE() << "a polling loop was still running after 8 s";
      scope->flags.poll = 0;
    });
  }

  void TearDown() override {
    context.reset();  // pending steps die with it
    if (scope) scope->lnk.Close();
    scope.reset();
    toolkit.reset();
    port.reset();
    // A program that keeps the settle waits never sends a frame too early.
    EXPECT_EQ(sensor->GetCounters().earlyFrames, 0u);
    sensor->Stop();
    qunsetenv("TAVIX_COM1");
    qunsetenv("TAVIX_COM2");
  }

  void StartSensor(bool pacing = false) {
    sim::Options options;
    options.pacing = pacing;
    sensor = std::make_unique<sim::PtySensor>(options);
    std::string error;
    ASSERT_TRUE(sensor->Start(&error)) << error;
    qputenv("TAVIX_COM1", QByteArray::fromStdString(sensor->DevicePath()));
  }

  // Builds the program on the current TAVIX_COM1 and runs its start-up;
  // then shows the main panel, as the program does before its event loop.
  int StartProgram() {
    toolkit = std::make_unique<ui::Toolkit>();
    toolkit->Popups().SetScripted(true);
    port = std::make_unique<link::SerialPort>();
    scope = std::make_unique<scope::Scope>(*toolkit, *port);
    const int result = scope->StartUp();
    if (result == 0) toolkit->DisplayPanel(Panel());
    return result;
  }

  // Runs `step` `ms` milliseconds from now, from inside whatever loop runs then.
  void After(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, context.get(), std::move(step));
  }
  // Runs `step` in every round of events the program lets run (the live
  // cycle and the zoom: once per pass).
  void EveryRound(std::function<void()> step) {
    auto* timer = new QTimer(context.get());
    QObject::connect(timer, &QTimer::timeout, std::move(step));
    timer->start(0);
  }

  int Panel() const { return scope->frame.panel; }
  QWidget* W(const char* name) const { return toolkit->Control(Panel(), name); }
  int Int(const char* name) const { return toolkit->GetCtrlInt(Panel(), name); }
  QString Str(const char* name) const { return toolkit->GetCtrlString(Panel(), name); }
  int Cell(int column, int row) const {
    return toolkit->GetTableCellVal(Panel(), "TeachTable", column, row);
  }
  void SetCell(int column, int row, int value) {
    toolkit->SetTableCellVal(Panel(), "TeachTable", column, row, value);
  }
  std::size_t Sent() const { return sensor->SentRecords().size(); }
  int DataRequests() const { return sensor->GetCounters().perOrder[5]; }
  // Message and confirm boxes shown so far (file dialogs left out).
  Strings Boxes() const {
    Strings boxes;
    for (const ui::PopupRecord& p : toolkit->Popups().Shown()) {
      if (p.kind != ui::PopupRecord::Kind::kFile) boxes.push_back(Box(p.title, p.text));
    }
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
  std::unique_ptr<scope::Scope> scope;
};

}  // namespace tavix::e2e
