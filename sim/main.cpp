// tavix-sensor-sim: the simulated sensor on a pseudo-terminal. Prints the
// device path on its first output line and takes commands on standard input.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "sim/pty_sensor.h"

namespace {

using tavix::sim::Counters;
using tavix::sim::Fault;
using tavix::sim::LogEntry;
using tavix::sim::Options;
using tavix::sim::PtySensor;
using tavix::sim::SensorModel;
using tavix::sim::Target;

constexpr const char* kUsage =
    "usage: tavix-sensor-sim [options]\n"
    "Simulates the sensor on a pseudo-terminal and prints the device path on the\n"
    "first line of standard output. Commands are read from standard input.\n"
    "\n"
    "options:\n"
    "  --no-pacing       answer at once instead of at 19200 baud\n"
    "  --link PATH       keep a symbolic link PATH to the device\n"
    "  --eeprom FILE     load the EEPROM from FILE and save it there after each write\n"
    "  --version TEXT    the sensor's version text (at most 48 characters)\n"
    "  --target NAME     the target at start (white, ref1, ref2, black, red, green, blue)\n"
    "                    or a calibration failure: uneven, dim, tinted, dark20\n"
    "  --daemon          ignore standard input; run until SIGINT or SIGTERM\n"
    "  --help            show this text\n"
    "\n"
    "Run it in the background with its output in a file or FIFO, for example\n"
    "  tavix-sensor-sim --daemon --link /tmp/tavix-sensor > /tmp/sim.out &\n";

constexpr const char* kCommands[] = {
    "commands:",
    "  target NAME                   white, ref1, ref2, black, red, green, blue",
    "                                or uneven, dim, tinted, dark20 (calibration fails)",
    "  target S20 S60 S80 [NOISE]    sensitivities (counts per unit of power), noise in counts",
    "  fault KIND [once|always]      silence, short, surplus, late, garbage, hangup, corrupt, "
    "stray",
    "  clear                         clear the fault",
    "  counters                      frame counters",
    "  log [N]                       the last N log lines (default 20)",
    "  ram | eeprom                  the 171 parameter words",
    "  version [TEXT]                show or set the version text",
    "  help | quit",
};

struct CommandLine {
  Options options;
  bool daemon = false;
  bool help = false;
  bool haveVersion = false;
  std::string version;
  std::string target;
};

struct FaultName {
  const char* name;
  Fault fault;
};
constexpr FaultName kFaults[] = {
    {"silence", Fault::kSilence}, {"short", Fault::kShort},     {"surplus", Fault::kSurplus},
    {"late", Fault::kLate},       {"garbage", Fault::kGarbage}, {"hangup", Fault::kHangUp},
    {"corrupt", Fault::kCorrupt}, {"stray", Fault::kStray},
};

// Writes one line to standard output at once. A reader that went away
// (closed pipe) does not stop the simulator.
void Say(const std::string& line) {
  std::string text = line + "\n";
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(STDOUT_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void Complain(const std::string& text) {
  std::fprintf(stderr, "tavix-sensor-sim: %s\n", text.c_str());
}

// Parses the options; false with a message for a bad command line.
bool ParseArgs(int argc, char** argv, CommandLine* cl, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *error = "option " + arg + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    if (arg == "--no-pacing") {
      cl->options.pacing = false;
    } else if (arg == "--daemon") {
      cl->daemon = true;
    } else if (arg == "--help" || arg == "-h") {
      cl->help = true;
    } else if (arg == "--link") {
      if (!value(&cl->options.linkPath)) return false;
    } else if (arg == "--eeprom") {
      if (!value(&cl->options.eepromFile)) return false;
    } else if (arg == "--version") {
      if (!value(&cl->version)) return false;
      cl->haveVersion = true;
    } else if (arg == "--target") {
      if (!value(&cl->target)) return false;
    } else {
      *error = "unknown option '" + arg + "' (see --help)";
      return false;
    }
  }
  return true;
}

bool ParseNumber(const std::string& text, double* out) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v) || v < 0.0) return false;
  *out = v;
  return true;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  char buf[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, " %02X", b);
    s += buf;
  }
  return s;
}

std::string FormatLog(const LogEntry& e) {
  char head[96];
  if (!e.received) {
    std::snprintf(head, sizeof head, "%.6f tx answer (%zu bytes):", e.time, e.bytes.size());
  } else if (e.rejected) {
    std::snprintf(head, sizeof head, "%.6f rx rejected (%zu bytes):", e.time, e.bytes.size());
  } else {
    std::snprintf(head, sizeof head, "%.6f rx order %u (%zu bytes):", e.time,
                  static_cast<unsigned>(SensorModel::OrderOf(e.bytes.data())), e.bytes.size());
  }
  return head + Hex(e.bytes);
}

class Program {
 public:
  explicit Program(PtySensor* sim) : sim_(sim) {}

  // Runs one command line; false when the program is to end.
  bool Command(const std::string& line) {
    std::istringstream in(line);
    std::string cmd;
    std::vector<std::string> args;
    in >> cmd;
    for (std::string a; in >> a;) args.push_back(a);
    if (cmd.empty()) return true;
    if (cmd == "quit" || cmd == "exit") {
      Say("ok quit");
      return false;
    }
    if (cmd == "help") {
      for (const char* l : kCommands) Say(l);
    } else if (cmd == "target") {
      SetTarget(args);
    } else if (cmd == "fault") {
      SetFault(args);
    } else if (cmd == "clear" && args.empty()) {
      sim_->ClearFault();
      Say("ok fault cleared");
    } else if (cmd == "counters" && args.empty()) {
      ShowCounters();
    } else if (cmd == "log") {
      ShowLog(args);
    } else if ((cmd == "ram" || cmd == "eeprom") && args.empty()) {
      std::string s = cmd + ":";
      sim_->WithModel([&](SensorModel& m) {
        for (std::uint16_t w : cmd == "ram" ? m.ram : m.eeprom) s += " " + std::to_string(w);
      });
      Say(s);
    } else if (cmd == "version") {
      SetVersion(line);
    } else {
      Say("error: unknown command '" + line + "' (try help)");
    }
    return true;
  }

 private:
  void SetTarget(const std::vector<std::string>& args) {
    Target t;
    if (args.size() == 1) {
      if (!tavix::sim::NamedTarget(args[0], &t)) {
        Say("error: unknown target '" + args[0] + "'");
        return;
      }
    } else if (args.size() == 3 || args.size() == 4) {
      double v[4] = {0, 0, 0, 0};
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (!ParseNumber(args[i], &v[i])) {
          Say("error: '" + args[i] + "' is not a number >= 0");
          return;
        }
      }
      t = Target{"custom", v[0], v[1], v[2], v[3]};
    } else {
      Say("error: usage: target NAME | target S20 S60 S80 [NOISE]");
      return;
    }
    sim_->WithModel([&](SensorModel& m) { m.target = t; });
    char buf[160];
    std::snprintf(buf, sizeof buf, "ok target %s %g %g %g noise %g", t.name.c_str(), t.sens20,
                  t.sens60, t.sens80, t.noise);
    Say(buf);
  }

  void SetFault(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 ||
        (args.size() == 2 && args[1] != "once" && args[1] != "always")) {
      Say("error: usage: fault silence|short|surplus|late|garbage|hangup|corrupt|stray "
          "[once|always]");
      return;
    }
    for (const FaultName& f : kFaults) {
      if (args[0] == f.name) {
        const bool once = args.size() < 2 || args[1] == "once";
        sim_->InjectFault(f.fault, once);
        Say(std::string("ok fault ") + f.name + (once ? " once" : " always"));
        return;
      }
    }
    Say("error: unknown fault '" + args[0] + "'");
  }

  void ShowCounters() {
    const Counters c = sim_->GetCounters();
    std::string s = "frames " + std::to_string(c.frames) + " rejected " +
                    std::to_string(c.rejected) + " early " + std::to_string(c.earlyFrames) +
                    " answers " + std::to_string(c.answers) + " orders";
    for (std::size_t i = 1; i < c.perOrder.size(); ++i) {
      s += (i == 1 ? " " : ",") + std::to_string(i) + ":" + std::to_string(c.perOrder[i]);
    }
    s += sim_->Serving() ? " serving" : " stopped";
    const std::string error = sim_->LastError();
    if (!error.empty()) s += " error: " + error;
    Say(s);
  }

  void ShowLog(const std::vector<std::string>& args) {
    long n = 20;
    if (args.size() > 1 || (args.size() == 1 && (std::sscanf(args[0].c_str(), "%ld", &n) != 1 ||
                                                 n <= 0 || std::to_string(n) != args[0]))) {
      Say("error: usage: log [N], N a positive whole number");
      return;
    }
    const std::vector<LogEntry> log = sim_->FrameLog();
    if (log.empty()) {
      Say("log empty");
      return;
    }
    std::size_t first = log.size() > static_cast<std::size_t>(n) ? log.size() - n : 0;
    for (std::size_t i = first; i < log.size(); ++i) Say(FormatLog(log[i]));
  }

  void SetVersion(const std::string& line) {
    std::size_t at = line.find("version");
    std::string text = line.substr(at + 7);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    if (text.empty()) {
      sim_->WithModel([&](SensorModel& m) { text = m.version; });
      Say("version " + text);
      return;
    }
    if (text.size() > static_cast<std::size_t>(tavix::sim::kVersionChars)) {
      Say("error: the version text has at most 48 characters");
      return;
    }
    sim_->WithModel([&](SensorModel& m) { m.version = text; });
    Say("ok version " + text);
  }

  PtySensor* sim_;
};

// Serves commands until end of input, quit or a signal.
void Serve(Program* program, int signalFd, bool daemon) {
  pollfd fds[2] = {{signalFd, POLLIN, 0}, {daemon ? -1 : STDIN_FILENO, POLLIN, 0}};
  std::string pending;
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) return;  // SIGINT or SIGTERM
    if (fds[1].revents == 0) continue;
    char buf[4096];
    ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (!pending.empty()) program->Command(pending);  // last line without newline
      return;
    }
    pending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!program->Command(line)) return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine cl;
  cl.options.pacing = true;
  std::string error;
  if (!ParseArgs(argc, argv, &cl, &error)) {
    Complain(error);
    return 2;
  }
  if (cl.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Target target;
  if (!cl.target.empty() && !tavix::sim::NamedTarget(cl.target, &target)) {
    Complain("unknown target '" + cl.target + "' (white, ref1, ref2, black, red, green, blue)");
    return 2;
  }
  if (cl.version.size() > static_cast<std::size_t>(tavix::sim::kVersionChars)) {
    Complain("the version text has at most 48 characters");
    return 2;
  }

  // SIGINT and SIGTERM arrive through a signalfd; block them before the
  // simulator's thread starts so that it inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
    Complain(std::string("sigprocmask: ") + std::strerror(errno));
    return 1;
  }
  int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (signalFd < 0) {
    Complain(std::string("signalfd: ") + std::strerror(errno));
    return 1;
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, nullptr);  // a reader that went away is not fatal

  PtySensor sim(cl.options);
  sim.WithModel([&](SensorModel& m) {
    if (!cl.target.empty()) m.target = target;
    if (cl.haveVersion) m.version = cl.version;
  });
  if (!sim.Start(&error)) {
    Complain(error);
    close(signalFd);
    return 1;
  }
  Say(sim.DevicePath());

  Program program(&sim);
  Serve(&program, signalFd, cl.daemon);

  sim.Stop();
  close(signalFd);
  const std::string last = sim.LastError();
  if (!last.empty()) Complain(last);
  return 0;
}
