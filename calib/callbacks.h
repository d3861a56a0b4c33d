// Control and panel callbacks of the calibration program. Each is named CBF_
// and the control's name; the table in callbacks.cpp binds them by that name.
#pragma once

#include "calib/calib.h"

namespace tavix::calib {

inline Calib& CalibOf(void* callbackData) {
  return *static_cast<Calib*>(callbackData);
}

// The panel's CBF_P and CBF_EditConnect are the shell's.

// Live display.
int CBF_ButtonGo(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonStop(int panel, int control, int event, void* callbackData, int, int);
int CBF_EditPmod(int panel, int control, int event, void* callbackData, int, int);

// Calibration workflow.
int CBF_ButtonStartCalib(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonCalcCF(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonSendCF(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonGetCF(int panel, int control, int event, void* callbackData, int, int);
int CBF_ButtonFinishCalib(int panel, int control, int event, void* callbackData, int, int);

}  // namespace tavix::calib
