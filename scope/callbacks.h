// Control and panel callbacks of the scope program. Each is named CBF_ and
// the control's name; the table in callbacks.cpp binds them by that name.
// A callback that acts on commit only is declared as its action.
#pragma once

#include <QStringList>

#include "scope/scope.h"

namespace tavix::scope {

inline Scope& ScopeOf(void* callbackData) {
  return *static_cast<Scope*>(callbackData);
}

// A callback that acts on commit only, written as its action: the table
// registers `void CBF_ButtonStop(Scope&)` as Commit<CBF_ButtonStop>.
template <auto Action>
inline constexpr ui::CtrlCallback Commit = &ui::OnCommit<Scope, Action>;

// Panels (the main panel's CBF_P is the shell's).
int CBF_RECP(int panel, int event, void* callbackData, int, int);
int CBF_CALIBP(int panel, int event, void* callbackData, int, int);

// Parameter transfer.
void CBF_ButtonSend(Scope& s);
void CBF_ButtonGet(Scope& s);
int CBF_SelectRAM(int panel, int control, int event, void* callbackData, int, int);
int CBF_SelectEEPROM(int panel, int control, int event, void* callbackData, int, int);
int CBF_SelectFILE(int panel, int control, int event, void* callbackData, int, int);

// Parameter panel.
void CBF_ParaVisible(Scope& s, int panel);
void CBF_EditPmod(Scope& s, int panel);

// Evaluation mode, signal display, gloss displays.
void CBF_Evalmode(Scope& s);
void CBF_SelectSource(Scope& s);
int CBF_DispGF(int panel, int control, int event, void* callbackData, int, int);
int CBF_DispGFBig(int panel, int control, int event, void* callbackData, int, int);
int CBF_GraphGF(int panel, int control, int event, void* callbackData, int, int);
void CBF_EditMaxcolNo(Scope& s, int panel);
void CBF_EditOutmode(Scope& s, int panel);

// Live data cycle.
void CBF_ButtonGo(Scope& s, int panel);
void CBF_ButtonStop(Scope& s);

// Teach table, tolerance graphs, automatic adjustment.
void CBF_ButtonTeachDataTo(Scope& s, int panel);
void CBF_ButtonResetTable(Scope& s, int panel);
void CBF_ButtonApplyFromAll(Scope& s, int panel);
void CBF_ButtonZoom(Scope& s, int panel);
int CBF_GraphData2(int panel, int control, int event, void* callbackData, int, int);
void CBF_AutoAdjust(Scope& s);

// Gloss calibration.
void CBF_ButtonCalibGf60Deg(Scope& s);
void CBF_ButtonCloseCalib(Scope& s);
void CBF_ButtonStartCalibRef1(Scope& s, int panel);
void CBF_ButtonStartCalibRef2(Scope& s, int panel);
void CBF_ButtonConfirmCalib(Scope& s);
// Recorder.
void CBF_ButtonOpenRecorder(Scope& s);
void CBF_EditInterval(Scope& s);
void CBF_EditRecVal(Scope& s);
void CBF_ButtonStartRecord(Scope& s);
void CBF_ButtonStopRecord(Scope& s);
void CBF_ButtonCloseRecorder(Scope& s);
// Controls the recorder cannot work without; a layout that lacks one is refused.
QStringList RecorderPanelControls();

}  // namespace tavix::scope
