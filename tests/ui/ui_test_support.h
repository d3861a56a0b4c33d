// Shared fixture of the ui suite: a Toolkit with recording callbacks and the
// test panel (resource 1 of ui_test.uir) loaded.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "ui/toolkit.h"

namespace tavix::ui::test {

using Events = std::vector<int>;

struct Call {
  int callback;  // 0: the control's own callback, 1: the shared "CBF_DispBars"
  int panel, event, data1, data2;
  QString name;
};

struct Recorder {
  Toolkit* toolkit = nullptr;
  std::vector<Call> calls;
  std::vector<std::pair<int, int>> panelEvents;  // (panel, event)
  std::function<void(const Call&)> onControl;
  std::function<void(int panel, int event)> onPanel;

  Events EventsOf(const QString& name) const {
    Events events;
    for (const Call& call : calls) {
      if (call.name == name) events.push_back(call.event);
    }
    return events;
  }
};

template <int kCallback>
int Record(int panel, int control, int event, void* data, int d1, int d2) {
  auto* recorder = static_cast<Recorder*>(data);
  recorder->calls.push_back(
      {kCallback, panel, event, d1, d2, recorder->toolkit->CtrlName(panel, control)});
  if (recorder->onControl) recorder->onControl(recorder->calls.back());
  return 0;
}

inline int RecordPanel(int panel, int event, void* data, int, int) {
  auto* recorder = static_cast<Recorder*>(data);
  recorder->panelEvents.emplace_back(panel, event);
  if (recorder->onPanel) recorder->onPanel(panel, event);
  return 0;
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorder.toolkit = &tk;
    CallbackTable table;
    // ButtonStop has no callback; CBF_DispRED is shadowed by the bars' "callback" property.
    for (const char* name :
         {"ButtonGo",    "ToggleRun",    "ButtonInner", "SwitchPara", "EditAverage", "DispX",
          "DispGF",      "SelectSource", "Evalmode",    "SlidePower", "DispINT",     "DispStatus",
          "EditName",    "TeachTable",   "GraphData1",  "GraphData2", "GraphRaw1",   "GraphGF",
          "ButtonClose", "ButtonOk",     "DispRED"}) {
      table.controls[QStringLiteral("CBF_") + QLatin1String(name)] = Record<0>;
    }
    table.controls["CBF_DispBars"] = Record<1>;
    table.panels["CBF_TP"] = RecordPanel;
    table.callbackData = &recorder;
    tk.SetCallbacks(table);
    panel = tk.LoadPanel(0, "ui_test.uir", 1);
    ASSERT_GT(panel, 0);
  }

  QWidget* W(const char* name) const { return tk.Control(panel, QLatin1String(name)); }

  // Shows the panel and makes it the active window (shortcuts need that).
  void Show() {
    tk.DisplayPanel(panel);
    QWidget* top = tk.PanelWidget(panel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    QApplication::setActiveWindow(top);
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
  }

  Toolkit tk;
  Recorder recorder;
  int panel = 0;
};

}  // namespace tavix::ui::test
