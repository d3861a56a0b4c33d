// Applying the evaluation mode and the SOURCE selection to the main panel,
// and the mouse handling of the gloss displays.
#include "scope/callbacks.h"
#include "scope/help_texts.h"
#include "scope/live/eval_table.h"

namespace tavix::scope {

namespace {

using protocol::Source;

constexpr const char* kTableCtrl = "TeachTable";

void WriteIfSet(Scope& s, const char* ctrl, PanelValue value) {
  if (value) s.tk.SetCtrlVal(s.frame.panel, ctrl, *value);
}

}  // namespace

void Scope::InitEval() {
  const int panel = frame.panel;
  vars.evalmode = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "Evalmode"));
  if (vars.evalmode < protocol::kEvalmodes) {
    const EvalModeRow& m = kEvalModeTable[vars.evalmode];
    tk.SetCtrlVal(panel, "SelectSource", protocol::Word(m.source));
    WriteIfSet(*this, "EditTrigger", m.trigger);
    WriteIfSet(*this, "EditIntlim", m.intlim);
    WriteIfSet(*this, "EditPmod", m.pmod);
    WriteIfSet(*this, "EditMaxcolNo", m.maxcolno);
    WriteIfSet(*this, "EditOutmode", m.outmode);
    tk.SetDimmed(panel, "EditTrigger", m.lockTrigger);
    tk.SetDimmed(panel, "EditIntlim", m.lockIntlim);
    tk.SetDimmed(panel, "EditMaxcolNo", m.lockMaxcolno);
    tk.SetDimmed(panel, "EditOutmode", m.lockOutmode);
    tk.SetDimmed(panel, "EditPmod", m.lockPmod);
    tk.SetVisible(panel, "ButtonCalibGf60Deg", m.calibButton);
    for (int col = 1; col <= 5; ++col)
      tk.SetTableColumnLabel(panel, kTableCtrl, col, m.labels[col - 1]);
  }

  if (vars.evalmode == protocol::Evalmode::kGloss60Deg) {
    tk.SetDimmed(panel, "SlidePower", true);
  } else {
    vars.pmod = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "EditPmod"));
    tk.SetDimmed(panel, "SlidePower", vars.pmod != protocol::Pmod::kStat);
  }

  vars.maxcolno = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "EditMaxcolNo"));
  CheckMaxColNo();
  MarkActiveRows();
  DispVis();
}

void Scope::CheckMaxColNo() {
  if (vars.maxcolno > 5 && vars.outmode != protocol::Outmode::kBinary)
    tk.MessagePopup("INFO!", texts::InfoMaxColNo);
}

void Scope::MarkActiveRows() {
  for (int row = 1; row <= protocol::kTeachRows; ++row) {
    tk.SetTableRowLabelColor(frame.panel, kTableCtrl, row, row <= vars.maxcolno ? kGreen : kRed);
  }
}

void Scope::DispVis() {
  const int panel = frame.panel;
  live.source = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "SelectSource"));
  vars.evalmode = static_cast<std::uint16_t>(tk.GetCtrlInt(panel, "Evalmode"));
  if (live.source >= protocol::kSources) return;

  const SourceRow& v = kSourceTable[live.source];
  for (const char* c : {"DispR", "DispG", "DispB"}) tk.SetVisible(panel, c, v.channelNumerics);
  for (const char* c : {"DispX", "DispY", "DispINT"}) tk.SetVisible(panel, c, v.colourValues);
  for (const char* c : {"DispCOL", "LabelCOL"}) tk.SetVisible(panel, c, v.vno);
  for (const char* c : {"DispGF", "LabelGF"}) tk.SetVisible(panel, c, v.gloss);
  tk.SetVisible(panel, "GraphData1", v.xyGraph);
  tk.SetVisible(panel, "GraphRaw1", v.channelChart);
  tk.SetVisible(panel, "GraphGF", v.glossChart);

  // The X/Y graph and the gloss chart have no channel traces.
  if (live.source == Source::kXy || live.source == Source::kGloss) return;
  const TraceRow& t = kTraceTable[live.source];
  for (int trace = 1; trace <= 5; ++trace) {
    tk.SetTraceVisible(panel, "GraphRaw1", trace, t.traces[trace - 1]);
  }
  const bool limits = !t.limitMode || vars.evalmode == *t.limitMode;
  tk.SetTraceVisible(panel, "GraphRaw1", 6, limits);
  tk.SetTraceVisible(panel, "GraphRaw1", 7, limits);
}

void CBF_Evalmode(Scope& s) {
  s.InitEval();
}

void CBF_SelectSource(Scope& s) {
  s.DispVis();
}

void CBF_EditMaxcolNo(Scope& s, int panel) {
  s.vars.maxcolno = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditMaxcolNo"));
  s.vars.outmode = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditOutmode"));
  s.CheckMaxColNo();
  s.MarkActiveRows();
}

void CBF_EditOutmode(Scope& s, int panel) {
  s.vars.maxcolno = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditMaxcolNo"));
  s.vars.outmode = static_cast<std::uint16_t>(s.tk.GetCtrlInt(panel, "EditOutmode"));
  s.CheckMaxColNo();
}

int CBF_DispGF(int panel, int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event == ui::EVENT_LEFT_DOUBLE_CLICK) {
    s.tk.SetVisible(panel, "DispGFBig", true);
    s.tk.BringToFront(panel, "DispGFBig");
  }
  return 0;
}

int CBF_DispGFBig(int panel, int, int event, void* callbackData, int, int) {
  if (event == ui::EVENT_RIGHT_CLICK)
    ScopeOf(callbackData).tk.SetVisible(panel, "DispGFBig", false);
  return 0;
}

int CBF_GraphGF(int, int, int event, void* callbackData, int, int) {
  Scope& s = ScopeOf(callbackData);
  if (event == ui::EVENT_LEFT_CLICK) s.live.scale = 0;
  if (event == ui::EVENT_LEFT_DOUBLE_CLICK) s.live.scale = 1;
  return 0;
}

}  // namespace tavix::scope
