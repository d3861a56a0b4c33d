// The scope program object: every piece of program state, composed from one
// plain struct per subsystem on the shared program frame, and the program's
// operations. Callbacks reach it as their callback data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "logic/gloss_calib.h"
#include "logic/history.h"
#include "logic/record_store.h"
#include "logic/zoom_scale.h"
#include "protocol/codes.h"
#include "protocol/params.h"
#include "shell/program.h"
#include "ui/toolkit.h"

namespace tavix::scope {

inline constexpr const char* kLayoutFile = "TavixScope.uir";
inline constexpr int kScopePanelResource = 2;
inline constexpr int kRecorderPanelResource = 3;
inline constexpr int kCalibPanelResource = 1;

inline constexpr std::uint32_t kBoundaryGrey = 0xA0A0A0;

// Panels and the transfer settings of the program frame.
struct FrameState {
  int panel = -1;                                   // main (scope) panel
  int recpanel = -1;                                // recorder panel
  int calibpanel = -1;                              // gloss calibration panel
  QString proj_dir;                                 // start directory of the file dialogs
  QString file_name;                                // file chosen in the last file dialog
  protocol::Target target = protocol::Target::RAM;  // of Send and Get
};

// Flags of the loops that run inside callbacks.
struct LoopFlags {
  std::uint16_t poll = 0;        // live cycle and zoom run while 1
  std::uint16_t pollrecord = 0;  // recorder runs while nonzero
};

// Live history and signal selection.
struct LiveState {
  logic::ChannelHistory alldata{};          // frames of R, G, B, INT, COL, upper, lower
  logic::GlossHistory gfbuf{};              // frames of GF, upper, lower
  std::uint16_t source = 0;                 // SOURCE selection 0..6
  std::uint16_t scale = 0;                  // gloss chart: 0 fixed 0..1000, 1 automatic
  std::array<std::uint16_t, 4096> xramp{};  // boundary line X + Y = 4095
  std::array<std::uint16_t, 4096> yramp{};
  bool cycleRunning = false;  // GetData is the innermost polling loop (a Go then is ignored)
};

struct TeachState {
  logic::ZoomBox box;  // view box of the zoom graph, fixed when the zoom starts
};

// Gloss calibration: gfpow1, gfpow2 and gf60deg (0 at start, kept for the
// run) and whether a reference workflow is running.
struct GlossCalState : logic::GlossWords {
  bool searching = false;   // meanwhile the calibration panel ignores its buttons
  bool closeAsked = false;  // a close during a search: it ends at its next step, then the panel
};

struct RecorderState {
  std::uint16_t zeitint = 1;   // interval in seconds
  std::uint16_t anzwerte = 0;  // records to take
  std::uint16_t reczeit = 0;   // last part written to the record-time display
  std::uint16_t otcrec = 0;    // records taken in the current recording
  double waitEnded = 0.0;      // when the last interval wait ended (Stop ends it early)
  // The record store, allocated once: recording allocates nothing.
  std::vector<logic::Record> rawfile = std::vector<logic::Record>(logic::kMaxRecords);
  logic::RecoveryFile recovery;  // every record as it is taken, beside file_name
};

// tk, lnk (link state lnk.st), block (pp), record (databuf) and data
// (dataR ... dataGF) are the frame's.
class Scope final : public shell::Program {
 public:
  Scope(ui::Toolkit& toolkit, link::Port& port);

  protocol::NamedParams vars;  // power ... trigger, ctt
  FrameState frame;
  LoopFlags flags;
  LiveState live;
  TeachState teach;
  GlossCalState gloss;
  RecorderState rec;

  // The frame's steps.
  ui::CallbackTable MakeCallbackTable() override;
  bool LoadPanels() override;  // main, recorder, calibration panel; proj_dir
  int MainPanel() const override { return frame.panel; }
  void InstallHelpTexts() override;
  void InitVars() override;
  void AfterVersion() override { GetPara(); }  // the sensor's parameter set onto the panel
  void StopLoops() override;
  bool LoopRuns() const override {
    return flags.poll != 0 || flags.pollrecord != 0 || gloss.searching;
  }
  void CopyData() override;
  // The main panel's graph in front, the recorder's chart.
  QString ChartOnShow(int panel) const override;

  // Parameter transfer.
  void SendPara();
  void GetPara();
  void SendParaToFile();
  void ReadParaFromFile();

  // Parameter panel.
  void GetPanelValues();
  void SetPanelValues();
  void ParaVis();
  void ParaInVis();

  // Evaluation mode and signal display.
  void InitEval();
  void DispVis();
  // MAXVEC-No. against OUTMODE: warns when maxcolno > 5 and outmode is not BINARY.
  void CheckMaxColNo();
  // Row labels 1..maxcolno green, the others red.
  void MarkActiveRows();

  // Live data cycle.
  void GetData();
  // The grey boundary line X + Y = 4095 on an X/Y graph, as Go, ApplyFromAll
  // and the zoom draw it.
  void PlotBoundary(const char* graph);
  void SetPanelData();
  void ShowGraph();

  // Teach table, tolerance graphs and the automatic tolerance adjustment.
  void TeachDataTo();
  void ResetTable();
  void ApplyFromAll();
  void ShowGraphData2();
  void AutoAdjust();

  // Gloss calibration.
  void ChangePanelCalib();  // back to the main panel
  void StartCalibrationRef1();
  void StartCalibrationRef2();
  void ConfirmCalibration();
  // The calibration parameter set as one order-1 frame; false when the frame
  // did not go out (reported).
  bool SendCalibPara();
  void SetCalibValues();
  // One data record, its raw 60-degree value shown on the calibration
  // panel; false when none came (reported).
  bool GetDataFrame();
  // One search step: the trial power on the slider, the calibration set to
  // the sensor, the settle wait, one data record; its raw 60-degree value.
  std::optional<std::uint16_t> CalibStep(std::uint16_t power);
  // Recorder.
  void CalcRecTime();
  void Record();
  void DoRecord();
  void RecordFrame();
  void SetRecordData();
  void SlowDown();
  // Stores the reading shown last as record otcrec, in the recovery file
  // too; ends the recording when the count is reached.
  void AppendRecord();
  // The save question and the save, again under another name after a
  // failure until it succeeds or the user declines.
  void SaveRecords();
  void StopRecord();
  void ChangePanelRecord();
};

// The callback table of the whole program, with `scope` as callback data.
ui::CallbackTable MakeCallbackTable(Scope* scope);
// Help texts of the controls of each panel: the right-click box, the
// accessible description and the tooltip.
void InstallHelpTexts(Scope& scope);

}  // namespace tavix::scope
