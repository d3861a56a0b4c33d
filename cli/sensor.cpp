#include "cli/sensor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QStringList>

#include "base/timer.h"
#include "link/texts.h"
#include "protocol/frame.h"

namespace tavix::cli {

namespace {

using protocol::Target;

// The programs' time-out text without its layout: "TIMEOUT: NO SERIAL
// CONNECTION TO SENSOR.".
QString TimeoutText() {
  QStringList parts;
  for (const QString& line : QString::fromLatin1(link::texts::InfoTimeout).split('\n')) {
    const QString text = line.trimmed();
    if (!text.isEmpty() && text != QLatin1String("ATTENTION!")) parts << text;
  }
  return parts.join(QStringLiteral(": "));
}

QString TargetName(Target target) {
  return target == Target::EEPROM ? QStringLiteral("eeprom") : QStringLiteral("ram");
}

std::uint16_t ReadOrder(Target target) {
  return target == Target::EEPROM ? protocol::kOrderReadEeprom : protocol::kOrderReadRam;
}

}  // namespace

Sensor::Sensor(const PortChoice& choice, QString name, bool prefix, Console& console)
    : choice_(choice),
      name_(std::move(name)),
      prefix_(prefix),
      console_(console),
      lnk_(logged_, *this) {
  lnk_.SetLog(&log_);
}

void Sensor::Result(const QString& line) {
  console_.Out(prefix_ ? name_ + QStringLiteral(": ") + line : line);
}

int Sensor::Fail(const QString& operation, int expected) {
  console_.EndProgress(name_);
  QString cause;
  const int got = lnk_.st.nBytesR;
  if (!lost_.isEmpty()) {
    cause = lost_;
  } else if (expected == 0) {
    cause = QStringLiteral("a frame was not written (%1 of %2 bytes)")
                .arg(lnk_.st.nBytesW)
                .arg(protocol::kFrameBytes);
  } else if (got == 0) {
    cause = QStringLiteral("%1 (no answer to order %2 within 2.0 s)")
                .arg(TimeoutText().section(QStringLiteral(": "), 1))
                .arg(lnk_.st.order);
  } else if (got < expected) {
    cause = QStringLiteral("short answer to order %1: %2 of %3 bytes")
                .arg(lnk_.st.order)
                .arg(got)
                .arg(expected);
  } else {
    cause = QStringLiteral("surplus: %1 bytes where order %2 answers %3")
                .arg(got)
                .arg(lnk_.st.order)
                .arg(expected);
  }
  console_.Err(QStringLiteral("%1: %2 failed: TIMEOUT: %3").arg(name_, operation, cause));
  if (log_.Active()) log_.Note(QStringLiteral("failure: %1: %2").arg(operation, cause));
  return kExitSensorFailed;
}

bool Sensor::Connect() {
  console_.Progress(name_, QStringLiteral("connecting"));
  // A port number that stands for no device is opened by its number, so
  // that the link gives the programs' message for it.
  const int com = choice_.device.isEmpty() ? choice_.com : 1;
  if (lnk_.Open(static_cast<std::uint16_t>(com), choice_.device) < 0) {
    console_.EndProgress(name_);
    console_.Err(QStringLiteral("%1: %2 (%3)").arg(name_, lnk_.st.szStatus, port_.OpenDetail()));
    return false;
  }
  if (!lnk_.RequestVersion(block_)) {
    Fail(QStringLiteral("line check"), protocol::kVersionBytes);
    return false;
  }
  return true;
}

int Sensor::Version() {
  console_.EndProgress(name_);
  // The 48 characters end in blanks when the text is shorter.
  QString text = lnk_.VersionText();
  while (text.endsWith(QLatin1Char(' '))) text.chop(1);
  Result(text);
  return kExitDone;
}

bool Sensor::ReadSet(Target target, const QString& operation, protocol::ParamWords* words) {
  console_.Progress(name_, operation);
  lnk_.SettleWait();
  lnk_.StartPaced(protocol::kSettleGetPara);
  failed_ = false;
  if (lnk_.Request(block_, ReadOrder(target), protocol::kParaBytes) != link::Answer::kOk) {
    Fail(operation, protocol::kParaBytes);
    return false;
  }
  protocol::ParamBlock answer;
  lnk_.GetRxBufPara(answer, protocol::anzpara);
  *words = answer.pp;
  return true;
}

int Sensor::Read(Target target, const QString& output) {
  const QString operation = QStringLiteral("read ") + TargetName(target);
  protocol::ParamWords words{};
  if (!ReadSet(target, operation, &words)) return kExitSensorFailed;
  console_.EndProgress(name_);
  if (output.isEmpty()) {
    console_.OutRaw(protocol::FormatParamFile(words));
    return kExitDone;
  }
  QString error;
  if (!protocol::WriteParamFile(output, words, &error)) {
    console_.Err(
        QStringLiteral("%1: %2: cannot write %3: %4").arg(name_, operation, output, error));
    return kExitSensorFailed;
  }
  Result(QStringLiteral("%1 written to %2").arg(operation, output));
  return kExitDone;
}

int Sensor::Compare(const protocol::ParamWords& want, const protocol::ParamWords& got,
                    const QString& what) {
  int differing = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (want[i] == got[i]) continue;
    ++differing;
    console_.Err(QStringLiteral("%1: word %2: %3 %4, read %5")
                     .arg(name_)
                     .arg(i)
                     .arg(what)
                     .arg(want[i])
                     .arg(got[i]));
  }
  return differing == 0 ? kExitDone : kExitDiffers;
}

int Sensor::Write(Target target, const protocol::ParamWords& set, const QString& file,
                  bool verify) {
  const QString operation = QStringLiteral("write ") + TargetName(target);
  const int frames = 1 + protocol::kTeachRows + (target == Target::EEPROM ? 1 : 0);
  block_.pp = set;
  // TavixScope's SendPara: words 0 to 15, the 31 teach rows, then for the
  // EEPROM the store order; one settle delay for the whole set.
  lnk_.SettleWait();
  lnk_.StartPaced(protocol::kSettleSendPara);
  failed_ = false;
  lnk_.BeginWriteOnly(protocol::kOrderWriteRam);
  int sent = 0;
  auto send = [&](std::uint16_t order, std::uint16_t row) {
    if (lnk_.SendFrame(block_, order, row)) ++sent;
    console_.Progress(name_,
                      QStringLiteral("%1 %2/%3 frames").arg(operation).arg(sent).arg(frames));
  };
  send(protocol::kOrderWriteRam, 0);
  for (std::uint16_t row = 0; row < protocol::kTeachRows; ++row) {
    send(protocol::kOrderWriteRow, row);
  }
  if (target == Target::EEPROM) send(protocol::kOrderStoreEeprom, 0);
  if (!lnk_.EndWriteOnly() || failed_) return Fail(operation, 0);
  if (!verify) {
    // The sensor is still storing: the next command must find it ready.
    console_.Progress(name_, operation + QStringLiteral(": settle delay"));
    lnk_.SettleWait();
    console_.EndProgress(name_);
    Result(QStringLiteral("%1: %2 sent, not verified").arg(operation, file));
    return kExitDone;
  }
  protocol::ParamWords back{};
  if (!ReadSet(target, operation + QStringLiteral(": read back"), &back)) {
    return kExitSensorFailed;
  }
  console_.EndProgress(name_);
  const int code = Compare(set, back, QStringLiteral("written"));
  Result(code == kExitDone
             ? QStringLiteral("%1: %2 sent and verified, %3 words")
                   .arg(operation, file)
                   .arg(set.size())
             : QStringLiteral("%1: %2 sent, verification FAILED").arg(operation, file));
  return code;
}

int Sensor::Check(Target target, const protocol::ParamWords& set, const QString& file) {
  const QString operation = QStringLiteral("check ") + TargetName(target);
  protocol::ParamWords words{};
  if (!ReadSet(target, operation, &words)) return kExitSensorFailed;
  console_.EndProgress(name_);
  const int code = Compare(set, words, QStringLiteral("file"));
  Result(code == kExitDone ? QStringLiteral("%1: matches %2").arg(operation, file)
                           : QStringLiteral("%1: differs from %2").arg(operation, file));
  return code;
}

int Sensor::Live(const CommandLine& cl, const LiveOutput& out, const StopSignal& stop) {
  std::uint16_t poll = 0;
  long taken = 0;
  int writeErrno = 0;  // nonzero once a line could not be written
  protocol::DataRecord record;
  double next = Timer();
  failed_ = false;
  // A file gets each line onto its disk before the next request. Standard
  // output gets it while the next answer is on the line, so that writing
  // it (and waking its reader) does not hold the request back; before an
  // interval wait and at the end it goes out at once.
  const bool toFile = !out.sink->Path().isEmpty();
  QByteArray pending;
  auto write = [&](const QByteArray& line) {
    if (writeErrno == 0 && !line.isEmpty() && !out.sink->Write(line))
      writeErrno = errno ? errno : EIO;
  };
  auto flush = [&] {
    write(pending);
    pending.clear();
  };
  if (!out.sink->WriteHeader(LiveHeader(cl.format, out.portColumn)))
    writeErrno = errno ? errno : EIO;
  auto progress = [&] {
    if (cl.count) {
      console_.Progress(name_, QStringLiteral("live %1/%2 readings").arg(taken).arg(*cl.count));
    }
  };
  progress();
  if (writeErrno == 0 && !stop.Requested()) {
    lnk_.Poll(block_, poll, record,
              {.onRecord =
                   [&] {
                     protocol::DataVars data;
                     protocol::CopyDatatoVars(record, data);
                     pending = LiveLine(cl.format, out.portColumn, name_,
                                        QDateTime::currentDateTimeUtc(), data);
                     if (toFile) flush();
                     ++taken;
                     progress();
                   },
               .afterPass =
                   [&] {
                     if (writeErrno != 0 || stop.Requested() || (cl.count && taken >= *cl.count)) {
                       poll = 0;
                       return;
                     }
                     if (cl.interval > 0.0) {
                       flush();
                       // A reading every interval from the first request on;
                       // one that came late does not make the next ones crowd.
                       next = std::max(next + cl.interval, Timer());
                       stop.WaitUntil(next);
                       if (stop.Requested()) poll = 0;
                     }
                   },
               .whileWaiting = flush,
               // The next request goes out as an answer comes only when the
               // reading after it is wanted at once: not before an interval
               // wait, not after the last reading asked for.
               .wantsNext =
                   [&] {
                     return cl.interval <= 0.0 && writeErrno == 0 && !stop.Requested() &&
                            !(cl.count && taken + 1 >= *cl.count);
                   }});
  }
  flush();
  console_.EndProgress(name_);
  if (failed_) return Fail(QStringLiteral("live"), protocol::kDataBytes);
  if (writeErrno != 0) {
    const QString where = toFile ? out.sink->Path() : QStringLiteral("standard output");
    console_.Err(QStringLiteral("%1: live: cannot write %2: %3")
                     .arg(name_, where, QString::fromLocal8Bit(std::strerror(writeErrno))));
    return kExitSensorFailed;
  }
  return kExitDone;
}

bool Sensor::ReadFactors(const QString& operation, protocol::CalibFactors* factors) {
  console_.Progress(name_, operation);
  lnk_.SettleWait();
  // TavixCalib's GetCF.
  lnk_.StartPaced(protocol::kSettleGetCF);
  failed_ = false;
  if (lnk_.Request(block_, protocol::kOrderReadFactors, protocol::kFactorBytes) !=
      link::Answer::kOk) {
    Fail(operation, protocol::kFactorBytes);
    return false;
  }
  *factors = protocol::DecodeFactors(lnk_.st.szReadBuf.data());
  return true;
}

int Sensor::Factors() {
  protocol::CalibFactors f;
  if (!ReadFactors(QStringLiteral("factors"), &f)) return kExitSensorFailed;
  console_.EndProgress(name_);
  Result(QStringLiteral("%1 %2 %3").arg(f.cfrot).arg(f.cfgruen).arg(f.cfblau));
  return kExitDone;
}

int Sensor::SetFactors(const protocol::CalibFactors& factors, bool verify) {
  const QString operation = QStringLiteral("factors set");
  console_.Progress(name_, operation);
  // TavixCalib's SendCF: one order-8 frame, then its settle delay.
  lnk_.SettleWait();
  lnk_.StartPaced(protocol::kSettleSendCF);
  failed_ = false;
  lnk_.BeginWriteOnly(protocol::kOrderWriteFactors);
  lnk_.SendFrame(block_, protocol::kOrderWriteFactors, 0, factors);
  if (!lnk_.EndWriteOnly() || failed_) return Fail(operation, 0);
  const QString text =
      QStringLiteral("%1 %2 %3").arg(factors.cfrot).arg(factors.cfgruen).arg(factors.cfblau);
  if (!verify) {
    lnk_.SettleWait();
    console_.EndProgress(name_);
    Result(QStringLiteral("factors %1 sent, not verified").arg(text));
    return kExitDone;
  }
  protocol::CalibFactors back;
  if (!ReadFactors(operation + QStringLiteral(": read back"), &back)) return kExitSensorFailed;
  console_.EndProgress(name_);
  const std::uint16_t want[] = {factors.cfrot, factors.cfgruen, factors.cfblau};
  const std::uint16_t got[] = {back.cfrot, back.cfgruen, back.cfblau};
  int code = kExitDone;
  for (int i = 0; i < 3; ++i) {
    if (want[i] == got[i]) continue;
    code = kExitDiffers;
    console_.Err(QStringLiteral("%1: factor %2: written %3, read %4")
                     .arg(name_)
                     .arg(i)
                     .arg(want[i])
                     .arg(got[i]));
  }
  Result(code == kExitDone ? QStringLiteral("factors %1 stored and verified").arg(text)
                           : QStringLiteral("factors %1 sent, verification FAILED").arg(text));
  return code;
}

}  // namespace tavix::cli
