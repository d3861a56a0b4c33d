// Control and panel callbacks of the calibration program. Each is named CBF_
// and the control's name; the table in callbacks.cpp binds them by that name.
// A callback that acts on commit only is declared as its action.
#pragma once

#include "calib/calib.h"

namespace tavix::calib {

inline Calib& CalibOf(void* callbackData) {
  return *static_cast<Calib*>(callbackData);
}

// A callback that acts on commit only, written as its action: the table
// registers `void CBF_ButtonStop(Calib&)` as Commit<CBF_ButtonStop>.
template <auto Action>
inline constexpr ui::CtrlCallback Commit = &ui::OnCommit<Calib, Action>;

// The panel's CBF_P and CBF_EditConnect are the shell's.

// Live display.
void CBF_ButtonGo(Calib& c);
void CBF_ButtonStop(Calib& c);
void CBF_EditPmod(Calib& c);

// Calibration workflow.
void CBF_ButtonStartCalib(Calib& c);
void CBF_ButtonCalcCF(Calib& c);
void CBF_ButtonSendCF(Calib& c);
void CBF_ButtonGetCF(Calib& c);
void CBF_ButtonFinishCalib(Calib& c);

}  // namespace tavix::calib
