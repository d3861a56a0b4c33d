// The user-interface services both programs use: panels loaded from layout
// bundles, controls addressed by name, events delivered to callbacks, popups
// that tests can script, graphs, timer and event loop. Knows nothing of the
// sensor.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include <QString>
#include <QStringList>

#include "base/colours.h"
#include "base/timer.h"

class QWidget;

namespace tavix::ui {

// Events delivered to callbacks.
enum Event : int {
  EVENT_COMMIT = 1,             // a user's action on the control (never a value set by the program)
  EVENT_VAL_CHANGED = 2,        // the user changed the value (toggles, rings, sliders, numerics)
  EVENT_RIGHT_CLICK = 3,        // right mouse button on the control (no context menu)
  EVENT_LEFT_CLICK = 4,         // left mouse button press
  EVENT_LEFT_DOUBLE_CLICK = 5,  // left mouse button double click
  EVENT_CLOSE = 6,              // the user closes a panel (panel callbacks only)
};

// Control callback: (panel, control, event, callback data, event data 1, event data 2).
// `control` is the control's id within its panel (CtrlId). Returns 0.
using CtrlCallback = int (*)(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2);
// Panel callback: (panel, event, callback data, event data 1, event data 2). Returns 0.
using PanelCallback = int (*)(int panel, int event, void* callbackData, int eventData1,
                              int eventData2);

// Callbacks a program offers, by name ("CBF_ButtonGo"). A control named N is
// bound to "CBF_" + N, or to the name in its dynamic property "callback".
// A panel is bound to the name in its top widget's property "callback".
struct CallbackTable {
  std::map<QString, CtrlCallback> controls;
  std::map<QString, PanelCallback> panels;
  void* callbackData = nullptr;
};

// A control callback that acts on commit only, written as its action alone:
// every other event is ignored, and a commit calls `Action` with the program
// (the callback data, a `Program`) and, when the action takes it, the panel.
// An action `void CBF_ButtonStop(Program&)` is registered as
// &OnCommit<Program, CBF_ButtonStop>.
template <class Program, auto Action>
int OnCommit(int panel, int, int event, void* callbackData, int, int) {
  if (event != EVENT_COMMIT) return 0;
  Program& program = *static_cast<Program*>(callbackData);
  if constexpr (std::is_invocable_v<decltype(Action), Program&, int>) {
    Action(program, panel);
  } else {
    Action(program);
  }
  return 0;
}

// One control's help text, and the title of the box that shows it.
struct HelpText {
  const char* control;
  const char* text;
  const char* title = "INFO!";
};

// Colours are 0xRRGGBB (base/colours.h names the ones the programs share).
// As a background, kTransparent lets what lies behind the control show.
inline constexpr std::uint32_t kTransparent = 0x1000000;

enum class Axis { kX, kLeftY };

// What a popup showed, for tests and for the record.
struct PopupRecord {
  enum class Kind { kMessage, kConfirm, kFile } kind = Kind::kMessage;
  QString title;
  QString text;
  int answer = 0;             // confirm: 1 yes / 0 no; file: 0, 1 or 2
  QString path;               // file: the chosen path
  QString directory;          // file: the start directory (the text is the default name)
  QString filter;             // file: the name filter
  QStringList visiblePanels;  // object names of the panels shown at that moment
};

// The one place all popups go through. Unscripted, popups are real modal
// dialogs. Scripted (tests), nothing is shown: every popup is recorded and
// confirm and file popups take the next queued answer (no answer queued:
// confirm gives 0, the file dialog 0, cancelled).
class PopupScript {
 public:
  void SetScripted(bool on) { scripted_ = on; }
  bool Scripted() const { return scripted_; }
  void QueueConfirm(int answer);
  void QueueFile(int result, const QString& path);
  const std::vector<PopupRecord>& Shown() const { return shown_; }
  void ClearShown() { shown_.clear(); }
  // Called with every popup as it is shown (after its answer was taken),
  // before the program goes on: a test's hook for what happens meanwhile.
  void SetObserver(std::function<void(const PopupRecord&)> observer) {
    observer_ = std::move(observer);
  }

  // Used by the toolkit.
  bool TakeConfirm(int* answer);
  bool TakeFile(int* result, QString* path);
  void Record(PopupRecord record);

 private:
  std::function<void(const PopupRecord&)> observer_;
  bool scripted_ = false;
  std::vector<int> confirms_;
  std::vector<std::pair<int, QString>> files_;
  std::vector<PopupRecord> shown_;
};

class Toolkit {
 public:
  Toolkit();
  ~Toolkit();
  Toolkit(const Toolkit&) = delete;
  Toolkit& operator=(const Toolkit&) = delete;

  // Callbacks are bound at load from this table.
  void SetCallbacks(CallbackTable table);
  // What does not match between the table and the loaded panels, one line
  // each: a callback of the table that binds to no control or panel, and a
  // control or panel whose layout property "callback" names one the table
  // lacks. Empty when everything binds. A control without that property and
  // without "CBF_" + its name in the table just has no callback.
  QStringList BindingProblems() const;

  // Loads panel `resource` ("panel<resource>.ui") from the layout bundle
  // `file` (a path; relative paths are taken next to the executable).
  // Returns a handle > 0, or a negative value when the bundle is missing or
  // broken, the panel is not in it, or a control in `required` is missing:
  // -1 unknown parent, -2 bundle missing or broken, -3 no such panel,
  // -4 layout unreadable, -5 a required control missing. The panel starts
  // hidden; `parent` 0 makes it a window, a panel handle places it inside
  // that panel.
  int LoadPanel(int parent, const QString& file, int resource, const QStringList& required = {});
  // Why the last LoadPanel that failed failed, in one line naming the file.
  QString LoadFailure() const;
  int DisplayPanel(int panel);
  int HidePanel(int panel);
  int DiscardPanel(int panel);
  int InstallPopup(int panel);  // modal over everything else until RemovePopup
  int RemovePopup(int panel);
  QWidget* PanelWidget(int panel) const;                   // null for an unknown handle
  QWidget* Control(int panel, const QString& name) const;  // null when missing
  int CtrlId(int panel, const QString& name) const;        // -1 when missing
  QString CtrlName(int panel, int control) const;

  // Help text of a control, given to it as accessible description and
  // tooltip. A right click on a control with a help text shows the text in
  // a message box titled `title` (through MessagePopup); the control's
  // callback does not see that right click.
  void SetHelpText(int panel, const QString& ctrl, const QString& text,
                   const QString& title = QStringLiteral("INFO!"));
  // A whole help table at once: every entry names a control of `panel`.
  void SetHelpTexts(int panel, std::span<const HelpText> table);

  // Values. Numeric controls, rings (item values), switches, toggles,
  // sliders, bars, numeric and text displays.
  void SetCtrlVal(int panel, const QString& ctrl, double value);
  void SetCtrlVal(int panel, const QString& ctrl, const QString& text);
  int GetCtrlInt(int panel, const QString& ctrl) const;
  double GetCtrlDouble(int panel, const QString& ctrl) const;
  QString GetCtrlString(int panel, const QString& ctrl) const;

  // Attributes.
  void SetVisible(int panel, const QString& ctrl, bool visible);
  bool IsVisible(int panel, const QString& ctrl) const;  // the control's own flag
  void SetDimmed(int panel, const QString& ctrl, bool dimmed);
  bool IsDimmed(int panel, const QString& ctrl) const;
  void SetOperable(int panel, const QString& ctrl, bool operable);  // indicator when false
  void SetTextColor(int panel, const QString& ctrl, std::uint32_t rgb);
  void SetBackColor(int panel, const QString& ctrl, std::uint32_t rgb);  // buttons, texts
  // Font of a text: `family` empty is the application's default font.
  void SetFont(int panel, const QString& ctrl, const QString& family, int pointSize);
  std::uint32_t BackColor(int panel, const QString& ctrl) const;
  void SetLabel(int panel, const QString& ctrl, const QString& label);
  QString Label(int panel, const QString& ctrl) const;
  void SetPosition(int panel, const QString& ctrl, int top, int left);
  // Stacking of controls that share one place: front or behind.
  void BringToFront(int panel, const QString& ctrl);
  void SendBehind(int panel, const QString& ctrl);
  bool IsInFront(int panel, const QString& ctrl, const QString& other) const;
  void SetPanelBackColor(int panel, std::uint32_t rgb);

  // A new text message control on `panel` at (top, left), without a label,
  // above the controls already there and as large as its text. Returns its name, by which it is
  // addressed like any other control ("TextMsg1", ...); empty when the panel
  // is unknown.
  QString NewTextMsg(int panel, int top, int left);
  // Shows the bitmap `file` (found as DataFile finds it) in a picture control
  // (a text label in the layout), sized to the bitmap. On a display scaled by
  // N the variant "name@Nx.ext" is shown where there is one (Qt's naming), at
  // the same size on screen. 0, or -1 when the file cannot be read; the
  // control then keeps what it showed.
  int DisplayImageFile(int panel, const QString& ctrl, const QString& file);

  // Table controls; cells addressed (column, row) from 1.
  void SetTableCellVal(int panel, const QString& ctrl, int column, int row, int value);
  int GetTableCellVal(int panel, const QString& ctrl, int column, int row) const;
  void SetActiveTableCell(int panel, const QString& ctrl, int column, int row);
  void SetTableRowLabelColor(int panel, const QString& ctrl, int row, std::uint32_t rgb);
  std::uint32_t TableRowLabelColor(int panel, const QString& ctrl, int row) const;
  void SetTableColumnLabel(int panel, const QString& ctrl, int column, const QString& label);
  QString TableColumnLabel(int panel, const QString& ctrl, int column) const;

  // X/Y graphs. Plot handles are > 0; DeleteGraphPlot with -1 clears the graph.
  int PlotXY(int panel, const QString& ctrl, const std::uint16_t* xs, const std::uint16_t* ys,
             int count, std::uint32_t rgb);
  // Ellipse arc inside the rectangle (x1, y1)-(x2, y2); angles in tenths of a degree.
  int PlotArc(int panel, const QString& ctrl, double x1, double y1, double x2, double y2,
              int beginAngle, int arcAngle, std::uint32_t rgb);
  void DeleteGraphPlot(int panel, const QString& ctrl, int plot);
  int PlotCount(int panel, const QString& ctrl) const;
  void SetAxisRange(int panel, const QString& ctrl, Axis axis, double min, double max);
  void AxisRange(int panel, const QString& ctrl, Axis axis, double* min, double* max) const;
  void SetGraphCursor(int panel, const QString& ctrl, int cursor, double x, double y);
  void GetGraphCursor(int panel, const QString& ctrl, int cursor, double* x, double* y) const;
  void SetCursorColor(int panel, const QString& ctrl, int cursor, std::uint32_t rgb);
  std::uint32_t CursorColor(int panel, const QString& ctrl, int cursor) const;

  // Strip charts: `count` values, interleaved by trace, appended from
  // `start` every `skip + 1`-th; the chart shows the last points-per-screen.
  void PlotStripChart(int panel, const QString& ctrl, const double* values, int count, int start,
                      int skip);
  void SetPointsPerScreen(int panel, const QString& ctrl, int points);
  void SetTraceVisible(int panel, const QString& ctrl, int trace, bool visible);  // trace from 1
  bool TraceVisible(int panel, const QString& ctrl, int trace) const;
  // Strip chart: the values on screen; trend chart: every value.
  std::vector<double> TraceValues(int panel, const QString& ctrl, int trace) const;

  // Trend charts ("TrendChart" in layouts): every value given, against its
  // number, drawn decimated to the chart's width. Clearing makes room for
  // `points` values per trace; each plot appends one value to every trace
  // (`count` = the number of traces).
  void ClearTrendChart(int panel, const QString& ctrl, int points);
  void PlotTrendChart(int panel, const QString& ctrl, const double* values, int count);

  // Popups, all through Popups().
  PopupScript& Popups() { return popups_; }
  void MessagePopup(const QString& title, const QString& text);
  // The same box without waiting for OK: for news that must not hold up
  // what is running (scripted, recorded as a message).
  void NoticePopup(const QString& title, const QString& text);
  int ConfirmPopup(const QString& title, const QString& text);  // 1 yes, 0 no
  // 0 cancelled, 1 existing file, 2 new file; the chosen path in *path.
  // With `restrictExtension` a name without the filter's extension gets it
  // appended, and the result is that of the name so completed (scripted
  // answers too).
  int FileSelectPopup(const QString& directory, const QString& defaultName, const QString& filter,
                      const QString& title, const QString& buttonLabel, bool restrictDirectory,
                      bool restrictExtension, bool allowCancel, bool allowMakeDirectory,
                      QString* path);

  QString ProjectDir() const;  // the directory of the executable
  // Where a program's data file (layout bundle, bitmap) given by a relative
  // name is: next to the executable (the build tree), else in the data
  // directory of an installed program (<prefix>/share/tavix). An absolute
  // name is taken as it is; a file found in neither place is named next to
  // the executable.
  static QString DataFile(const QString& file);

  // Event loop. RunUserInterface runs until QuitUserInterface; a quit asked
  // for inside a nested loop ends the outer loop once control returns to it.
  int RunUserInterface();
  void QuitUserInterface(int code);
  // Runs the pending events. A request from the accessibility bus among
  // them is answered, and so is each one that follows it closely (a screen
  // reader's next question), for up to a tenth of a second; the wait for
  // them sleeps.
  void ProcessSystemEvents();
  // ProcessSystemEvents, but the panels' repaints wait for RepaintNow: a
  // polling loop runs user events between two frames and repaints while the
  // next answer is on the line. A popup shown meanwhile repaints first.
  void ProcessSystemEventsHoldingRepaints();
  // Does the repaints the panels have waiting; nothing when none wait.
  void RepaintNow();
  // Runs events as they come until Timer() reaches `deadline` or an event
  // has cleared `flag`. Sleeps while no event is pending (it never spins a
  // core) and wakes at least every 0.1 s.
  void ProcessSystemEventsUntil(double deadline, const std::uint16_t& flag);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
  PopupScript popups_;
};

}  // namespace tavix::ui
