// The recorder: readings taken at a fixed interval into the record store,
// shown on the recorder panel as numbers and as a chart, kept in a recovery
// file while the recording runs, and saved to a record file at its end.
#include <algorithm>

#include <QDir>

#include "logic/record_time.h"
#include "scope/callbacks.h"
#include "scope/help_texts.h"

namespace tavix::scope {

using namespace texts;

namespace {

constexpr const char* kChart = "GraphRecord";
constexpr const char* kLocked[] = {"EditInterval", "EditRecVal", "ButtonStartRecord"};

QString Native(const QString& path) {
  return QDir::toNativeSeparators(path);
}

std::uint16_t ReadWord(Scope& s, const char* control) {
  return static_cast<std::uint16_t>(
      std::clamp(s.tk.GetCtrlInt(s.frame.recpanel, control), 0, 0xFFFF));
}

// The record-file dialog: "record.dat" where the last record file was, or
// the program's directory when that can be written, or the user's documents.
int SelectRecordFile(Scope& s, QString* path) {
  return s.SelectFile("recordFile", s.frame.proj_dir, "record.dat", "*.dat", "FILENAME!", "OK",
                      path);
}

// After a failed save: another file, an existing one only when the user
// agrees to replace it. False when the user cancels the dialog.
bool SelectAnotherRecordFile(Scope& s) {
  for (;;) {
    QString path;
    const int chosen = SelectRecordFile(s, &path);
    if (chosen < 1) return false;
    if (chosen == 1 && s.tk.ConfirmPopup("ATTENTION!", MsgRecordFileExists) == 0) continue;
    s.frame.file_name = path;
    return true;
  }
}

// After the user cancelled the choice of another file for records the save
// did not take. True when they want to choose again: the recovery file does
// not hold them all.
bool OfferResave(Scope& s) {
  const int held = s.rec.recovery.Held();
  if (held >= s.rec.otcrec) {
    s.tk.MessagePopup("ATTENTION!", QStringLiteral(" The records were not saved. \n"
                                                   " The recovery file \n %1 \n holds %2 of them. ")
                                        .arg(Native(s.rec.recovery.Path()))
                                        .arg(held));
    return false;
  }
  const QString kept =
      held == 0 ? QStringLiteral(" and no recovery file holds them. \n")
                : QStringLiteral(" and the recovery file \n %1 \n holds only %2 of them. \n")
                      .arg(Native(s.rec.recovery.Path()))
                      .arg(held);
  const QString text = QStringLiteral(" The %1 records were not saved, \n").arg(s.rec.otcrec) +
                       kept +
                       QStringLiteral(
                           " Choose a file for them now? \n"
                           " Otherwise they are lost when the next recording starts. ");
  if (s.tk.ConfirmPopup("ATTENTION!", text) == 1) return true;
  if (held == 0) s.rec.recovery.Remove();  // an empty file, if any is left
  return false;
}

void SetRecorderLocked(Scope& s, bool locked) {
  for (const char* control : kLocked) s.tk.SetOperable(s.frame.recpanel, control, !locked);
  s.tk.SetBackColor(s.frame.recpanel, "ButtonStartRecord", locked ? kRed : kLightGrey);
}

}  // namespace

QStringList RecorderPanelControls() {
  return {"EditInterval",
          "EditRecVal",
          "ButtonStartRecord",
          "ButtonStopRecord",
          "ButtonCloseRecorder",
          "DispRecordTimeDays",
          "DispRecordTimeHours",
          "DispRecordTimeMinutes",
          "DispRecordTimeSeconds",
          "DispRecordedValues",
          "DispRemaining",
          "RecR1",
          "RecG1",
          "RecB1",
          "RecR2",
          "RecG2",
          "RecB2",
          "RecX",
          "RecY",
          "RecINT",
          "RecGF",
          kChart};
}

void Scope::CalcRecTime() {
  const int p = frame.recpanel;
  rec.zeitint = ReadWord(*this, "EditInterval");
  rec.anzwerte = ReadWord(*this, "EditRecVal");
  tk.SetCtrlVal(p, "DispRecordedValues", 0);
  tk.SetCtrlVal(p, "DispRemaining", rec.anzwerte);
  const logic::RecordTime t = logic::CalcRecordTime(rec.zeitint, rec.anzwerte);
  const std::pair<const char*, std::int64_t> parts[] = {{"DispRecordTimeDays", t.days},
                                                        {"DispRecordTimeHours", t.hours},
                                                        {"DispRecordTimeMinutes", t.minutes},
                                                        {"DispRecordTimeSeconds", t.seconds}};
  for (const auto& [display, value] : parts) {
    rec.reczeit = static_cast<std::uint16_t>(value);
    tk.SetCtrlVal(p, display, static_cast<double>(value));
  }
}

void Scope::Record() {
  // Interval and count are checked where they meet: a layout's ranges per
  // control cannot keep their product within bounds.
  const std::uint16_t zeitint = ReadWord(*this, "EditInterval");
  const std::uint16_t anzwerte = ReadWord(*this, "EditRecVal");
  if (const QString problem = logic::CheckRecordPlan(zeitint, anzwerte); !problem.isEmpty()) {
    tk.MessagePopup("ATTENTION!",
                    QStringLiteral(" %1 \n Recording will not be done! ").arg(problem));
    return;
  }
  const int chosen = SelectRecordFile(*this, &frame.file_name);
  if (chosen < 1) {
    tk.MessagePopup("ATTENTION!", MsgNoRecordFile);
    return;
  }
  if (chosen == 1) {
    if (tk.ConfirmPopup("ATTENTION!", MsgRecordFileExists) == 0) return;
    tk.MessagePopup("ATTENTION!", MsgRecordFileInUse);
  }
  DoRecord();
}

void Scope::DoRecord() {
  SetRecorderLocked(*this, true);
  if (!rec.recovery.Create(frame.file_name)) {
    tk.MessagePopup("ATTENTION!",
                    QStringLiteral(" No recovery file can be written beside \n %1 \n %2 \n"
                                   " Until they are saved, the records are kept in memory only. ")
                        .arg(Native(frame.file_name), rec.recovery.Error()));
  }
  RecordFrame();
  rec.recovery.Close();
  if (rec.otcrec == 0) {  // the first reading failed (reported): an empty file helps nobody
    rec.recovery.Remove();
    tk.MessagePopup("ATTENTION!", QStringLiteral(" No value was recorded! \n"
                                                 " There is nothing to save. "));
  } else {
    SaveRecords();
  }
  SetRecorderLocked(*this, false);
}

void Scope::RecordFrame() {
  rec.otcrec = 0;
  CalcRecTime();
  tk.ClearTrendChart(frame.recpanel, kChart, rec.anzwerte);
  // Data requests leave transbeg and waitdel as they are.
  // Records are an interval apart: each request goes out after the wait,
  // so that the record stored is the one read then.
  PollRecords(
      flags.pollrecord,
      [this] {
        SetRecordData();
        SlowDown();
        AppendRecord();
      },
      [] { return false; });
}

// The controls a recording writes with every record are named by static
// strings (QStringLiteral): naming them allocates nothing.
void Scope::SetRecordData() {
  const int p = frame.recpanel;
  const std::pair<QString, std::uint16_t> shown[] = {
      {QStringLiteral("RecR1"), data.dataR},    {QStringLiteral("RecG1"), data.dataG},
      {QStringLiteral("RecB1"), data.dataB},    {QStringLiteral("RecR2"), data.dataR},
      {QStringLiteral("RecG2"), data.dataG},    {QStringLiteral("RecB2"), data.dataB},
      {QStringLiteral("RecX"), data.dataX},     {QStringLiteral("RecY"), data.dataY},
      {QStringLiteral("RecINT"), data.dataINT}, {QStringLiteral("RecGF"), data.dataGF}};
  for (const auto& [display, value] : shown) tk.SetCtrlVal(p, display, value);
  // The reading shown is always stored after the wait, so the chart shows it at once.
  const double traces[] = {double(data.dataR), double(data.dataG), double(data.dataB),
                           double(data.dataINT), double(data.dataGF)};
  tk.PlotTrendChart(p, QStringLiteral("GraphRecord"), traces, static_cast<int>(std::size(traces)));
}

void Scope::SlowDown() {
  // The interval's own clock: the link's timing fields belong to its transactions.
  const double start = Timer();
  tk.ProcessSystemEventsUntil(start + rec.zeitint, flags.pollrecord);
  rec.waitEnded = Timer();
}

void Scope::AppendRecord() {
  if (rec.otcrec >= rec.rawfile.size()) {  // the store is full (never with a checked plan)
    flags.pollrecord = 0;
    return;
  }
  const logic::Record r = logic::RecordOf(data);
  rec.rawfile[rec.otcrec] = r;
  const bool failedBefore = rec.recovery.Failed();
  if (!rec.recovery.Append(r) && !failedBefore && rec.recovery.Failed()) {
    // Once, when it happens; the recording goes on, so the box does not wait.
    tk.NoticePopup("ATTENTION!", QStringLiteral(" Writing the recovery file failed: \n %1 \n %2 \n"
                                                " The recording goes on; until they are saved, \n"
                                                " the records are kept in memory only. ")
                                     .arg(Native(rec.recovery.Path()), rec.recovery.Error()));
  }
  ++rec.otcrec;
  tk.SetCtrlVal(frame.recpanel, QStringLiteral("DispRecordedValues"), rec.otcrec);
  tk.SetCtrlVal(frame.recpanel, QStringLiteral("DispRemaining"),
                std::max(0, rec.anzwerte - rec.otcrec));
  if (rec.otcrec == rec.anzwerte) flags.pollrecord = 0;
}

void Scope::SaveRecords() {
  if (tk.ConfirmPopup("CONFIRM SAVING TO ", frame.file_name) == 0) {
    rec.recovery.Remove();
    return;
  }
  QString error;
  while (!logic::WriteRecordFile(frame.file_name, rec.rawfile.data(), rec.otcrec, &error)) {
    tk.MessagePopup("ATTENTION!",
                    QStringLiteral(" Saving the record file failed: \n %1 \n %2 \n"
                                   " The %3 records are kept: choose another file for them, \n"
                                   " or cancel to leave them unsaved. ")
                        .arg(Native(frame.file_name), error)
                        .arg(rec.otcrec));
    while (!SelectAnotherRecordFile(*this)) {
      if (!OfferResave(*this)) return;
    }
  }
  rec.recovery.Remove();
  tk.MessagePopup("INFO!", MsgRecordFileSaved);
}

void Scope::StopRecord() {
  flags.pollrecord = 0;
}

void Scope::ChangePanelRecord() {
  flags.pollrecord = 0;
  tk.RemovePopup(frame.recpanel);
  tk.DisplayPanel(frame.panel);
}

void CBF_ButtonOpenRecorder(Scope& s) {
  s.lnk.SettleWait();
  s.flags.poll = 0;
  s.tk.HidePanel(s.frame.panel);
  s.tk.InstallPopup(s.frame.recpanel);
  s.CalcRecTime();  // the record time of the values the panel shows
}

void CBF_EditInterval(Scope& s) {
  s.CalcRecTime();
}

void CBF_EditRecVal(Scope& s) {
  s.CalcRecTime();
}

void CBF_ButtonStartRecord(Scope& s) {
  if (s.flags.pollrecord != 0) return;
  s.lnk.SettleWait();
  s.Record();
}

void CBF_ButtonStopRecord(Scope& s) {
  s.StopRecord();
}

void CBF_ButtonCloseRecorder(Scope& s) {
  s.ChangePanelRecord();
}

}  // namespace tavix::scope
