// The frame both programs share: start-up and shutdown with each program's
// own steps plugged in, the serial port and its line check, the failure
// reports, a port change from the COM field, the close of the main panel,
// and the polling loop. A program derives from it, adds one plain struct per
// subsystem, and says what differs: its panels, its callbacks and help
// texts, its defaults, what its line check does after the version, and
// which loop flags it has.
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "link/line_log.h"
#include "link/link.h"
#include "link/logged_port.h"
#include "protocol/params.h"
#include "shell/port_list_control.h"
#include "shell/settings.h"
#include "ui/toolkit.h"

namespace tavix::shell {

// A start-up failure, one line on standard error after the program's name.
void SayOnStandardError(const QString& line);

class Program : public link::FailureReporter {
 public:
  // `name`: the program's name, under which its settings are kept;
  // `lineCheckTitle`: the title of the line check's own time-out box.
  Program(ui::Toolkit& toolkit, link::Port& port, const char* name, const char* lineCheckTitle);
  ~Program() override;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  ui::Toolkit& tk;
  link::LineLog lineLog;  // frames, answers, failures, settle waits, port changes
  SettingsStore settings;
  PortListControl portList;  // beside the COM field

 private:
  link::LoggedPort loggedPort_;  // the link's port: the real one, logged

 public:
  link::Link lnk;               // link state: lnk.st
  protocol::ParamBlock block;   // pp: block.pp
  protocol::DataRecord record;  // databuf: record.databuf
  protocol::DataVars data;      // dataR ... dataGF

  // Start-up and shutdown.
  int WinMain();         // the whole program; the exit code
  int StartUp();         // callbacks, panels, defaults, port and line check: 0 or -1
  int RunAndShutDown();  // show the main panel, run the event loop, close the port: 0

  // Serial port and line check.
  void InitRS232(std::uint16_t com);
  void CheckComLine();
  void ShowStatus(const QString& text);
  // Enter in the COM field: the loops end, the port closes, and after the
  // settle delay of the last operation the port the field names is opened
  // and checked.
  void ChangePort(int panel);
  // A port chosen in the port list: its number into the COM field, then as
  // ChangePort.
  void ChoosePort(int panel);
  // The user closes the main panel: the loops end and the event loop quits.
  virtual void EndProgram();

  // A file dialog (FileSelectPopup with the extension completed, cancel and
  // new directories allowed) that starts where DialogStartDirectory says for
  // `dialog` and remembers the directory it was left in. The result as
  // FileSelectPopup's.
  int SelectFile(const QString& dialog, const QString& programDir, const QString& defaultName,
                 const QString& filter, const QString& title, const QString& buttonLabel,
                 QString* path);

  // Ctrl+S on `panel` saves the chart ChartOnShow names (SaveChart).
  void AddSaveChartShortcut(int panel);
  // The chart on show on `panel` as a PNG of its size, to a file the user
  // picks; a file that cannot be written is reported.
  void SaveChart(int panel);
  // The name of the chart `panel` shows, or empty when it shows none.
  virtual QString ChartOnShow(int /*panel*/) const { return QString(); }

  // Sets `flag` to 1 and asks for one data record after another while it
  // is 1; each good one, decoded and copied into the data variables, goes
  // to `show`. A failed answer (already reported) clears the flag. Pending
  // events run once each answer is in and before the next request goes out,
  // and may clear it; the answer is shown once the next request is on the
  // line and its guard has passed, and repaints run while the next answer
  // is on the line. `wantsNext` false holds the next request back until the
  // record is shown (a loop that waits or ends after it).
  void PollRecords(std::uint16_t& flag, const std::function<void()>& show,
                   const std::function<bool()>& wantsNext = nullptr);

  // Failure reports of the link.
  void ReportFailure() override;
  void ReportLinkLost(const QString& reason) override;

  // Each program's steps.
  virtual ui::CallbackTable MakeCallbackTable() = 0;
  // Loads every panel, the main one first; false when one fails.
  virtual bool LoadPanels() = 0;
  virtual int MainPanel() const = 0;
  virtual void InstallHelpTexts() = 0;
  virtual void InitVars() = 0;
  // What a good line check does after showing the version.
  virtual void AfterVersion() {}
  // Clears every loop flag.
  virtual void StopLoops() = 0;
  // Whether a loop runs (its flag is set): the port list waits until none does.
  virtual bool LoopRuns() const = 0;
  // The record's words into the data variables (each program its own step).
  virtual void CopyData() = 0;
  // Another port is about to be opened: what the program knew of the
  // sensor on the old one no longer holds.
  virtual void ForgetSensor() {}
  // Whether a failed transaction shows the time-out box besides "TIMEOUT".
  virtual bool ShowsTimeoutBox() const { return true; }

 private:
  // Port 1 is the device that answered the last line check when neither
  // --port nor TAVIX_COM1 names one and it is still there; the port line
  // says so (or that it is gone) after the first open.
  void UseRememberedDevice();

  const char* lineCheckTitle_;
  QString rememberedNote_;  // for the port line of the start's open
};

}  // namespace tavix::shell
