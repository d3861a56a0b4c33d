// Shared fixture of the ui suite: a Toolkit whose callbacks record what they
// are called with, and the test panel (resource 1 of ui_test.uir) loaded.
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

class UiTest : public ::testing::Test {
 protected:
  template <int kCallback>
  static int Record(int panel, int control, int event, void* data, int d1, int d2) {
    auto* t = static_cast<UiTest*>(data);
    t->calls.push_back({kCallback, panel, event, d1, d2, t->tk.CtrlName(panel, control)});
    return 0;
  }
  static int RecordPanel(int panel, int event, void* data, int, int) {
    auto* t = static_cast<UiTest*>(data);
    t->panelEvents.emplace_back(panel, event);
    if (t->onPanel) t->onPanel(panel, event);
    return 0;
  }

  void SetUp() override {
    CallbackTable table;
    // ButtonStop has no callback; CBF_DispRED is shadowed by the bars' "callback" property.
    for (const char* name : {"ButtonGo", "ToggleRun", "SwitchPara", "EditAverage", "DispX",
                             "DispGF", "SelectSource", "Evalmode", "SlidePower", "DispINT",
                             "DispStatus", "EditName", "TeachTable", "GraphRaw1", "DispRED"}) {
      table.controls[QStringLiteral("CBF_") + QLatin1String(name)] = Record<0>;
    }
    table.controls["CBF_DispBars"] = Record<1>;
    table.panels["CBF_TP"] = RecordPanel;
    table.callbackData = this;
    tk.SetCallbacks(table);
    panel = tk.LoadPanel(0, "ui_test.uir", 1);
    ASSERT_GT(panel, 0);
  }

  QWidget* W(const char* name) const { return tk.Control(panel, QLatin1String(name)); }

  Events EventsOf(const QString& name) const {
    Events events;
    for (const Call& call : calls) {
      if (call.name == name) events.push_back(call.event);
    }
    return events;
  }

  // Shows the panel and makes it the active window (focus needs that).
  void Show() {
    tk.DisplayPanel(panel);
    QWidget* top = tk.PanelWidget(panel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    QApplication::setActiveWindow(top);
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
  }

  Toolkit tk;
  int panel = 0;
  std::vector<Call> calls;
  std::vector<std::pair<int, int>> panelEvents;  // (panel, event)
  std::function<void(int panel, int event)> onPanel;
};

}  // namespace tavix::ui::test
