#include "scope/callbacks.h"

#include "scope/help_texts.h"
#include "shell/callbacks.h"

namespace tavix::scope {

using namespace texts;

namespace {

// Help texts of the main panel's controls; a right click on one of them
// shows its text in a box titled "INFO!" unless the entry names a title.
constexpr ui::HelpText kMainHelp[] = {
    {"DispStatus", InfoStatus},
    {"EditConnect", InfoEditConnect},
    {"SelectPort", InfoSelectPort},
    {"ButtonSend", InfoButtonSend},
    {"ButtonGet", InfoButtonGet},
    {"SelectRAM", InfoSelectMEM},
    {"SelectEEPROM", InfoSelectMEM},
    {"SelectFILE", InfoSelectMEM},
    {"SlidePower", InfoEditPower},
    {"EditPmod", InfoEditPmod},
    {"EditAverage", InfoEditAverage},
    {"Evalmode", InfoEditEvalmode},
    {"EditHold", InfoEditHold},
    {"EditIntlim", InfoEditIntlim},
    {"EditMaxcolNo", InfoEditMaxcolNo},
    {"EditOutmode", InfoEditOutmode},
    {"EditTrigger", InfoEditTrigger},
    {"ParaVisible", InfoSwitchPara},
    {"EditNo", InfoEditNo},
    {"RadioInc", InfoRadioInc},
    {"SelectSource", InfoSelectSource},
    {"DispX", InfoDispX},
    {"DispY", InfoDispY},
    {"DispINT", InfoDispINT},
    {"DispR", InfoDispRAW},
    {"DispG", InfoDispRAW},
    {"DispB", InfoDispRAW},
    {"DispCOL", InfoDispCOL},
    {"DispGF", InfoDispGF, "Info"},
    {"DispRED", InfoDispBars},
    {"DispGREEN", InfoDispBars},
    {"DispBLUE", InfoDispBars},
    {"GraphRaw1", InfoGraph},
    {"GraphData1", InfoGraph},
    {"GraphGF", InfoGraphGF},
    {"ButtonGo", InfoButtonGo},
    {"ButtonStop", InfoButtonStop},
    {"ButtonTeachDataTo", InfoButtonTeachDataTo},
    {"ButtonResetTable", InfoButtonResetTable},
    {"ButtonApplyFromAll", InfoButtonApplyFromAll},
    {"ButtonZoom", InfoButtonZoom},
    {"ButtonAutoAdjust", InfoButtonAutoAdjust},
    {"ButtonCalibGf60Deg", InfoButtonCalibGf60Deg},
    {"ButtonOpenRecorder", InfoButtonOpenRecorder},
};

constexpr ui::HelpText kRecorderHelp[] = {
    {"ButtonCloseRecorder", InfoButtonCloseRecorder},
    {"ButtonStartRecord", InfoButtonStartRecord},
    {"ButtonStopRecord", InfoButtonStopRecord},
    {"EditInterval", InfoEditInterval},
    {"EditRecVal", InfoEditRecVal},
    {"DispRecordTimeDays", InfoDispRecordTime},
    {"DispRecordTimeHours", InfoDispRecordTime},
    {"DispRecordTimeMinutes", InfoDispRecordTime},
    {"DispRecordTimeSeconds", InfoDispRecordTime},
    {"DispRecordedValues", InfoDispRecordedValues},
    {"DispRemaining", InfoDispRemaining},
    {"GraphRecord", InfoGraphRecord},
};

// Help texts of the gloss calibration panel.
constexpr ui::HelpText kCalibHelp[] = {
    {"ButtonCloseCalib", InfoButtonCloseCalib},
    {"ButtonStartCalibRef1", InfoButtonStartCalibRef1},
    {"ButtonStartCalibRef2", InfoButtonStartCalibRef2},
    {"ButtonConfirmCalib", InfoButtonConfirmCalib},
    {"Disp60Deg", InfoDispCalib60DEG},
    {"SlideCalibPower", InfoEditPower},
};

}  // namespace

ui::CallbackTable MakeCallbackTable(Scope* scope) {
  ui::CallbackTable table;
  table.callbackData = scope;
  table.panels = {
      {"CBF_P", shell::CBF_P<Scope>},
      {"CBF_RECP", CBF_RECP},
      {"CBF_CALIBP", CBF_CALIBP},
  };
  table.controls = {
      {"CBF_EditConnect", shell::CBF_EditConnect<Scope>},
      {"CBF_SelectPort", shell::CBF_SelectPort<Scope>},
      {"CBF_ButtonSend", Commit<CBF_ButtonSend>},
      {"CBF_ButtonGet", Commit<CBF_ButtonGet>},
      {"CBF_SelectRAM", CBF_SelectRAM},
      {"CBF_SelectEEPROM", CBF_SelectEEPROM},
      {"CBF_SelectFILE", CBF_SelectFILE},
      {"CBF_ParaVisible", Commit<CBF_ParaVisible>},
      {"CBF_EditPmod", Commit<CBF_EditPmod>},
      {"CBF_Evalmode", Commit<CBF_Evalmode>},
      {"CBF_SelectSource", Commit<CBF_SelectSource>},
      {"CBF_DispGF", CBF_DispGF},
      {"CBF_DispGFBig", CBF_DispGFBig},
      {"CBF_GraphGF", CBF_GraphGF},
      {"CBF_EditMaxcolNo", Commit<CBF_EditMaxcolNo>},
      {"CBF_EditOutmode", Commit<CBF_EditOutmode>},
      {"CBF_ButtonCalibGf60Deg", Commit<CBF_ButtonCalibGf60Deg>},
      {"CBF_ButtonGo", Commit<CBF_ButtonGo>},
      {"CBF_ButtonStop", Commit<CBF_ButtonStop>},
      {"CBF_ButtonTeachDataTo", Commit<CBF_ButtonTeachDataTo>},
      {"CBF_ButtonResetTable", Commit<CBF_ButtonResetTable>},
      {"CBF_ButtonApplyFromAll", Commit<CBF_ButtonApplyFromAll>},
      {"CBF_ButtonZoom", Commit<CBF_ButtonZoom>},
      {"CBF_GraphData2", CBF_GraphData2},
      {"CBF_AutoAdjust", Commit<CBF_AutoAdjust>},
      {"CBF_ButtonCloseCalib", Commit<CBF_ButtonCloseCalib>},
      {"CBF_ButtonStartCalibRef1", Commit<CBF_ButtonStartCalibRef1>},
      {"CBF_ButtonStartCalibRef2", Commit<CBF_ButtonStartCalibRef2>},
      {"CBF_ButtonConfirmCalib", Commit<CBF_ButtonConfirmCalib>},
      {"CBF_ButtonOpenRecorder", Commit<CBF_ButtonOpenRecorder>},
      {"CBF_EditInterval", Commit<CBF_EditInterval>},
      {"CBF_EditRecVal", Commit<CBF_EditRecVal>},
      {"CBF_ButtonStartRecord", Commit<CBF_ButtonStartRecord>},
      {"CBF_ButtonStopRecord", Commit<CBF_ButtonStopRecord>},
      {"CBF_ButtonCloseRecorder", Commit<CBF_ButtonCloseRecorder>},
  };
  return table;
}

void InstallHelpTexts(Scope& scope) {
  scope.tk.SetHelpTexts(scope.frame.panel, kMainHelp);
  scope.tk.SetHelpTexts(scope.frame.calibpanel, kCalibHelp);
  scope.tk.SetHelpTexts(scope.frame.recpanel, kRecorderHelp);
}

}  // namespace tavix::scope
