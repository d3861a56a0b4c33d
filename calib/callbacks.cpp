#include "calib/callbacks.h"

#include "calib/help_texts.h"
#include "shell/callbacks.h"

namespace tavix::calib {

using namespace texts;

namespace {

// Help texts of the panel's controls; a right click on one of them shows its
// text in a box titled "INFO!".
constexpr ui::HelpText kHelp[] = {
    {"EditConnect", InfoEditConnect},
    {"SelectPort", InfoSelectPort},
    {"ButtonGo", InfoButtonGo},
    {"ButtonStop", InfoButtonStop},
    {"ButtonStartCalib", InfoButtonStartCalib},
    {"ButtonCalcCF", InfoButtonCalcCF},
    {"ButtonSendCF", InfoButtonSendCF},
    {"ButtonGetCF", InfoButtonGetCF},
    {"ButtonFinishCalib", InfoButtonFinishCalib},
    {"EditPmod", InfoEditPmod},
    {"EditPower", InfoEditPower},
    {"EditCFR", InfoEditCF},
    {"EditCFG", InfoEditCF},
    {"EditCFB", InfoEditCF},
    {"EditSetValue", InfoEditSetValue},
    {"EditMaxDelta", InfoEditMaxDelta},
    {"EditMaxPow", InfoEditMaxPow},
    {"DispBarRawR", InfoDispBarsRAW},
    {"DispBarRawG", InfoDispBarsRAW},
    {"DispBarRawB", InfoDispBarsRAW},
    {"DispRawR", InfoDispBarsRAW},
    {"DispRawG", InfoDispBarsRAW},
    {"DispRawB", InfoDispBarsRAW},
    {"DispBarR", InfoDispBars},
    {"DispBarG", InfoDispBars},
    {"DispBarB", InfoDispBars},
    {"DispR", InfoDispBars},
    {"DispG", InfoDispBars},
    {"DispB", InfoDispBars},
    {"DispDeltaRaw", InfoDispDeltaRaw},
    {"DispDeltaCalib", InfoDispDeltaCalib},
    {"DispPow", InfoDispPow},
    {"DispStatus", InfoStatus},
};

}  // namespace

ui::CallbackTable MakeCallbackTable(Calib* calib) {
  ui::CallbackTable table;
  table.callbackData = calib;
  table.panels = {{"CBF_P", shell::CBF_P<Calib>}};
  table.controls = {
      {"CBF_EditConnect", shell::CBF_EditConnect<Calib>},
      {"CBF_SelectPort", shell::CBF_SelectPort<Calib>},
      {"CBF_ButtonGo", Commit<CBF_ButtonGo>},
      {"CBF_ButtonStop", Commit<CBF_ButtonStop>},
      {"CBF_EditPmod", Commit<CBF_EditPmod>},
      {"CBF_ButtonStartCalib", Commit<CBF_ButtonStartCalib>},
      {"CBF_ButtonCalcCF", Commit<CBF_ButtonCalcCF>},
      {"CBF_ButtonSendCF", Commit<CBF_ButtonSendCF>},
      {"CBF_ButtonGetCF", Commit<CBF_ButtonGetCF>},
      {"CBF_ButtonFinishCalib", Commit<CBF_ButtonFinishCalib>},
  };
  return table;
}

void InstallHelpTexts(Calib& calib) {
  calib.tk.SetHelpTexts(calib.frame.panel, kHelp);
}

}  // namespace tavix::calib
