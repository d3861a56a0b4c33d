// Private state of the Toolkit, shared by the files that implement it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUiLoader>

#include "ui/toolkit.h"

class QAbstractSlider;
class QDialog;
class QEventLoop;
class QKeyEvent;
class QLabel;
class QTableWidget;

namespace tavix::ui {

// Builds the adapter's own widget classes named in layouts ("XYGraph",
// "StripChart", "TrendChart") and every standard widget.
class PanelLoader : public QUiLoader {
 public:
  using QUiLoader::QUiLoader;
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override;
};

// A slider whose layout property "valueLabel" names a label shows its value
// there, whoever changed it.
void ShowSliderValue(QAbstractSlider* slider);

struct ControlRecord {
  QPointer<QWidget> widget;
  QString name;
  CtrlCallback callback = nullptr;
  QPointer<QLabel> caption;  // a label whose buddy is this control
  bool operable = true;
  Qt::FocusPolicy focusPolicy = Qt::NoFocus;  // as the layout had it
  bool hasBackColor = false;
  std::uint32_t backColor = 0;
  bool edited = false;  // a text field typed into since its last commit
  // A ring's item changed and committed; the choice (activated) that made
  // the change follows and commits no more.
  bool ringChanged = false;
  // A numeric control's range as the layout gives it: the user's limits. A
  // value the program sets beyond them widens the widget's range instead.
  double layoutMin = 0.0;
  double layoutMax = 0.0;
  // A value set while the control is a number display off screen: it is
  // written when the display is shown or read (ShowPending).
  std::optional<double> pending;
  QString helpText;  // shown on a right click, when set
  QString helpTitle;
};

struct PanelRecord {
  QPointer<QWidget> widget;
  QString source;  // bundle and resource it was loaded from: "TavixScope.uir panel 2"
  PanelCallback callback = nullptr;
  std::vector<ControlRecord> controls;  // control id = index + 1
  std::map<QString, int> ids;
  std::vector<QPointer<QWidget>> watched;  // widgets with the event filter
};

struct Toolkit::Impl {
  // Routes the events of watched widgets to Impl::Filter.
  class Router : public QObject {
   public:
    explicit Router(Impl* impl) : impl_(impl) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      return impl_->Filter(watched, event);
    }

   private:
    Impl* impl_;
  };

  // Identifies one mouse event across its propagation to parent widgets.
  struct MouseKey {
    int type = 0;
    int button = 0;
    quint64 timestamp = 0;
    QPointF global;
    bool operator==(const MouseKey&) const = default;
  };

  Impl();
  ~Impl();

  // Bundles and panels.
  QString RegisterBundle(const QString& file);
  QString FindPanelFile(const QString& root, int resource) const;
  int Adopt(QWidget* top, const QStringList& required);
  void PrepareControl(int panel, int id);
  // Makes `w`, a new child of the panel, a control named `name`; its id.
  int AddControl(int panel, QWidget* w, const QString& name);
  void Bind(PanelRecord& panel);
  void Forget(int panel);

  // Lookup. Find warns once per missing name.
  PanelRecord* Panel(int panel);
  const PanelRecord* Panel(int panel) const;
  ControlRecord* Find(int panel, const QString& name);
  const ControlRecord* Find(int panel, const QString& name) const;
  QWidget* Widget(int panel, const QString& name) const;
  // Names, once, a control asked for a value or text it does not hold.
  void WarnNoValue(int panel, const QString& name) const;
  ControlRecord* Record(int panel, int id);  // null for an unknown id
  QString CtrlNameOf(int panel, int id) const;
  template <class T>
  T* As(int panel, const QString& name) const {
    return qobject_cast<T*>(Widget(panel, name));
  }

  // Values (controls.cpp). WriteValue puts a number into a control;
  // ShowPending writes one that waits (a display off screen).
  void WriteValue(ControlRecord& control, double value);
  void ShowPending(ControlRecord& control);

  // Events.
  bool Filter(QObject* watched, QEvent* event);
  bool MouseEvent(int panel, int control, QEvent* event);
  void CommitOnEnter(int panel, int control, const QKeyEvent* key);
  void Dispatch(int panel, int control, int event, int data1 = 0, int data2 = 0);
  void DispatchPanel(int panel, int event);

  // Popups.
  QStringList VisiblePanels() const;
  QWidget* DialogParent() const;
  // Runs a popup dialog until it is done; its result. The dialog is modal
  // by the toolkit's hand, not Qt's: the panels take no input meanwhile, but
  // a close of a panel still reaches its callback (Qt drops a close for a
  // window that a modal dialog blocks, and the program must see every one).
  int RunDialog(QDialog& dialog);
  int dialogsUp = 0;

  // Runs the pending events; then, while requests from outside the
  // program (the accessibility bus) keep coming, each as it arrives, for as
  // long as the next follows within kConversationGap, up to
  // kConversationBudget in all. Blocks while waiting; never spins.
  void ServePending();
  // Counts requests from outside the program as the application delivers
  // them: the accessibility bridge's calls reach it as posted calls.
  class RequestCounter : public QObject {
   public:
    explicit RequestCounter(Impl* impl) : impl_(impl) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

   private:
    Impl* impl_;
  };
  int outsideRequests = 0;
  RequestCounter requestCounter{this};
  QTimer serveWake;  // ends a wait of ServePending

  // Repaints held while a polling loop runs its events (RepaintNow).
  int holdRepaints = 0;
  std::vector<QPointer<QWidget>> heldRepaints;

  Toolkit* self = nullptr;  // the owner: help boxes go through its popups
  CallbackTable table;
  std::map<int, PanelRecord> panels;
  int nextPanel = 1;
  std::map<QString, QString> bundles;  // absolute path -> resource root
  int nextBundle = 1;
  QString loadFailure;  // why the last LoadPanel failed
  int nextTextMsg = 1;  // numbers the text messages made at run time
  PanelLoader loader;
  Router router;
  std::unordered_map<const QObject*, std::pair<int, int>>
      targets;  // -> (panel, control; 0 = panel)
  MouseKey lastMouse;
  int numberChanges = 0;           // user changes of numeric controls so far
  std::vector<QEventLoop*> loops;  // running RunUserInterface loops, innermost last
  QTimer wake;                     // ends the sleep of ProcessSystemEventsUntil
  bool quitPending = false;
  int quitCode = 0;
  mutable std::set<QString> warned;
};

// Text of a label or button without its mnemonic marks ("&Go" -> "Go").
QString PlainLabel(const QString& text);

// The name a screen reader gives a control: its visible text or caption
// (accessibility.cpp).
QString AccessibleNameFor(const ControlRecord& control);
// Makes rings report their label as their name to screen readers.
void InstallAccessibility();

// Shows a panel or popup above the others and gives a window the input focus.
void ShowInFront(QWidget* w);

// Gives a table control integer cells and an integer cell editor (controls.cpp).
void PrepareTable(QTableWidget* table);

// The widget's range is the layout's again; a value outside it is clamped
// (after a user's change, of a value the program had set beyond it).
void RestoreLayoutRange(const ControlRecord& control);

}  // namespace tavix::ui
