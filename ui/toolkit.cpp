// Panels, event routing and the event loop of the Toolkit; popups are in popups.cpp.
#include "ui/toolkit.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResource>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>

#include "ui/strip_chart.h"
#include "ui/toolkit_impl.h"
#include "ui/trend_chart.h"
#include "ui/xy_graph.h"

namespace tavix::ui {

// ------------------------------------------------------------ PanelLoader

QWidget* PanelLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
  QWidget* widget = nullptr;
  if (className == QLatin1String("XYGraph")) {
    widget = new XYGraph(parent);
  } else if (className == QLatin1String("StripChart")) {
    widget = new StripChart(parent);
  } else if (className == QLatin1String("TrendChart")) {
    widget = new TrendChart(parent);
  } else {
    return QUiLoader::createWidget(className, parent, name);
  }
  widget->setObjectName(name);
  return widget;
}

QString PlainLabel(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) out += text[++i];
      continue;
    }
    out += text[i];
  }
  return out;
}

namespace {

// Controls are the named widgets; Qt's internal children ("qt_...") and
// names starting with "_" are not.
bool IsControlName(const QString& name) {
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
         !name.startsWith(QLatin1Char('_'));
}

// What a user does with mouse and keys, which no panel takes while a popup is up.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Shows a panel above the others and gives a window the input focus.
void ShowInFront(QWidget* w) {
  w->show();
  // The offscreen platform cannot stack windows (and says so on every try).
  if (!w->isWindow() || QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
  if (w->isWindow()) w->activateWindow();
}

// ------------------------------------------------------------------- Impl

Toolkit::Impl::Impl() : router(this) {
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  serveWake.setSingleShot(true);
  serveWake.setTimerType(Qt::PreciseTimer);
  QCoreApplication::instance()->installEventFilter(&requestCounter);
}

bool Toolkit::Impl::RequestCounter::eventFilter(QObject* watched, QEvent* event) {
  // The bus thread hands each call to an exported object over as a posted
  // meta call; the accessibility bridge's objects are virtual bus objects.
  if (event->type() == QEvent::MetaCall && watched->inherits("QDBusVirtualObject")) {
    ++impl_->outsideRequests;
  }
  return false;
}

void Toolkit::Impl::ServePending() {
  // A screen reader asks one question at a time and the next only once it
  // has the answer: served once per round of events, a conversation of a
  // few hundred questions would take as many polling passes.
  constexpr double kConversationGap = 0.02;
  constexpr double kConversationBudget = 0.25;
  int served = outsideRequests;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (outsideRequests == served) return;
  const double start = Timer();
  double last = start;
  for (;;) {
    const double now = Timer();
    if (outsideRequests != served) {
      served = outsideRequests;
      last = now;
    }
    const double until = std::min(last + kConversationGap, start + kConversationBudget);
    if (now >= until) break;
    serveWake.start(std::max(1, static_cast<int>(std::ceil((until - now) * 1000.0))));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  serveWake.stop();
}

Toolkit::Impl::~Impl() {
  for (auto& entry : panels) delete entry.second.widget.data();
  panels.clear();
  for (const auto& bundle : bundles) QResource::unregisterResource(bundle.first, bundle.second);
}

QString Toolkit::Impl::RegisterBundle(const QString& file) {
  if (file.isEmpty()) return QString();
  const QFileInfo info(Toolkit::DataFile(file));
  if (!info.isFile()) return QString();
  const QString path = info.canonicalFilePath();
  if (const auto it = bundles.find(path); it != bundles.end()) return it->second;
  const QString root = QStringLiteral("/tavix-bundle-%1").arg(nextBundle++);
  if (!QResource::registerResource(path, root)) return QString();
  bundles[path] = root;
  return root;
}

QString Toolkit::Impl::FindPanelFile(const QString& root, int resource) const {
  if (resource <= 0) return QString();
  const QString name = QStringLiteral("panel%1.ui").arg(resource);
  const QString direct = QLatin1Char(':') + root + QLatin1Char('/') + name;
  if (QFile::exists(direct)) return direct;
  // The listing may have put the panels under a prefix of its own.
  QDirIterator it(QLatin1Char(':') + root, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (it.fileName() == name) return path;
  }
  return QString();
}

int Toolkit::Impl::Adopt(QWidget* top, const QStringList& required) {
  PanelRecord record;
  record.widget = top;
  const QList<QWidget*> widgets = top->findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    const QString name = w->objectName();
    if (!IsControlName(name) || record.ids.count(name) != 0) continue;
    ControlRecord control;
    control.widget = w;
    control.name = name;
    control.focusPolicy = w->focusPolicy();
    record.controls.push_back(control);
    record.ids[name] = static_cast<int>(record.controls.size());
  }
  for (const QString& name : required) {
    if (record.ids.count(name) == 0) {
      loadFailure = QStringLiteral("lacks control %1").arg(name);
      return -1;
    }
  }
  for (QWidget* w : widgets) {
    if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
      const auto it = record.ids.find(label->buddy()->objectName());
      if (it != record.ids.end() && record.controls[it->second - 1].widget == label->buddy()) {
        record.controls[it->second - 1].caption = label;
      }
    }
  }

  const int handle = nextPanel++;
  // Every widget belongs to the nearest control at or above it.
  targets[top] = {handle, 0};
  top->installEventFilter(&router);
  record.watched.push_back(top);
  QObject::connect(top, &QObject::destroyed, &router, [this, top] { targets.erase(top); });
  for (QWidget* w : widgets) {
    for (QWidget* up = w; up != nullptr && up != top; up = up->parentWidget()) {
      const auto it = record.ids.find(up->objectName());
      if (it == record.ids.end() || record.controls[it->second - 1].widget != up) continue;
      targets[w] = {handle, it->second};
      w->setContextMenuPolicy(Qt::PreventContextMenu);
      w->installEventFilter(&router);
      record.watched.push_back(w);
      // A widget deleted with its panel (or by Qt) must not leave its address behind.
      QObject::connect(w, &QObject::destroyed, &router, [this, w] { targets.erase(w); });
      break;
    }
  }
  if (top->accessibleName().isEmpty()) top->setAccessibleName(top->windowTitle());
  panels[handle] = std::move(record);
  for (int id = 1; id <= static_cast<int>(panels[handle].controls.size()); ++id) {
    PrepareControl(handle, id);
  }
  Bind(panels[handle]);
  return handle;
}

// Applies the layout conventions to one control and connects the signals
// that tell a change of its value; the program's own writes block them.
void Toolkit::Impl::PrepareControl(int panel, int id) {
  ControlRecord& control = panels[panel].controls[static_cast<std::size_t>(id - 1)];
  QWidget* w = control.widget;
  if (w->accessibleName().isEmpty()) {
    const QString name = AccessibleNameFor(control);
    if (!name.isEmpty()) w->setAccessibleName(name);
  }
  auto commit = [this, panel, id] { Dispatch(panel, id, EVENT_COMMIT); };
  auto change_and_commit = [this, panel, id] {
    Dispatch(panel, id, EVENT_VAL_CHANGED);
    Dispatch(panel, id, EVENT_COMMIT);
  };
  // A user's value stays within the layout's range, also after the program
  // showed one beyond it.
  auto user_number = [this, panel, id] {
    ++numberChanges;
    if (const ControlRecord* c = Record(panel, id)) RestoreLayoutRange(*c);
    Dispatch(panel, id, EVENT_VAL_CHANGED);
    Dispatch(panel, id, EVENT_COMMIT);
  };

  if (auto* graph = qobject_cast<XYGraph*>(w)) {
    graph->ApplyLayoutProperties();
    graph->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
  } else if (auto* chart = qobject_cast<StripChart*>(w)) {
    chart->ApplyLayoutProperties();
    chart->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
  } else if (auto* trend = qobject_cast<TrendChart*>(w)) {
    trend->ApplyLayoutProperties();
    trend->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    // A toggle acts on every change of its state, however it came (mouse,
    // keys, a screen reader's toggle), once; SetCtrlVal blocks the signal.
    // A click that changes nothing (a push button) is its own commit.
    QObject::connect(button, &QAbstractButton::toggled, button, [this, panel, id, button](bool on) {
      ControlRecord* c = Record(panel, id);
      if (c == nullptr) return;
      if (!c->operable) {
        const QSignalBlocker block(button);  // an indicator shows what the program set
        button->setChecked(!on);
        return;
      }
      if (!on && button->autoExclusive()) return;  // the sibling switched on tells it
      Dispatch(panel, id, EVENT_VAL_CHANGED);
      Dispatch(panel, id, EVENT_COMMIT);
    });
    QObject::connect(button, &QAbstractButton::clicked, button, [this, panel, id, button] {
      if (!button->isCheckable()) Dispatch(panel, id, EVENT_COMMIT);
    });
  } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
    spin->setKeyboardTracking(false);
    control.operable = !spin->isReadOnly();
    control.layoutMin = spin->minimum();
    control.layoutMax = spin->maximum();
    QObject::connect(spin, &QSpinBox::valueChanged, spin, user_number);
  } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
    dspin->setKeyboardTracking(false);
    control.operable = !dspin->isReadOnly();
    control.layoutMin = dspin->minimum();
    control.layoutMax = dspin->maximum();
    QObject::connect(dspin, &QDoubleSpinBox::valueChanged, dspin, user_number);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // Optional item values from the layout: "itemValues" = "0,3,7".
    const QStringList values =
        combo->property("itemValues").toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < values.size() && i < combo->count(); ++i) {
      bool ok = false;
      const int value = values[i].trimmed().toInt(&ok);
      if (ok) combo->setItemData(i, value, Qt::UserRole);
    }
    // Every change of the item however it came (a choice in the list, keys,
    // the wheel, a screen reader), once; SetCtrlVal blocks the signal. A
    // user's choice of the item already shown commits too, as a click does.
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                     [this, panel, id, change_and_commit] {
                       if (ControlRecord* c = Record(panel, id)) c->ringChanged = true;
                       change_and_commit();
                     });
    QObject::connect(combo, &QComboBox::activated, combo, [this, panel, id, change_and_commit] {
      ControlRecord* c = Record(panel, id);
      // A choice that changed the item has committed with the change.
      if (c != nullptr && !std::exchange(c->ringChanged, false)) change_and_commit();
    });
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    ShowSliderValue(slider);
    control.layoutMin = slider->minimum();
    control.layoutMax = slider->maximum();
    QObject::connect(slider, &QAbstractSlider::valueChanged, slider, [this, panel, id, slider] {
      if (const ControlRecord* c = Record(panel, id)) RestoreLayoutRange(*c);
      ShowSliderValue(slider);
      Dispatch(panel, id, EVENT_VAL_CHANGED);
      if (!slider->isSliderDown()) Dispatch(panel, id, EVENT_COMMIT);
    });
    QObject::connect(slider, &QAbstractSlider::sliderReleased, slider, commit);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    control.operable = !edit->isReadOnly();
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this, panel, id] {
      if (ControlRecord* c = Record(panel, id)) c->edited = true;
    });
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [this, panel, id] {
      ControlRecord* c = Record(panel, id);
      if (c == nullptr || !c->edited) return;
      c->edited = false;
      Dispatch(panel, id, EVENT_VAL_CHANGED);
      Dispatch(panel, id, EVENT_COMMIT);
    });
  } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
    PrepareTable(table);
    table->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    QObject::connect(table, &QTableWidget::cellChanged, table, [this, panel, id](int row, int col) {
      Dispatch(panel, id, EVENT_COMMIT, row + 1, col + 1);
    });
  }
}

ControlRecord* Toolkit::Impl::Record(int panel, int id) {
  PanelRecord* p = Panel(panel);
  if (p == nullptr || id < 1 || id > static_cast<int>(p->controls.size())) return nullptr;
  return &p->controls[static_cast<std::size_t>(id - 1)];
}

QString Toolkit::Impl::CtrlNameOf(int panel, int id) const {
  const PanelRecord* p = Panel(panel);
  if (p == nullptr || id < 1 || id > static_cast<int>(p->controls.size())) return QString();
  return p->controls[static_cast<std::size_t>(id - 1)].name;
}

int Toolkit::Impl::AddControl(int panel, QWidget* w, const QString& name) {
  PanelRecord& record = panels[panel];
  ControlRecord control;
  control.widget = w;
  control.name = name;
  control.focusPolicy = w->focusPolicy();
  w->setObjectName(name);
  record.controls.push_back(control);
  const int id = static_cast<int>(record.controls.size());
  record.ids[name] = id;
  targets[w] = {panel, id};
  w->setContextMenuPolicy(Qt::PreventContextMenu);
  w->installEventFilter(&router);
  record.watched.push_back(w);
  QObject::connect(w, &QObject::destroyed, &router, [this, w] { targets.erase(w); });
  PrepareControl(panel, id);
  Bind(record);
  return id;
}

void Toolkit::Impl::Bind(PanelRecord& panel) {
  const auto panelIt = table.panels.find(panel.widget->property("callback").toString());
  panel.callback = panelIt == table.panels.end() ? nullptr : panelIt->second;
  for (ControlRecord& control : panel.controls) {
    QString name = control.widget ? control.widget->property("callback").toString() : QString();
    if (name.isEmpty()) name = QStringLiteral("CBF_") + control.name;
    const auto it = table.controls.find(name);
    control.callback = it == table.controls.end() ? nullptr : it->second;
  }
}

void Toolkit::Impl::Forget(int panel) {
  const auto it = panels.find(panel);
  if (it == panels.end()) return;
  for (const QPointer<QWidget>& w : it->second.watched) {
    if (w == nullptr) continue;
    targets.erase(w.data());
    w->removeEventFilter(&router);
    QObject::disconnect(w, &QObject::destroyed, &router, nullptr);
  }
  if (QWidget* top = it->second.widget) {
    top->hide();
    top->deleteLater();  // a callback of this panel may still be running
  }
  panels.erase(it);
}

PanelRecord* Toolkit::Impl::Panel(int panel) {
  const auto it = panels.find(panel);
  return it == panels.end() || !it->second.widget ? nullptr : &it->second;
}

const PanelRecord* Toolkit::Impl::Panel(int panel) const {
  const auto it = panels.find(panel);
  return it == panels.end() || !it->second.widget ? nullptr : &it->second;
}

void Toolkit::Impl::WarnNoValue(int panel, const QString& name) const {
  if (warned.insert(QStringLiteral("%1/%2/value").arg(panel).arg(name)).second) {
    qWarning("tavix ui: control \"%s\" of panel %d holds no value or text", qUtf8Printable(name),
             panel);
  }
}

ControlRecord* Toolkit::Impl::Find(int panel, const QString& name) {
  return const_cast<ControlRecord*>(std::as_const(*this).Find(panel, name));
}

const ControlRecord* Toolkit::Impl::Find(int panel, const QString& name) const {
  const PanelRecord* p = Panel(panel);
  if (p != nullptr) {
    const auto it = p->ids.find(name);
    if (it != p->ids.end()) {
      const ControlRecord& control = p->controls[static_cast<std::size_t>(it->second - 1)];
      if (control.widget) return &control;
    }
  }
  const QString key = QStringLiteral("%1/%2").arg(panel).arg(name);
  if (warned.insert(key).second) {
    qWarning("tavix ui: panel %d has no control \"%s\"", panel, qUtf8Printable(name));
  }
  return nullptr;
}

QWidget* Toolkit::Impl::Widget(int panel, const QString& name) const {
  const ControlRecord* control = Find(panel, name);
  return control == nullptr ? nullptr : control->widget.data();
}

bool Toolkit::Impl::Filter(QObject* watched, QEvent* event) {
  const auto it = targets.find(watched);
  if (it == targets.end()) return false;
  const auto [panel, id] = it->second;
  if (dialogsUp > 0 && IsUserInput(event->type())) return true;  // a popup is up

  if (id == 0) {  // the panel window itself
    if (event->type() == QEvent::UpdateRequest && holdRepaints > 0) {
      auto* window = static_cast<QWidget*>(watched);
      if (std::find(heldRepaints.begin(), heldRepaints.end(), window) == heldRepaints.end()) {
        heldRepaints.emplace_back(window);
      }
      return true;  // RepaintNow sends it again
    }
    if (event->type() == QEvent::Close) {
      const PanelRecord* p = Panel(panel);
      if (p == nullptr || p->callback == nullptr) return false;  // nobody decides: it closes
      event->ignore();  // the program decides whether the panel hides or the program ends
      DispatchPanel(panel, EVENT_CLOSE);
      return true;
    }
    if (event->type() == QEvent::KeyPress && qobject_cast<QDialog*>(watched) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      static_cast<QWidget*>(watched)->close();  // as a close, not a silent hide
      return true;
    }
    return false;
  }

  if (event->type() == QEvent::Show) {
    if (ControlRecord* control = Record(panel, id)) ShowPending(*control);
    return false;
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
      return MouseEvent(panel, id, event);
    case QEvent::ContextMenu:
      return true;  // controls have no context menu; the right click is their help
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel: {
      const ControlRecord* control = Record(panel, id);
      if (control == nullptr) return false;
      if (!control->operable) return true;
      if (event->type() == QEvent::KeyPress && watched == control->widget) {
        CommitOnEnter(panel, id, static_cast<QKeyEvent*>(event));
      }
      return false;
    }
    default:
      return false;
  }
}

bool Toolkit::Impl::MouseEvent(int panel, int id, QEvent* event) {
  const PanelRecord* p = Panel(panel);
  if (p == nullptr) return false;
  const ControlRecord& control = p->controls[static_cast<std::size_t>(id - 1)];
  QWidget* w = control.widget;
  if (w == nullptr) return false;
  // Graphs take no mouse input of their own (this also keeps presses away
  // from Qt Charts 6.4, which crashes on a press where no chart item lies).
  const bool inert = !control.operable || qobject_cast<QChartView*>(w) != nullptr;
  if (!w->isEnabled()) return inert;  // a dimmed control gives no events
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (event->type() == QEvent::MouseButtonRelease) {
    lastMouse = MouseKey();
    return inert;
  }
  // A press that a child ignored reaches its parents too: deliver it once.
  const MouseKey key{event->type(), static_cast<int>(mouse->button()), mouse->timestamp(),
                     mouse->globalPosition()};
  const bool seen = key == lastMouse;
  lastMouse = key;
  int kind = 0;
  if (mouse->button() == Qt::RightButton && event->type() == QEvent::MouseButtonPress) {
    kind = EVENT_RIGHT_CLICK;
  } else if (mouse->button() == Qt::LeftButton) {
    kind = event->type() == QEvent::MouseButtonPress ? EVENT_LEFT_CLICK : EVENT_LEFT_DOUBLE_CLICK;
  }
  if (kind == EVENT_RIGHT_CLICK && !seen && !control.helpText.isEmpty()) {
    // The help box answers; copies, since the box runs events of its own.
    const QString title = control.helpTitle;
    const QString text = control.helpText;
    self->MessagePopup(title, text);
  } else if (kind != 0 && !seen) {
    const QPoint at = p->widget->mapFromGlobal(mouse->globalPosition().toPoint());
    Dispatch(panel, id, kind, at.y(), at.x());
  }
  return inert || mouse->button() == Qt::RightButton;
}

// Enter confirms a numeric control's number: a changed one commits through
// valueChanged, an unchanged one commits here (a port number confirmed again
// reconnects).
void Toolkit::Impl::CommitOnEnter(int panel, int id, const QKeyEvent* key) {
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return;
  const ControlRecord* control = Record(panel, id);
  auto* spin = control ? qobject_cast<QAbstractSpinBox*>(control->widget) : nullptr;
  if (spin == nullptr) return;
  const int changes = numberChanges;
  spin->interpretText();
  if (numberChanges == changes) Dispatch(panel, id, EVENT_COMMIT);
}

void Toolkit::Impl::Dispatch(int panel, int control, int event, int data1, int data2) {
  const PanelRecord* p = Panel(panel);
  if (p == nullptr || control < 1 || control > static_cast<int>(p->controls.size())) return;
  const CtrlCallback callback = p->controls[static_cast<std::size_t>(control - 1)].callback;
  if (callback != nullptr) callback(panel, control, event, table.callbackData, data1, data2);
}

void Toolkit::Impl::DispatchPanel(int panel, int event) {
  const PanelRecord* p = Panel(panel);
  if (p == nullptr || p->callback == nullptr) return;
  const PanelCallback callback = p->callback;
  callback(panel, event, table.callbackData, 0, 0);
}

// ---------------------------------------------------------------- Toolkit

Toolkit::Toolkit() : d_(std::make_unique<Impl>()) {
  d_->self = this;
  // Only the program ends its event loop (a panel closing is its decision).
  QApplication::setQuitOnLastWindowClosed(false);
  InstallAccessibility();
}

Toolkit::~Toolkit() = default;

void Toolkit::SetCallbacks(CallbackTable table) {
  d_->table = std::move(table);
  for (auto& entry : d_->panels) {
    if (entry.second.widget) d_->Bind(entry.second);
  }
}

QStringList Toolkit::BindingProblems() const {
  const CallbackTable& table = d_->table;
  QStringList problems;
  std::set<QString> boundControls;  // callbacks of table.controls that bind
  std::set<QString> boundPanels;
  for (const auto& entry : d_->panels) {
    const PanelRecord& panel = entry.second;
    if (!panel.widget) continue;
    const QString where =
        QStringLiteral("panel %1 (%2)").arg(panel.widget->objectName(), panel.source);
    const QString panelCallback = panel.widget->property("callback").toString();
    if (table.panels.count(panelCallback) != 0) {
      boundPanels.insert(panelCallback);
    } else if (!panelCallback.isEmpty()) {
      problems << QStringLiteral("%1 names panel callback %2, which the table lacks")
                      .arg(where, panelCallback);
    }
    for (const ControlRecord& control : panel.controls) {
      if (!control.widget) continue;
      const QString named = control.widget->property("callback").toString();
      const QString name = named.isEmpty() ? QStringLiteral("CBF_") + control.name : named;
      if (table.controls.count(name) != 0) {
        boundControls.insert(name);
      } else if (!named.isEmpty()) {
        problems << QStringLiteral("control %1 of %2 names callback %3, which the table lacks")
                        .arg(control.name, where, name);
      }
    }
  }
  for (const auto& entry : table.controls) {
    if (boundControls.count(entry.first) == 0) {
      problems
          << QStringLiteral("callback %1 binds to no control of a loaded panel").arg(entry.first);
    }
  }
  for (const auto& entry : table.panels) {
    if (boundPanels.count(entry.first) == 0) {
      problems << QStringLiteral("panel callback %1 binds to no loaded panel").arg(entry.first);
    }
  }
  return problems;
}

int Toolkit::LoadPanel(int parent, const QString& file, int resource, const QStringList& required) {
  const QString what = QStringLiteral("panel %1 of layout file %2").arg(resource).arg(file);
  const auto fail = [this](int code, const QString& why) {
    d_->loadFailure = why;
    return code;
  };
  QWidget* parentWidget = nullptr;
  if (parent < 0) return fail(-1, what + QStringLiteral(": no parent panel"));
  if (parent > 0 && (parentWidget = PanelWidget(parent)) == nullptr) {
    return fail(-1, what + QStringLiteral(": no parent panel"));
  }
  const QString root = d_->RegisterBundle(file);
  if (root.isEmpty()) {
    const QString path = Toolkit::DataFile(file);
    return fail(-2, QFileInfo(path).isFile()
                        ? QStringLiteral("layout file %1 is not a readable layout bundle").arg(path)
                        : QStringLiteral("layout file %1 is missing").arg(path));
  }
  const QString path = d_->FindPanelFile(root, resource);
  if (path.isEmpty()) return fail(-3, what + QStringLiteral(" is missing"));
  QFile source(path);
  if (!source.open(QIODevice::ReadOnly)) return fail(-3, what + QStringLiteral(" cannot be read"));
  d_->loader.setWorkingDirectory(QDir(QLatin1Char(':') + root));
  QWidget* top = d_->loader.load(&source, nullptr);
  if (top == nullptr) return fail(-4, what + QStringLiteral(": ") + d_->loader.errorString());
  top->hide();
  const int handle = d_->Adopt(top, required);
  if (handle < 0) {
    delete top;
    return fail(-5, what + QStringLiteral(" ") + d_->loadFailure);
  }
  d_->panels[handle].source = QStringLiteral("%1 panel %2").arg(file).arg(resource);
  if (parentWidget != nullptr) top->setParent(parentWidget);  // a panel inside its parent
  return handle;
}

QString Toolkit::LoadFailure() const {
  return d_->loadFailure;
}

int Toolkit::DisplayPanel(int panel) {
  QWidget* w = PanelWidget(panel);
  if (w == nullptr) return -1;
  ShowInFront(w);
  return 0;
}

int Toolkit::HidePanel(int panel) {
  QWidget* w = PanelWidget(panel);
  if (w == nullptr) return -1;
  w->hide();
  return 0;
}

int Toolkit::DiscardPanel(int panel) {
  if (PanelWidget(panel) == nullptr) return -1;
  d_->Forget(panel);
  return 0;
}

int Toolkit::InstallPopup(int panel) {
  QWidget* w = PanelWidget(panel);
  if (w == nullptr) return -1;
  if (w->isVisible()) w->hide();  // modality takes effect when the window is shown
  w->setWindowModality(Qt::ApplicationModal);
  ShowInFront(w);
  return 0;
}

int Toolkit::RemovePopup(int panel) {
  QWidget* w = PanelWidget(panel);
  if (w == nullptr) return -1;
  w->hide();
  w->setWindowModality(Qt::NonModal);
  return 0;
}

QWidget* Toolkit::PanelWidget(int panel) const {
  const PanelRecord* p = d_->Panel(panel);
  return p == nullptr ? nullptr : p->widget.data();
}

QWidget* Toolkit::Control(int panel, const QString& name) const {
  return d_->Widget(panel, name);
}

int Toolkit::CtrlId(int panel, const QString& name) const {
  const PanelRecord* p = d_->Panel(panel);
  if (p == nullptr) return -1;
  const auto it = p->ids.find(name);
  return it == p->ids.end() ? -1 : it->second;
}

QString Toolkit::CtrlName(int panel, int control) const {
  return d_->CtrlNameOf(panel, control);
}

QString Toolkit::ProjectDir() const {
  return QCoreApplication::applicationDirPath();
}

QString Toolkit::DataFile(const QString& file) {
  if (QFileInfo(file).isAbsolute()) return file;
  const QDir bin(QCoreApplication::applicationDirPath());
  const QString beside = bin.filePath(file);
  if (QFileInfo::exists(beside)) return beside;
  const QString installed =
      QDir::cleanPath(bin.filePath(QStringLiteral(TAVIX_DATA_FROM_BIN "/") + file));
  return QFileInfo::exists(installed) ? installed : beside;
}

// ------------------------------------------------------------- Event loop

int Toolkit::RunUserInterface() {
  if (d_->quitPending) {
    d_->quitPending = false;
    return d_->quitCode;
  }
  QEventLoop loop;
  d_->loops.push_back(&loop);
  const int code = loop.exec();
  d_->loops.pop_back();
  return code;
}

void Toolkit::QuitUserInterface(int code) {
  // The running loop ends as soon as control returns to it, also when the
  // quit comes from a callback run by ProcessSystemEvents inside a callback.
  if (!d_->loops.empty()) {
    d_->loops.back()->exit(code);
  } else {
    d_->quitPending = true;
    d_->quitCode = code;
  }
}

void Toolkit::ProcessSystemEvents() {
  d_->ServePending();
}

void Toolkit::ProcessSystemEventsHoldingRepaints() {
  ++d_->holdRepaints;
  d_->ServePending();
  --d_->holdRepaints;
}

void Toolkit::RepaintNow() {
  // Qt posts one update request per window and none again until it has been
  // handled: each held one is handed to its window now.
  std::vector<QPointer<QWidget>> held;
  held.swap(d_->heldRepaints);
  for (const QPointer<QWidget>& window : held) {
    if (window == nullptr) continue;
    QEvent update(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window, &update);
  }
}

void Toolkit::ProcessSystemEventsUntil(double deadline, const std::uint16_t& flag) {
  constexpr double kLongestSleep = 0.1;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  while (flag != 0) {
    const double left = deadline - Timer();
    if (left <= 0.0) break;
    // Blocks until an event comes; the timer is the event that comes at the latest.
    d_->wake.start(static_cast<int>(std::ceil(std::min(left, kLongestSleep) * 1000.0)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  d_->wake.stop();
}

}  // namespace tavix::ui
