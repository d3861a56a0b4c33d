// Control and panel callbacks of the scope program. Each is named CBF_ and
// the control's name; the table in callbacks.cpp binds them by that name.
#pragma once

#include <QStringList>

#include "scope/scope.h"

namespace tavix::scope {

inline Scope& ScopeOf(void* callbackData) {
  return *static_cast<Scope*>(callbackData);
}

// Panels (the main panel's CBF_P is the shell's).
int CBF_RECP(int panel, int event, void* callbackData, int, int);
int CBF_CALIBP(int panel, int event, void* callbackData, int, int);

// Parameter transfer.
int CBF_ButtonSend(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonGet(int panel, int control, int event, void* callbackData, int, int);
int CBF_SelectRAM(int panel, int control, int event, void* callbackData, int, int);
int CBF_SelectEEPROM(int panel, int control, int event, void* callbackData, int, int);
int CBF_SelectFILE(int panel, int control, int event, void* callbackData, int, int);

// Parameter panel.
int CBF_ParaVisible(int panel, int control, int event, void* callbackData, int, int);
int CBF_EditPmod(int panel, int control, int event, void* callbackData, int, int);

// Evaluation mode, signal display, gloss displays.
int CBF_Evalmode(int panel, int control, int event, void* callbackData, int, int);
int CBF_SelectSource(int panel, int control, int event, void* callbackData, int, int);
int CBF_DispGF(int panel, int control, int event, void* callbackData, int, int);
int CBF_DispGFBig(int panel, int control, int event, void* callbackData, int, int);
int CBF_GraphGF(int panel, int control, int event, void* callbackData, int, int);
int CBF_EditMaxcolNo(int panel, int control, int event, void* callbackData, int, int);
int CBF_EditOutmode(int panel, int control, int event, void* callbackData, int, int);

// Live data cycle.
int CBF_ButtonGo(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonStop(int panel, int control, int event, void* callbackData, int, int);

// Teach table, tolerance graphs, automatic adjustment.
int CBF_ButtonTeachDataTo(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonResetTable(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonApplyFromAll(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonZoom(int panel, int control, int event, void* callbackData, int, int);
int CBF_GraphData2(int panel, int control, int event, void* callbackData, int, int);
int CBF_AutoAdjust(int panel, int control, int event, void* callbackData, int, int);

// Gloss calibration.
int CBF_ButtonCalibGf60Deg(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonCloseCalib(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonStartCalibRef1(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonStartCalibRef2(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonConfirmCalib(int panel, int control, int event, void* callbackData, int, int);
// Recorder.
int CBF_ButtonOpenRecorder(int panel, int control, int event, void* callbackData, int, int);
int CBF_EditInterval(int panel, int control, int event, void* callbackData, int, int);
int CBF_EditRecVal(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonStartRecord(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonStopRecord(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonCloseRecorder(int panel, int control, int event, void* callbackData, int, int);
// Controls the recorder cannot work without; a layout that lacks one is refused.
QStringList RecorderPanelControls();

}  // namespace tavix::scope
