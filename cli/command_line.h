// The command line of tavix: a subcommand, its arguments and the options,
// which may stand before or after the subcommand. Parsing only checks the
// form; files and ports are looked at later, still before any frame is sent.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "protocol/codes.h"

namespace tavix::cli {

// Exit codes; with several ports the highest one counts.
enum ExitCode : int {
  kExitDone = 0,
  kExitSensorFailed = 1,
  kExitUsage = 2,   // a wrong command line or a bad file: nothing was sent
  kExitDiffers = 3  // verification found words that differ
};

enum class Subcommand { kNone, kPorts, kVersion, kRead, kWrite, kCheck, kLive, kFactors };

enum class LiveFormat { kCsv, kJsonl, kRecord };

// A port as the user named it: a device path, or a number in the programs'
// COM numbering.
struct PortChoice {
  QString device;  // from --port; empty for --com
  int com = 0;     // from --com
};

struct CommandLine {
  Subcommand sub = Subcommand::kNone;
  bool help = false;     // --help: for the program, or for `sub` when one is named
  bool version = false;  // --version: the program's own version
  std::vector<PortChoice> ports;
  protocol::Target target = protocol::Target::RAM;  // read, write, check
  QString file;                                     // write, check: the parameter file
  QString output;                                   // -o FILE
  QString log;                                      // --log FILE
  bool noVerify = false;
  std::optional<long> count;  // live --count
  double interval = 0.0;      // live --interval, seconds
  LiveFormat format = LiveFormat::kCsv;
  bool setFactors = false;  // factors set F20 F60 F80
  std::array<std::uint16_t, 3> factors{};
  bool yes = false;
  bool force = false;
};

// Parses argv (without the program name). On a wrong command line returns
// false and says why in `error`.
bool ParseCommandLine(const QStringList& args, CommandLine* cl, QString* error);

// The help of the program, or of one subcommand.
QString HelpText(Subcommand sub);

// The name a subcommand is typed as ("write").
QString SubcommandName(Subcommand sub);

// The place -o names for `device`: "{port}" in it becomes the device's
// file name (/dev/ttyUSB0 -> ttyUSB0), so that several sensors get a file
// each.
QString OutputFor(const QString& pattern, const QString& device);
inline constexpr const char* kPortPlaceholder = "{port}";

}  // namespace tavix::cli
