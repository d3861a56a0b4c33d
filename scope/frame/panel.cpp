// The parameter controls and the teach table on the main panel.
#include "scope/callbacks.h"

namespace tavix::scope {

namespace {

// The nine parameter controls in the order they are read and written.
struct ParamControl {
  const char* name;
  std::uint16_t protocol::NamedParams::*variable;
};
constexpr ParamControl kParamControls[] = {
    {"SlidePower", &protocol::NamedParams::power},
    {"EditPmod", &protocol::NamedParams::pmod},
    {"EditAverage", &protocol::NamedParams::average},
    {"Evalmode", &protocol::NamedParams::evalmode},
    {"EditHold", &protocol::NamedParams::hold},
    {"EditIntlim", &protocol::NamedParams::intlim},
    {"EditMaxcolNo", &protocol::NamedParams::maxcolno},
    {"EditOutmode", &protocol::NamedParams::outmode},
    {"EditTrigger", &protocol::NamedParams::trigger},
};

}  // namespace

void Scope::GetPanelValues() {
  for (const ParamControl& c : kParamControls) {
    vars.*c.variable = static_cast<std::uint16_t>(tk.GetCtrlInt(frame.panel, c.name));
  }
  for (int row = 1; row <= protocol::kTeachRows; ++row) {
    for (int col = 1; col <= protocol::kTeachCols; ++col) {
      vars.ctt[row - 1][col - 1] =
          static_cast<std::uint16_t>(tk.GetTableCellVal(frame.panel, "TeachTable", col, row));
    }
  }
}

void Scope::SetPanelValues() {
  for (const ParamControl& c : kParamControls) {
    tk.SetCtrlVal(frame.panel, c.name, vars.*c.variable);
  }
  for (int row = 1; row <= protocol::kTeachRows; ++row) {
    for (int col = 1; col <= protocol::kTeachCols; ++col) {
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

void CBF_ParaVisible(Scope& s, int panel) {
  if (s.tk.GetCtrlInt(panel, "ParaVisible") != 0) {
    s.ParaVis();
  } else {
    s.ParaInVis();
  }
}

void CBF_EditPmod(Scope& s, int panel) {
  s.vars.pmod = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditPmod"));
  s.tk.SetDimmed(panel, "SlidePower", s.vars.pmod != protocol::Pmod::kStat);
}

}  // namespace tavix::scope
