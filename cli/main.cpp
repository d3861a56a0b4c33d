// tavix: the sensor from a script. Everything a command line can get wrong
// (options, files, output places) is found before a port is opened; then
// each sensor runs on a thread of its own with its own link, and the main
// thread waits for them and for interrupts.
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/live_stream.h"
#include "cli/sensor.h"
#include "link/port_list.h"
#include "protocol/param_file.h"
#include "protocol/params.h"

namespace tavix::cli {

namespace {

int Usage(const QString& error) {
  std::fprintf(stderr, "tavix: %s\n", qUtf8Printable(error));
  return kExitUsage;
}

int ListSerialPorts(Console& console) {
  const std::vector<link::PortInfo> ports = link::ListPorts();
  if (ports.empty()) console.Err(QStringLiteral("tavix: no serial ports found"));
  for (const link::PortInfo& p : ports) console.Out(link::Describe(p));
  return kExitDone;
}

// The set TavixScope sends for a parameter file: the file's words through
// the panel's variables, which hold MAXVEC-No. at 31 at most.
protocol::ParamWords SetToSend(const protocol::ParamWords& file) {
  protocol::ParamBlock block;
  block.pp = file;
  protocol::NamedParams vars;
  protocol::CopyPPtoVars(block, vars);
  protocol::CopyVarsToPP(vars, block);
  return block.pp;
}

// A file that is to be written: its directory must be there and writable.
bool CheckWritable(const QString& path, QString* error) {
  const QFileInfo dir(QFileInfo(path).absolutePath());
  if (!dir.isDir()) {
    *error = QStringLiteral("%1: the directory %2 does not exist").arg(path, dir.filePath());
    return false;
  }
  if (!dir.isWritable()) {
    *error = QStringLiteral("%1: the directory %2 is not writable").arg(path, dir.filePath());
    return false;
  }
  return true;
}

struct Port {
  PortChoice choice;
  QString name;
  QString output;  // read: the file; live: the file of this sensor alone
  QString log;     // the line log of this sensor, or empty
  LiveOutput live;
};

// Interrupts are read from a signalfd by the main thread: no handler, no
// global flag. They are blocked before any thread exists, so that every
// thread inherits the mask and none of them is interrupted.
class Interrupts {
 public:
  Interrupts() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
  }
  ~Interrupts() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Fd() {
    if (fd_ < 0) fd_ = signalfd(-1, &set_, SFD_CLOEXEC | SFD_NONBLOCK);
    return fd_;
  }
  // The signal that came, or 0.
  int Take() {
    signalfd_siginfo info{};
    if (::read(fd_, &info, sizeof info) != sizeof info) return 0;
    return static_cast<int>(info.ssi_signo);
  }

 private:
  sigset_t set_{};
  int fd_ = -1;
};

int RunOne(const CommandLine& cl, Port& port, bool prefix, Console& console,
           const protocol::ParamWords& set, const StopSignal& stop) {
  Sensor sensor(port.choice, port.name, prefix, console);
  if (QString error; !port.log.isEmpty() && !sensor.OpenLog(port.log, &error)) {
    console.Err(
        QStringLiteral("tavix: the line log %1 cannot be written: %2").arg(port.log, error));
    return kExitUsage;
  }
  if (!sensor.Connect()) return kExitSensorFailed;
  switch (cl.sub) {
    case Subcommand::kVersion:
      return sensor.Version();
    case Subcommand::kRead:
      return sensor.Read(cl.target, port.output);
    case Subcommand::kWrite:
      return sensor.Write(cl.target, set, cl.file, !cl.noVerify);
    case Subcommand::kCheck:
      return sensor.Check(cl.target, set, cl.file);
    case Subcommand::kLive:
      return sensor.Live(cl, port.live, stop);
    case Subcommand::kFactors:
      if (!cl.setFactors) return sensor.Factors();
      return sensor.SetFactors({cl.factors[0], cl.factors[1], cl.factors[2]}, !cl.noVerify);
    default:
      return kExitUsage;
  }
}

int Run(const CommandLine& cl, Interrupts& interrupts) {
  Console console(::isatty(STDERR_FILENO) == 1);
  if (cl.sub == Subcommand::kPorts) return ListSerialPorts(console);

  QString error;
  protocol::ParamWords set{};
  if (cl.sub == Subcommand::kWrite || cl.sub == Subcommand::kCheck) {
    protocol::ParamWords file{};
    if (!protocol::ReadParamFile(cl.file, &file, &error)) {
      return Usage(QStringLiteral("%1: %2").arg(cl.file, error));
    }
    set = SetToSend(file);
    if (set != file) {
      console.Err(QStringLiteral("tavix: %1: MAXVEC-No. %2 is sent as %3, as TavixScope sends it")
                      .arg(cl.file)
                      .arg(file[6])
                      .arg(set[6]));
    }
  }

  std::vector<Port> ports;
  std::set<QString> names;
  for (const PortChoice& choice : cl.ports) {
    Port p;
    p.choice = choice;
    if (choice.device.isEmpty()) p.choice.device = link::DeviceForPort(choice.com);
    p.name = p.choice.device.isEmpty() ? QStringLiteral("COM%1").arg(choice.com) : p.choice.device;
    if (!names.insert(p.name).second) {
      return Usage(QStringLiteral("%1 is named twice").arg(p.name));
    }
    ports.push_back(p);
  }
  const bool several = ports.size() > 1;

  // Output places, checked or opened before anything is sent.
  std::vector<std::unique_ptr<LineSink>> sinks;
  std::set<QString> outputs;
  const bool perPort = cl.output.contains(QLatin1String(kPortPlaceholder));
  for (Port& p : ports) {
    if (!cl.log.isEmpty()) p.log = OutputFor(cl.log, p.name);
    if (cl.output.isEmpty()) continue;
    p.output = OutputFor(cl.output, p.name);
    if (perPort && !outputs.insert(p.output).second) {
      return Usage(QStringLiteral("-o %1 gives %2 for two sensors").arg(cl.output, p.output));
    }
    if (!CheckWritable(p.output, &error)) return Usage(error);
  }
  if (cl.sub == Subcommand::kLive) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
      if (i == 0 || perPort) {
        sinks.push_back(std::make_unique<LineSink>(console));
        if (!cl.output.isEmpty() && !sinks.back()->OpenFile(ports[i].output, &error)) {
          return Usage(QStringLiteral("cannot write %1: %2").arg(ports[i].output, error));
        }
      }
      ports[i].live = {sinks.back().get(), several && !perPort};
    }
  }

  StopSignal stop;
  const int done = eventfd(0, EFD_CLOEXEC);
  std::vector<int> codes(ports.size(), kExitSensorFailed);
  std::vector<std::unique_ptr<QThread>> threads;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    threads.emplace_back(QThread::create([&, i] {
      codes[i] = RunOne(cl, ports[i], several, console, set, stop);
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = ::write(done, &one, sizeof one);
    }));
    threads.back()->start();
  }
  std::size_t running = ports.size();
  pollfd fds[2] = {{done, POLLIN, 0}, {interrupts.Fd(), POLLIN, 0}};
  while (running > 0) {
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents & POLLIN) {
      std::uint64_t finished = 0;
      if (::read(done, &finished, sizeof finished) == sizeof finished) {
        running -= std::min<std::uint64_t>(finished, running);
      }
    }
    if (fds[1].revents & POLLIN) {
      const int signo = interrupts.Take();
      if (signo == 0) continue;
      // The stream ends after the current reading; anything else, or a
      // second interrupt, ends the program at once.
      if (cl.sub != Subcommand::kLive || stop.Requested()) {
        if (console.ShowsProgress()) WriteAll(STDERR_FILENO, "\n");
        ::_exit(128 + signo);
      }
      stop.Request();
    }
  }
  for (auto& t : threads) t->wait();
  ::close(done);
  return *std::max_element(codes.begin(), codes.end());
}

}  // namespace

}  // namespace tavix::cli

int main(int argc, char** argv) {
  using namespace tavix::cli;
  Interrupts interrupts;  // first, before any thread
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tavix"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TAVIX_VERSION));
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  CommandLine cl;
  QString error;
  if (!ParseCommandLine(args, &cl, &error)) return Usage(error);
  if (cl.help) {
    WriteAll(STDOUT_FILENO, HelpText(cl.sub).toLocal8Bit());
    return kExitDone;
  }
  if (cl.version) {
    WriteAll(STDOUT_FILENO, QByteArrayLiteral("tavix " TAVIX_VERSION "\n"));
    return kExitDone;
  }
  return Run(cl, interrupts);
}
