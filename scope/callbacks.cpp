#include "scope/callbacks.h"

#include <iterator>

#include "scope/help_texts.h"

namespace tavix::scope {

using namespace texts;

namespace {

constexpr HelpEntry kMainHelp[] = {
    {"DispStatus", InfoStatus, "INFO!"},
    {"EditConnect", InfoEditConnect, "INFO!"},
    {"ButtonSend", InfoButtonSend, "INFO!"},
    {"ButtonGet", InfoButtonGet, "INFO!"},
    {"SelectRAM", InfoSelectMEM, "INFO!"},
    {"SelectEEPROM", InfoSelectMEM, "INFO!"},
    {"SelectFILE", InfoSelectMEM, "INFO!"},
    {"SlidePower", InfoEditPower, "INFO!"},
    {"EditPmod", InfoEditPmod, "INFO!"},
    {"EditAverage", InfoEditAverage, "INFO!"},
    {"Evalmode", InfoEditEvalmode, "INFO!"},
    {"EditHold", InfoEditHold, "INFO!"},
    {"EditIntlim", InfoEditIntlim, "INFO!"},
    {"EditMaxcolNo", InfoEditMaxcolNo, "INFO!"},
    {"EditOutmode", InfoEditOutmode, "INFO!"},
    {"EditTrigger", InfoEditTrigger, "INFO!"},
    {"ParaVisible", InfoSwitchPara, "INFO!"},
    {"EditNo", InfoEditNo, "INFO!"},
    {"RadioInc", InfoRadioInc, "INFO!"},
    {"SelectSource", InfoSelectSource, "INFO!"},
    {"DispX", InfoDispX, "INFO!"},
    {"DispY", InfoDispY, "INFO!"},
    {"DispINT", InfoDispINT, "INFO!"},
    {"DispR", InfoDispRAW, "INFO!"},
    {"DispG", InfoDispRAW, "INFO!"},
    {"DispB", InfoDispRAW, "INFO!"},
    {"DispCOL", InfoDispCOL, "INFO!"},
    {"DispGF", InfoDispGF, "Info"},
    {"DispRED", InfoDispBars, "INFO!"},
    {"DispGREEN", InfoDispBars, "INFO!"},
    {"DispBLUE", InfoDispBars, "INFO!"},
    {"GraphRaw1", InfoGraph, "INFO!"},
    {"GraphData1", InfoGraph, "INFO!"},
    {"GraphGF", InfoGraphGF, "INFO!"},
    {"ButtonGo", InfoButtonGo, "INFO!"},
    {"ButtonStop", InfoButtonStop, "INFO!"},
    {"ButtonTeachDataTo", InfoButtonTeachDataTo, "INFO!"},
    {"ButtonResetTable", InfoButtonResetTable, "INFO!"},
    {"ButtonApplyFromAll", InfoButtonApplyFromAll, "INFO!"},
    {"ButtonZoom", InfoButtonZoom, "INFO!"},
    {"ButtonAutoAdjust", InfoButtonAutoAdjust, "INFO!"},
    {"ButtonCalibGf60Deg", InfoButtonCalibGf60Deg, "INFO!"},
};

}  // namespace

const HelpEntry* FindMainHelp(const QString& control) {
  for (const HelpEntry& entry : kMainHelp) {
    if (control == QLatin1String(entry.control)) return &entry;
  }
  return nullptr;
}

int CBF_HelpOnly(int panel, int control, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (const HelpEntry* help = FindMainHelp(s.tk.CtrlName(panel, control))) {
    s.HelpOnRightClick(event, help->text, help->title);
  }
  return 0;
}

ui::CallbackTable MakeCallbackTable(Scope* scope) {
  ui::CallbackTable table;
  table.callbackData = scope;
  table.panels = {
      {"CBF_P", CBF_P},
      {"CBF_RECP", CBF_RECP},
      {"CBF_CALIBP", CBF_CALIBP},
  };
  table.controls = {
      {"CBF_EditConnect", CBF_EditConnect},
      {"CBF_ButtonSend", CBF_ButtonSend},
      {"CBF_ButtonGet", CBF_ButtonGet},
      {"CBF_SelectRAM", CBF_SelectRAM},
      {"CBF_SelectEEPROM", CBF_SelectEEPROM},
      {"CBF_SelectFILE", CBF_SelectFILE},
      {"CBF_ParaVisible", CBF_ParaVisible},
      {"CBF_EditPmod", CBF_EditPmod},
      {"CBF_Evalmode", CBF_Evalmode},
      {"CBF_SelectSource", CBF_SelectSource},
      {"CBF_DispGF", CBF_DispGF},
      {"CBF_DispGFBig", CBF_DispGFBig},
      {"CBF_GraphGF", CBF_GraphGF},
      {"CBF_EditMaxcolNo", CBF_EditMaxcolNo},
      {"CBF_EditOutmode", CBF_EditOutmode},
      {"CBF_ButtonCalibGf60Deg", CBF_ButtonCalibGf60Deg},
      {"CBF_ButtonGo", CBF_ButtonGo},
      {"CBF_ButtonStop", CBF_ButtonStop},
      {"CBF_ButtonTeachDataTo", CBF_ButtonTeachDataTo},
      {"CBF_ButtonResetTable", CBF_ButtonResetTable},
      {"CBF_ButtonApplyFromAll", CBF_ButtonApplyFromAll},
      {"CBF_ButtonZoom", CBF_ButtonZoom},
      {"CBF_GraphData2", CBF_GraphData2},
      {"CBF_AutoAdjust", CBF_AutoAdjust},
  };
  // Controls whose callback does nothing but show the help text.
  for (const char* name :
       {"CBF_DispStatus", "CBF_SlidePower", "CBF_EditAverage", "CBF_EditHold", "CBF_EditIntlim",
        "CBF_EditTrigger", "CBF_EditNo", "CBF_RadioInc", "CBF_DispX", "CBF_DispY", "CBF_DispINT",
        "CBF_DispRGB", "CBF_DispCOL", "CBF_DispRED", "CBF_DispGREEN", "CBF_DispBLUE",
        "CBF_GraphRaw1", "CBF_GraphData1"}) {
    table.controls.emplace(name, CBF_HelpOnly);
  }
  return table;
}

void InstallHelpTexts(Scope& scope) {
  for (const HelpEntry& entry : kMainHelp) {
    scope.tk.SetHelpText(scope.frame.panel, entry.control, entry.text);
  }
}

}  // namespace tavix::scope
