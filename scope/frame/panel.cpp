// The parameter controls and the teach table on the main panel.
#include "scope/callbacks.h"

namespace tavix::scope {

namespace {

// The nine parameter controls in the order they are read and written.
struct ParamControl {
  const char* name;
  std::uint16_t link::NamedParams::*variable;
};
constexpr ParamControl kParamControls[] = {
    {"SlidePower", &link::NamedParams::power},      {"EditPmod", &link::NamedParams::pmod},
    {"EditAverage", &link::NamedParams::average},   {"Evalmode", &link::NamedParams::evalmode},
    {"EditHold", &link::NamedParams::hold},         {"EditIntlim", &link::NamedParams::intlim},
    {"EditMaxcolNo", &link::NamedParams::maxcolno}, {"EditOutmode", &link::NamedParams::outmode},
    {"EditTrigger", &link::NamedParams::trigger},
};

}  // namespace

void Scope::GetPanelValues() {
  for (const ParamControl& c : kParamControls) {
    vars.*c.variable = static_cast<std::uint16_t>(tk.GetCtrlInt(frame.panel, c.name));
  }
  for (int row = 1; row <= link::kTeachRows; ++row) {
    for (int col = 1; col <= link::kTeachCols; ++col) {
      vars.ctt[row - 1][col - 1] =
          static_cast<std::uint16_t>(tk.GetTableCellVal(frame.panel, "TeachTable", col, row));
    }
  }
}

void Scope::SetPanelValues() {
  for (const ParamControl& c : kParamControls) {
    tk.SetCtrlVal(frame.panel, c.name, vars.*c.variable);
  }
  for (int row = 1; row <= link::kTeachRows; ++row) {
    for (int col = 1; col <= link::kTeachCols; ++col) {
      tk.SetTableCellVal(frame.panel, "TeachTable", col, row, vars.ctt[row - 1][col - 1]);
    }
  }
}

void Scope::ParaVis() {
  tk.SetVisible(frame.panel, "TeachGroup", false);
  tk.SetVisible(frame.panel, "ParaGroup", true);
}

void Scope::ParaInVis() {
  tk.SetVisible(frame.panel, "ParaGroup", false);
  tk.SetVisible(frame.panel, "TeachGroup", true);
}

int CBF_ParaVisible(int panel, int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event != ui::EVENT_COMMIT) return 0;
  if (s.tk.GetCtrlInt(panel, "ParaVisible") != 0) {
    s.ParaVis();
  } else {
    s.ParaInVis();
  }
  return 0;
}

int CBF_EditPmod(int panel, int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event != ui::EVENT_COMMIT) return 0;
  s.vars.pmod = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditPmod"));
  s.tk.SetDimmed(panel, "SlidePower", s.vars.pmod != 0);
  return 0;
}

}  // namespace tavix::scope
