// The scope program's real code with real widgets (offscreen), a real
// QSerialPort on a pseudo-terminal, and the simulator at the far end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QString>
#include <QTest>
#include <QThread>
#include <QWidget>

#include "link/serial_port.h"
#include "scope/scope.h"
#include "sim/pty_sensor.h"
#include "ui/toolkit.h"

namespace tavix::e2e {

// Order codes of the frames the simulator received, in arrival order.
inline std::vector<int> ReceivedOrders(const sim::PtySensor& sensor) {
  std::vector<int> orders;
  for (const sim::LogEntry& e : sensor.FrameLog()) {
    if (e.received && e.bytes.size() == 36) orders.push_back(e.bytes[2] << 8 | e.bytes[3]);
  }
  return orders;
}

// Waits (up to `seconds`) until the simulator has taken `count` frames: the
// program's writes reach it through the pseudo-terminal a little later.
inline bool WaitForFrames(const sim::PtySensor& sensor, std::uint64_t count, double seconds = 3.0) {
  QElapsedTimer timer;
  timer.start();
  while (sensor.GetCounters().frames < count) {
    if (timer.elapsed() > seconds * 1000) return false;
    QThread::msleep(5);
  }
  return true;
}

class ScopeHarness : public ::testing::Test {
 protected:
  void SetUp() override { StartSensor(); }

  void TearDown() override {
    if (scope) scope->lnk.Close();
    scope.reset();
    toolkit.reset();
    port.reset();
    if (sensor) {
      // A program that keeps the settle waits never sends a frame too early.
      EXPECT_EQ(sensor->GetCounters().earlyFrames, 0u);
      sensor->Stop();
    }
    qunsetenv("TAVIX_COM1");
  }

  void StartSensor(bool pacing = false) {
    sim::Options options;
    options.pacing = pacing;
    sensor = std::make_unique<sim::PtySensor>(options);
    std::string error;
    ASSERT_TRUE(sensor->Start(&error)) << error;
    qputenv("TAVIX_COM1", QByteArray::fromStdString(sensor->DevicePath()));
  }

  // Builds the program on the current TAVIX_COM1 and runs its start-up.
  int StartProgram() {
    toolkit = std::make_unique<ui::Toolkit>();
    toolkit->Popups().SetScripted(true);
    port = std::make_unique<link::SerialPort>();
    scope = std::make_unique<scope::Scope>(*toolkit, *port);
    const int result = scope->StartUp();
    // Then the program shows its main panel, as it does before its event loop.
    if (result == 0) toolkit->DisplayPanel(Panel());
    return result;
  }

  int Panel() const { return scope->frame.panel; }
  QWidget* W(const char* name) const { return toolkit->Control(Panel(), name); }
  int Int(const char* name) const { return toolkit->GetCtrlInt(Panel(), name); }
  QString Str(const char* name) const { return toolkit->GetCtrlString(Panel(), name); }
  int Cell(int column, int row) const {
    return toolkit->GetTableCellVal(Panel(), "TeachTable", column, row);
  }
  // Message and confirm boxes shown so far (file dialogs left out).
  std::vector<ui::PopupRecord> Popups() const {
    std::vector<ui::PopupRecord> boxes;
    for (const ui::PopupRecord& p : toolkit->Popups().Shown()) {
      if (p.kind != ui::PopupRecord::Kind::kFile) boxes.push_back(p);
    }
    return boxes;
  }

  void Click(const char* name) {
    QWidget* w = W(name);
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton);
  }
  void RightClick(const char* name) {
    QWidget* w = W(name);
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::RightButton);
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

  std::unique_ptr<sim::PtySensor> sensor;
  std::unique_ptr<ui::Toolkit> toolkit;
  std::unique_ptr<link::SerialPort> port;
  std::unique_ptr<scope::Scope> scope;
};

}  // namespace tavix::e2e
