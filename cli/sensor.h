// One sensor on one port: the subcommands as the windowed programs run
// them (the same frames, orders, settle delays and answer checks through
// the link), each ending in an exit code and, on failure, one message on
// standard error that names the device and the cause.
#pragma once

#include <optional>

#include <QString>

#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/live_stream.h"
#include "link/line_log.h"
#include "link/link.h"
#include "link/logged_port.h"
#include "link/serial_port.h"
#include "protocol/param_file.h"
#include "protocol/params.h"

namespace tavix::cli {

// Where the lines of one sensor's live stream go.
struct LiveOutput {
  LineSink* sink = nullptr;
  bool portColumn = false;
};

class Sensor final : public link::FailureReporter {
 public:
  // `name`: how messages and result lines name it (its device path, or
  // COMn when the number stands for no device). `prefix`: result lines
  // start with the name (several sensors).
  Sensor(const PortChoice& choice, QString name, bool prefix, Console& console);

  // Opens the port and checks the line with the version request, as the
  // programs do at start. False after its message.
  bool Connect();

  int Version();
  int Read(protocol::Target target, const QString& output);
  // `set`: the words to send, as TavixScope would send the file.
  int Write(protocol::Target target, const protocol::ParamWords& set, const QString& file,
            bool verify);
  int Check(protocol::Target target, const protocol::ParamWords& set, const QString& file);
  int Live(const CommandLine& cl, const LiveOutput& out, const StopSignal& stop);
  int Factors();
  int SetFactors(const protocol::CalibFactors& factors, bool verify);

  const QString& Name() const { return name_; }
  // Writes what goes over this sensor's line to `path` from now on.
  bool OpenLog(const QString& path, QString* error) { return log_.Open(path, error); }

 private:
  void ReportFailure() override { failed_ = true; }
  void ReportLinkLost(const QString& reason) override { lost_ = reason; }

  // The one message of a failed operation; `expected` is the answer size
  // of the request that failed (0 for a write-only operation).
  int Fail(const QString& operation, int expected);
  void Result(const QString& line);
  // Reads the set of RAM or EEPROM (after the settle wait).
  bool ReadSet(protocol::Target target, const QString& operation, protocol::ParamWords* words);
  // Lists the words of `got` that differ from `want`; kExitDiffers when any do.
  int Compare(const protocol::ParamWords& want, const protocol::ParamWords& got,
              const QString& what);
  bool ReadFactors(const QString& operation, protocol::CalibFactors* factors);

  PortChoice choice_;
  QString name_;
  bool prefix_;
  Console& console_;
  link::SerialPort port_;
  link::LineLog log_;
  link::LoggedPort logged_{port_, log_};  // the line log sees every byte
  link::Link lnk_;
  protocol::ParamBlock block_;  // payload of the requests; the set of a write
  bool failed_ = false;         // the link reported a failed transaction
  QString lost_;                // why the port was lost, once it was
};

}  // namespace tavix::cli
