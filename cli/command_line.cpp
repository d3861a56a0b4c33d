#include "cli/command_line.h"

#include <cmath>
#include <utility>

#include <QFileInfo>

#include "logic/calib_factors.h"

namespace tavix::cli {

namespace {

struct SubcommandEntry {
  const char* name;
  Subcommand sub;
};
constexpr SubcommandEntry kSubcommands[] = {
    {"ports", Subcommand::kPorts},     {"version", Subcommand::kVersion},
    {"read", Subcommand::kRead},       {"write", Subcommand::kWrite},
    {"check", Subcommand::kCheck},     {"live", Subcommand::kLive},
    {"factors", Subcommand::kFactors},
};

// Options and the subcommands they apply to (empty: all that use a sensor).
enum class Opt { kPort, kCom, kLog, kOutput, kNoVerify, kCount, kInterval, kFormat, kYes, kForce };
struct OptionEntry {
  const char* name;  // long form
  char shortName;    // or 0
  bool takesValue;
  Opt opt;
  std::vector<Subcommand> subs;
};
const std::vector<OptionEntry>& Options() {
  static const std::vector<OptionEntry> options = {
      {"port", 0, true, Opt::kPort, {}},
      {"com", 0, true, Opt::kCom, {}},
      {"log", 0, true, Opt::kLog, {}},
      {"output", 'o', true, Opt::kOutput, {Subcommand::kRead, Subcommand::kLive}},
      {"no-verify", 0, false, Opt::kNoVerify, {Subcommand::kWrite, Subcommand::kFactors}},
      {"count", 0, true, Opt::kCount, {Subcommand::kLive}},
      {"interval", 0, true, Opt::kInterval, {Subcommand::kLive}},
      {"format", 0, true, Opt::kFormat, {Subcommand::kLive}},
      {"yes", 0, false, Opt::kYes, {Subcommand::kFactors}},
      {"force", 0, false, Opt::kForce, {Subcommand::kFactors}},
  };
  return options;
}

const char* const kProgramHelp =
    "Usage: tavix [OPTIONS] SUBCOMMAND [ARGUMENTS]\n"
    "\n"
    "The Tavix reflection sensor from a script: read, write and verify parameter\n"
    "sets, stream readings, read and set the calibration factors, on one sensor\n"
    "or on several at once. Options may stand before or after the subcommand.\n"
    "\n"
    "Subcommands:\n"
    "  ports                         the serial ports and their numbers for --com\n"
    "  version                       the sensor's version text\n"
    "  read ram|eeprom [-o FILE]     the parameter set as a parameter file\n"
    "  write ram|eeprom FILE [--no-verify]\n"
    "                                send a parameter file, then read it back and compare\n"
    "  check ram|eeprom FILE         compare the sensor's set with a parameter file\n"
    "  live [--count N] [--interval SECONDS] [--format csv|jsonl|record] [-o FILE]\n"
    "                                one line per reading\n"
    "  factors                       the three calibration factors\n"
    "  factors set F20 F60 F80 --yes [--force] [--no-verify]\n"
    "                                store calibration factors in the EEPROM\n"
    "\n"
    "Options:\n"
    "  --port DEVICE   the sensor on DEVICE (/dev/ttyUSB0, /dev/serial/by-id/...);\n"
    "                  repeat it for several sensors at once\n"
    "  --com N         the sensor on port number N, numbered as in the programs'\n"
    "                  COM field: TAVIX_COMn when set, else the n-th listed port;\n"
    "                  repeatable. Without --port and --com: port 1\n"
    "  --log FILE      the line log: every frame sent and answer received, time-\n"
    "                  stamped in hexadecimal, failures, settle waits; FILE is\n"
    "                  appended to and kept below 4 MiB (the older part in FILE.1)\n"
    "  -h, --help      this text; after a subcommand, that subcommand's help\n"
    "  --version       the program's version\n"
    "\n"
    "Several sensors: each runs on a thread and a line of its own, all at once;\n"
    "every result line and message starts with the sensor's device, and live\n"
    "adds a port column. In -o FILE and --log FILE, {port} stands for the\n"
    "device's name (ttyUSB0), so that each sensor gets a file of its own.\n"
    "\n"
    "Progress goes to standard error while it is a terminal, never otherwise.\n"
    "Each failed operation gives one message on standard error naming the device\n"
    "and the cause (\"TIMEOUT\" and the programs' text where they have one).\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  a sensor failed: time-out, wrong answer, surplus, port lost or not openable\n"
    "  2  usage or a bad file: nothing was sent\n"
    "  3  verification found differing words (each listed: word, written, read)\n"
    "  With several sensors the highest status counts. An interrupt (Ctrl-C,\n"
    "  SIGTERM) ends live after the current reading with status 0, and any\n"
    "  other subcommand at once with 130 (143 for SIGTERM).\n"
    "\n"
    "Environment:\n"
    "  TAVIX_COMn      the device of port number n (a USB adapter, a simulator)\n"
    "\n"
    "Examples:\n"
    "  tavix --port /dev/ttyUSB0 write eeprom line7.dat\n"
    "  tavix --com 1 --com 2 --com 3 write eeprom line7.dat 2>>errors.log\n"
    "  tavix live --count 100 --format csv -o readings.csv\n"
    "  tavix live --format jsonl | jq -c 'select(.\"V-No\" != 255)'\n"
    "\n"
    "Run 'tavix SUBCOMMAND --help' for a subcommand's own help.\n";

const char* const kPortsHelp =
    "Usage: tavix ports\n"
    "\n"
    "Lists the serial ports, one a line: the number it has in the programs' COM\n"
    "field (and for --com), the device path, then description, manufacturer and\n"
    "serial number where the system knows them, [TAVIX_COMn] for a number the\n"
    "environment names, and the stable /dev/serial/by-id/... path where there is\n"
    "one. Talks to no sensor.\n";

const char* const kVersionHelp =
    "Usage: tavix version [--port DEVICE | --com N]...\n"
    "\n"
    "Prints the sensor's version text (48 characters, trailing blanks removed),\n"
    "which the windowed programs show in their status line.\n";

const char* const kReadHelp =
    "Usage: tavix read ram|eeprom [-o FILE] [--port DEVICE | --com N]...\n"
    "\n"
    "Reads the sensor's parameter set (171 words) from its working memory (ram)\n"
    "or its EEPROM and writes it in the parameter-file format that TavixScope's\n"
    "FILE transfer reads and writes: 171 lines, one word per line, right-aligned\n"
    "in 5 characters. Without -o the file goes to standard output; with -o FILE\n"
    "it is written whole or not at all (an earlier FILE stays as it was). With\n"
    "several sensors -o is needed and must hold {port}.\n"
    "\n"
    "  -o, --output FILE   write the set to FILE\n";

const char* const kWriteHelp =
    "Usage: tavix write ram|eeprom FILE [--no-verify] [--port DEVICE | --com N]...\n"
    "\n"
    "Sends the parameter set of FILE to the sensor's working memory (ram), or to\n"
    "its working memory and then its EEPROM (eeprom). FILE is checked exactly as\n"
    "TavixScope checks a parameter file (171 numbers from 0 to 65535, blank space\n"
    "around them) before a single frame is sent; a bad FILE ends with status 2.\n"
    "The set goes out as TavixScope's SEND sends it: words 0 to 15, the 31 teach\n"
    "rows and, for eeprom, the store order, with MAXVEC-No. above 31 sent as 31\n"
    "as the panel does. Unless --no-verify, the set is then read back once the\n"
    "settle delay of 1.0 s has passed and compared word by word; each differing\n"
    "word is listed (word number, written, read) and the status is 3.\n"
    "\n"
    "  --no-verify   do not read the set back; the settle delay is still waited\n"
    "                out, so that the next command finds the sensor ready\n";

const char* const kCheckHelp =
    "Usage: tavix check ram|eeprom FILE [--port DEVICE | --com N]...\n"
    "\n"
    "Reads the sensor's parameter set and compares it word by word with the set\n"
    "that 'tavix write' would send for FILE, without writing anything. Status 0\n"
    "when they match; 3, with each differing word listed, when they do not.\n";

const char* const kLiveHelp =
    "Usage: tavix live [--count N] [--interval SECONDS] [--format csv|jsonl|record]\n"
    "                  [-o FILE] [--port DEVICE | --com N]...\n"
    "\n"
    "Asks for one reading after another and prints one line per reading: time\n"
    "(ISO 8601, UTC, milliseconds), 20DEG, 60DEG, 80DEG, X, Y, INT, V-No, the raw\n"
    "values RAW20DEG, RAW60DEG, RAW80DEG, and GF in % with one decimal.\n"
    "\n"
    "  --format csv      comma-separated, with a header line (the default)\n"
    "  --format jsonl    one JSON object per line, with the same names\n"
    "  --format record   the recorder's record-file format: 20DEG 60DEG 80DEG X Y\n"
    "                    INT GF (GF in tenths), 10 characters each, no time; the\n"
    "                    file opens wherever record files are used\n"
    "  --count N         stop after N readings (N at least 1); without it, run\n"
    "                    until interrupted\n"
    "  --interval S      a reading every S seconds (counted from the first\n"
    "                    request); without it, as fast as the line allows\n"
    "  -o, --output FILE write the lines to FILE (replacing it); each line is on\n"
    "                    disk before the next reading is asked for\n"
    "\n"
    "Output is line-buffered. Ctrl-C or SIGTERM ends the stream after the current\n"
    "reading, with every line written, and status 0. With several sensors the\n"
    "lines of all of them form one stream with a port column (csv, jsonl), or,\n"
    "when -o holds {port}, each sensor writes a file of its own; --format record\n"
    "with several sensors needs -o with {port}.\n";

const char* const kFactorsHelp =
    "Usage: tavix factors [--port DEVICE | --com N]...\n"
    "       tavix factors set F20 F60 F80 --yes [--force] [--no-verify] ...\n"
    "\n"
    "Without 'set': prints the three calibration factors the sensor holds (20DEG,\n"
    "60DEG, 80DEG, in thousandths: 1000 is 1.0), as TavixCalib's GET reads them.\n"
    "With 'set': writes F20 F60 F80 to the sensor's EEPROM as TavixCalib's SEND\n"
    "does, then, unless --no-verify, reads them back after the settle delay of\n"
    "0.8 s and compares them (status 3 when they differ). The sensor applies them\n"
    "itself: calibrated = raw x factor / 1000.\n"
    "\n"
    "  --yes         needed for set: the factors change every reading the sensor makes\n"
    "  --force       accept factors outside 750 to 1250 (still 0 to 65535)\n"
    "  --no-verify   do not read the factors back (the settle delay is still\n"
    "                waited out)\n";

bool ParseWord(const QString& text, long min, long max, long* out) {
  bool ok = false;
  const long v = text.toLong(&ok, 10);
  if (!ok || v < min || v > max) return false;
  *out = v;
  return true;
}

bool Applies(const OptionEntry& e, Subcommand sub) {
  if (e.subs.empty()) return sub != Subcommand::kPorts;
  for (Subcommand s : e.subs) {
    if (s == sub) return true;
  }
  return false;
}

// The option's value into `cl`; false with `error` for a bad one.
bool TakeValue(Opt opt, const QString& name, const QString& value, CommandLine* cl,
               QString* error) {
  switch (opt) {
    case Opt::kPort:
      if (value.isEmpty()) {
        *error = QStringLiteral("--port needs a device path");
        return false;
      }
      cl->ports.push_back({value, 0});
      return true;
    case Opt::kCom: {
      long n = 0;
      if (!ParseWord(value, 1, 255, &n)) {
        *error = QStringLiteral("--com needs a port number from 1 to 255, not '%1'").arg(value);
        return false;
      }
      cl->ports.push_back({QString(), static_cast<int>(n)});
      return true;
    }
    case Opt::kLog:
      if (value.isEmpty()) {
        *error = QStringLiteral("--log needs a file name");
        return false;
      }
      cl->log = value;
      return true;
    case Opt::kOutput:
      if (value.isEmpty()) {
        *error = QStringLiteral("%1 needs a file name").arg(name);
        return false;
      }
      cl->output = value;
      return true;
    case Opt::kCount: {
      long n = 0;
      if (!ParseWord(value, 1, 2147483647L, &n)) {
        *error =
            QStringLiteral("--count needs a number of readings of at least 1, not '%1'").arg(value);
        return false;
      }
      cl->count = n;
      return true;
    }
    case Opt::kInterval: {
      bool ok = false;
      const double s = value.toDouble(&ok);
      if (!ok || !std::isfinite(s) || s < 0.0 || s > 86400.0) {
        *error = QStringLiteral("--interval needs seconds from 0 to 86400, not '%1'").arg(value);
        return false;
      }
      cl->interval = s;
      return true;
    }
    case Opt::kFormat:
      if (value == QLatin1String("csv")) {
        cl->format = LiveFormat::kCsv;
      } else if (value == QLatin1String("jsonl")) {
        cl->format = LiveFormat::kJsonl;
      } else if (value == QLatin1String("record")) {
        cl->format = LiveFormat::kRecord;
      } else {
        *error = QStringLiteral("--format is csv, jsonl or record, not '%1'").arg(value);
        return false;
      }
      return true;
    default:
      return true;
  }
}

void TakeFlag(Opt opt, CommandLine* cl) {
  if (opt == Opt::kNoVerify) cl->noVerify = true;
  if (opt == Opt::kYes) cl->yes = true;
  if (opt == Opt::kForce) cl->force = true;
}

// The subcommand's own arguments.
bool TakeArguments(const QStringList& words, CommandLine* cl, QString* error) {
  const QString name = SubcommandName(cl->sub);
  auto target = [&](const QString& word) {
    if (word == QLatin1String("ram")) {
      cl->target = protocol::Target::RAM;
    } else if (word == QLatin1String("eeprom")) {
      cl->target = protocol::Target::EEPROM;
    } else {
      *error = QStringLiteral("%1: the first argument is ram or eeprom, not '%2'").arg(name, word);
      return false;
    }
    return true;
  };
  auto count = [&](int n, const char* what) {
    if (words.size() == n) return true;
    *error = QStringLiteral("%1 takes %2 (see tavix %1 --help)").arg(name, QLatin1String(what));
    return false;
  };
  switch (cl->sub) {
    case Subcommand::kPorts:
    case Subcommand::kVersion:
    case Subcommand::kLive:
      return count(0, "no arguments");
    case Subcommand::kRead:
      return count(1, "ram or eeprom") && target(words[0]);
    case Subcommand::kWrite:
    case Subcommand::kCheck:
      if (!count(2, "ram or eeprom and a parameter file") || !target(words[0])) return false;
      cl->file = words[1];
      return true;
    case Subcommand::kFactors: {
      if (words.isEmpty()) return true;
      if (words[0] != QLatin1String("set") || words.size() != 4) {
        *error = QStringLiteral("factors takes nothing, or set F20 F60 F80");
        return false;
      }
      cl->setFactors = true;
      for (int i = 0; i < 3; ++i) {
        long f = 0;
        if (!ParseWord(words[i + 1], 0, 65535, &f)) {
          *error = QStringLiteral("factors set: '%1' is not a factor (a whole number, thousandths)")
                       .arg(words[i + 1]);
          return false;
        }
        cl->factors[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(f);
      }
      return true;
    }
    case Subcommand::kNone:
      break;
  }
  return true;
}

// What holds for the whole command line once every word is read.
bool CheckTogether(CommandLine* cl, const std::vector<std::pair<Opt, QString>>& given,
                   QString* error) {
  for (const auto& [opt, spelled] : given) {
    for (const OptionEntry& e : Options()) {
      if (e.opt == opt && !Applies(e, cl->sub)) {
        *error = QStringLiteral("%1 does not apply to %2").arg(spelled, SubcommandName(cl->sub));
        return false;
      }
    }
  }
  if (cl->sub == Subcommand::kFactors && !cl->setFactors) {
    for (const auto& [opt, spelled] : given) {
      if (opt == Opt::kYes || opt == Opt::kForce || opt == Opt::kNoVerify) {
        *error = QStringLiteral("%1 applies to factors set only").arg(spelled);
        return false;
      }
    }
  }
  if (cl->setFactors) {
    if (!cl->yes) {
      *error = QStringLiteral(
          "factors set changes every reading the sensor makes: add --yes to store them");
      return false;
    }
    static constexpr const char* kNames[] = {"20DEG", "60DEG", "80DEG"};
    for (int i = 0; i < 3 && !cl->force; ++i) {
      const int f = cl->factors[static_cast<std::size_t>(i)];
      if (f < logic::kFactorMin || f > logic::kFactorMax) {
        *error = QStringLiteral(
                     "factors set: the %1 factor %2 is outside %3 to %4 (--force "
                     "stores it anyway)")
                     .arg(QLatin1String(kNames[i]))
                     .arg(f)
                     .arg(logic::kFactorMin)
                     .arg(logic::kFactorMax);
        return false;
      }
    }
  }
  if (cl->ports.size() > 1 && !cl->log.isEmpty() &&
      !cl->log.contains(QLatin1String(kPortPlaceholder))) {
    *error = QStringLiteral("with several sensors --log FILE needs {port} in it");
    return false;
  }
  if (cl->ports.size() > 1 && !cl->output.contains(QLatin1String(kPortPlaceholder))) {
    if (cl->sub == Subcommand::kRead) {
      *error = QStringLiteral("read from several sensors needs -o FILE with {port} in it");
      return false;
    }
    if (cl->sub == Subcommand::kLive && cl->format == LiveFormat::kRecord) {
      *error = QStringLiteral(
          "a record file holds one sensor's readings: with several sensors give -o FILE "
          "with {port} in it");
      return false;
    }
  }
  if (cl->ports.empty()) cl->ports.push_back({QString(), 1});
  return true;
}

}  // namespace

QString SubcommandName(Subcommand sub) {
  for (const SubcommandEntry& e : kSubcommands) {
    if (e.sub == sub) return QLatin1String(e.name);
  }
  return QStringLiteral("tavix");
}

QString HelpText(Subcommand sub) {
  switch (sub) {
    case Subcommand::kPorts:
      return QLatin1String(kPortsHelp);
    case Subcommand::kVersion:
      return QLatin1String(kVersionHelp);
    case Subcommand::kRead:
      return QLatin1String(kReadHelp);
    case Subcommand::kWrite:
      return QLatin1String(kWriteHelp);
    case Subcommand::kCheck:
      return QLatin1String(kCheckHelp);
    case Subcommand::kLive:
      return QLatin1String(kLiveHelp);
    case Subcommand::kFactors:
      return QLatin1String(kFactorsHelp);
    case Subcommand::kNone:
      break;
  }
  return QLatin1String(kProgramHelp);
}

bool ParseCommandLine(const QStringList& args, CommandLine* cl, QString* error) {
  QStringList words;  // the subcommand and its arguments
  std::vector<std::pair<Opt, QString>> given;
  bool optionsEnd = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (optionsEnd || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      words << arg;
      continue;
    }
    if (arg == QLatin1String("--")) {
      optionsEnd = true;
      continue;
    }
    if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
      cl->help = true;
      continue;
    }
    if (arg == QLatin1String("--version")) {
      cl->version = true;
      continue;
    }
    // --name, --name=value, -o value, -oVALUE
    QString name;
    QString value;
    bool inlineValue = false;
    const OptionEntry* entry = nullptr;
    if (arg.startsWith(QLatin1String("--"))) {
      name = arg.mid(2);
      if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
        value = name.mid(eq + 1);
        name = name.left(eq);
        inlineValue = true;
      }
      for (const OptionEntry& e : Options()) {
        if (name == QLatin1String(e.name)) entry = &e;
      }
    } else {
      for (const OptionEntry& e : Options()) {
        if (e.shortName != 0 && arg[1] == QLatin1Char(e.shortName)) entry = &e;
      }
      if (entry != nullptr && arg.size() > 2) {
        value = arg.mid(2);
        inlineValue = true;
      }
    }
    if (entry == nullptr) {
      *error = QStringLiteral("unknown option '%1' (see tavix --help)").arg(arg);
      return false;
    }
    const QString spelled = arg.startsWith(QLatin1String("--"))
                                ? QStringLiteral("--") + QLatin1String(entry->name)
                                : arg.left(2);
    if (entry->takesValue) {
      if (!inlineValue) {
        if (i + 1 >= args.size()) {
          *error = QStringLiteral("%1 needs a value").arg(spelled);
          return false;
        }
        value = args[++i];
      }
      if (!TakeValue(entry->opt, spelled, value, cl, error)) return false;
    } else {
      if (inlineValue) {
        *error = QStringLiteral("%1 takes no value").arg(spelled);
        return false;
      }
      TakeFlag(entry->opt, cl);
    }
    given.emplace_back(entry->opt, spelled);
  }
  if (words.isEmpty()) {
    if (cl->help || cl->version) return true;
    *error = QStringLiteral("no subcommand given (see tavix --help)");
    return false;
  }
  const QString first = words.takeFirst();
  for (const SubcommandEntry& e : kSubcommands) {
    if (first == QLatin1String(e.name)) cl->sub = e.sub;
  }
  if (cl->sub == Subcommand::kNone) {
    *error = QStringLiteral("unknown subcommand '%1' (see tavix --help)").arg(first);
    return false;
  }
  if (cl->help || cl->version) return true;
  return TakeArguments(words, cl, error) && CheckTogether(cl, given, error);
}

QString OutputFor(const QString& pattern, const QString& device) {
  QString name = QFileInfo(device).fileName();
  if (name.isEmpty()) name = device;
  QString out = pattern;
  return out.replace(QLatin1String(kPortPlaceholder), name);
}

}  // namespace tavix::cli
