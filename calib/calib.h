// The calibration program object: every piece of program state, composed
// from one plain struct per concern on the shared program frame, and the
// program's operations.
// Callbacks reach it as their callback data.
#pragma once

#include <cstdint>

#include <QString>

#include "logic/calib_factors.h"
#include "protocol/codes.h"
#include "protocol/frame.h"
#include "protocol/params.h"
#include "shell/program.h"
#include "ui/toolkit.h"

namespace tavix::calib {

inline constexpr const char* kLayoutFile = "TavixCalib.uir";
inline constexpr int kPanelResource = 1;

// Settle delays (seconds) of this program's operations.
inline constexpr double kSettleCalibPara = 0.2;
inline constexpr double kSettleGetCF = protocol::kSettleGetCF;
inline constexpr double kSettleSendCF = protocol::kSettleSendCF;

// The panel and the program's place in its life.
struct FrameState {
  int panel = -1;
  protocol::Target target = protocol::Target::RAM;  // this program only writes to the sensor
  bool closing = false;  // the user closed the panel: no loop starts any more
};

// The GO loop.
struct LiveState {
  std::uint16_t poll = 0;  // 1 while the GO loop runs
  bool running = false;    // GetData is on the stack
  std::uint16_t deltaraw = 0;
  std::uint16_t deltacalib = 0;
};

// The calibration workflow's values.
struct CalibState {
  protocol::CalibFactors cf;  // cfrot, cfgruen, cfblau
  std::uint16_t pmod = 0;
  std::uint16_t power = 0;
  std::uint16_t setvalue = 0;
  std::uint16_t maxdelta = 0;
  std::uint16_t maxpow = 0;
  logic::ChannelMeans means;  // meanR, meanG, meanB, meanD
  bool measuring = false;     // CalcCF is taking its 100 frames
  // The factor fields hold factors read from the sensor on this port or
  // calculated in this run, not the layout's start values.
  bool factorsKnown = false;
};

// tk, lnk (link state lnk.st), block (pp), record (databuf) and data
// (dataR ... dataRawB) are the frame's.
class Calib final : public shell::Program {
 public:
  Calib(ui::Toolkit& toolkit, link::Port& port);

  FrameState frame;
  LiveState live;
  CalibState cal;

  // The frame's steps. The line check reads no parameter set: the version
  // is the whole check.
  ui::CallbackTable MakeCallbackTable() override;
  bool LoadPanels() override;
  int MainPanel() const override { return frame.panel; }
  void InstallHelpTexts() override;
  void InitVars() override;
  void StopLoops() override { live.poll = 0; }
  bool LoopRuns() const override { return live.poll != 0 || cal.measuring; }
  void CopyData() override;  // CopyDatatoVarsCalib: this program has no gloss factor
  // The measurement reports its own end ("CALIBRATION FAILED!").
  bool ShowsTimeoutBox() const override { return !cal.measuring; }
  void ForgetSensor() override { cal.factorsKnown = false; }  // another sensor may answer
  // No loop starts any more once the user has closed the panel.
  void EndProgram() override;

  // Live display.
  void GetData();
  // Starts the GO loop, or lets the one running further out go on.
  void StartGo();
  void SetPanelData();
  void SetVisible();

  // Calibration workflow.
  void SendCalibPara();
  // False when no factors came (reported).
  bool GetCF();
  void SendCF();
  // True when the factor fields may go to the EEPROM: factors read or
  // calculated in this run, or the user agrees to the values shown in a
  // yes/no box titled `title`.
  bool FactorsToSend(const char* title);
  void CalcCF();
  void SetCF();
  void SendPara();
  // Dims the controls that would disturb a running measurement.
  void LockForMeasurement(bool locked);
  // The port is closed (never opened, or lost on the way). An operation that
  // finds it so after a failure has reported it once and skips the rest.
  bool PortGone() { return !lnk.port().IsOpen(); }
};

// The callback table of the program, with `calib` as callback data.
ui::CallbackTable MakeCallbackTable(Calib* calib);
// Help texts of the panel's controls: the right-click box, the accessible
// description and the tooltip.
void InstallHelpTexts(Calib& calib);

}  // namespace tavix::calib
