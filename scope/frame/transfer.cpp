// Moving the parameter set between the panel and the sensor's RAM, its
// EEPROM or a parameter file.
#include <QDir>

#include "protocol/param_file.h"
#include "scope/callbacks.h"

namespace tavix::scope {

using protocol::Target;

namespace {

// The file dialog both directions use: "init.dat" where the last parameter
// file was, or the program's directory when that can be written, or the
// user's documents.
int SelectParamFile(Scope& s) {
  return s.SelectFile("paramFile", s.frame.proj_dir, "init.dat", "*.dat", "init", "OK",
                      &s.frame.file_name);
}

}  // namespace

void Scope::SendPara() {
  GetPanelValues();
  protocol::CopyVarsToPP(vars, block);
  lnk.StartPaced(protocol::kSettleSendPara);
  lnk.BeginWriteOnly(protocol::kOrderWriteRam);
  lnk.SendFrame(block, protocol::kOrderWriteRam);
  for (std::uint16_t row = 0; row < protocol::kTeachRows; ++row) {
    lnk.SendFrame(block, protocol::kOrderWriteRow, row);
  }
  if (frame.target == Target::EEPROM) lnk.SendFrame(block, protocol::kOrderStoreEeprom);
  lnk.EndWriteOnly();
}

void Scope::GetPara() {
  flags.poll = 0;
  // With FILE selected at a line check the sensor's working set is read.
  const std::uint16_t order =
      frame.target == Target::EEPROM ? protocol::kOrderReadEeprom : protocol::kOrderReadRam;
  lnk.StartPaced(protocol::kSettleGetPara);
  if (lnk.Request(block, order, protocol::kParaBytes) != link::Answer::kOk) return;
  lnk.GetRxBufPara(block, protocol::anzpara);
  protocol::CopyPPtoVars(block, vars);
  SetPanelValues();
  InitEval();
}

void Scope::SendParaToFile() {
  if (SelectParamFile(*this) == 0) return;
  GetPanelValues();
  protocol::CopyVarsToPP(vars, block);
  QString error;
  if (!protocol::WriteParamFile(frame.file_name, block.pp, &error)) {
    tk.MessagePopup("ATTENTION!", QStringLiteral(" Saving the parameter file failed: \n %1 \n %2 \n"
                                                 " An earlier file of this name is unchanged. ")
                                      .arg(QDir::toNativeSeparators(frame.file_name), error));
  }
}

void Scope::ReadParaFromFile() {
  if (SelectParamFile(*this) == 0) return;
  protocol::ParamWords words{};
  QString error;
  if (!protocol::ReadParamFile(frame.file_name, &words, &error)) {
    tk.MessagePopup("ATTENTION!",
                    QStringLiteral(" The parameter file was not loaded: \n %1 \n %2 \n"
                                   " The parameters on the panel are unchanged. ")
                        .arg(QDir::toNativeSeparators(frame.file_name), error));
    return;
  }
  block.pp = words;
  protocol::CopyPPtoVars(block, vars);
  SetPanelValues();
  InitEval();
}

void CBF_ButtonSend(Scope& s) {
  s.flags.poll = 0;
  s.lnk.SettleWait();
  if (s.frame.target == Target::DATFILE) {
    s.SendParaToFile();
  } else {
    s.SendPara();
  }
}

void CBF_ButtonGet(Scope& s) {
  s.flags.poll = 0;
  s.lnk.SettleWait();
  if (s.frame.target == Target::DATFILE) {
    s.ReadParaFromFile();
  } else {
    s.GetPara();
  }
}

namespace {

// The three transfer toggles: exactly one is on, and RAM is where a toggle
// that is switched off falls back to.
void SelectTarget(Scope& s, int panel, const char* toggle, Target target, int event) {
  if (event != ui::EVENT_VAL_CHANGED) return;
  if (s.tk.GetCtrlInt(panel, toggle) == 1) {
    s.frame.target = target;
    for (const char* other : {"SelectRAM", "SelectEEPROM", "SelectFILE"}) {
      s.tk.SetCtrlVal(panel, other, QLatin1String(other) == QLatin1String(toggle) ? 1 : 0);
    }
  } else {
    s.frame.target = Target::RAM;
    s.tk.SetCtrlVal(panel, "SelectRAM", 1);
  }
}

}  // namespace

int CBF_SelectRAM(int panel, int, int event, void* callbackData, int, int) {
  SelectTarget(ScopeOf(callbackData), panel, "SelectRAM", Target::RAM, event);
  return 0;
}

int CBF_SelectEEPROM(int panel, int, int event, void* callbackData, int, int) {
  SelectTarget(ScopeOf(callbackData), panel, "SelectEEPROM", Target::EEPROM, event);
  return 0;
}

int CBF_SelectFILE(int panel, int, int event, void* callbackData, int, int) {
  SelectTarget(ScopeOf(callbackData), panel, "SelectFILE", Target::DATFILE, event);
  return 0;
}

}  // namespace tavix::scope
