// The simulated sensor on a pseudo-terminal: frame assembly, busy windows,
// byte pacing and faults, on a thread that sleeps in ppoll() between events.
#include "sim/pty_sensor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

#include "sim/eeprom_file.h"

namespace tavix::sim {
namespace {

constexpr double kByteTime = 1.0 / 1920.0;  // 19200 baud, 8N1: 10 bits a byte
// Paced, each byte leaves when the line would have carried it, as a UART
// without a FIFO hands it on: a surplus follows its answer by one byte time.
constexpr std::size_t kPacedChunk = 1;
constexpr double kIdleReject = 0.050;  // a partial frame without new bytes is dropped
constexpr double kBurstGap = 0.100;    // largest gap inside a parameter transfer
constexpr double kEarlyTolerance = 0.020;
constexpr double kOrder1Busy = 0.2;
constexpr double kTransferBusy = 1.0;
constexpr double kOrder10Busy = 1.0;
constexpr double kOrder8Busy = 0.8;
constexpr double kLateDelay = 2.2;
constexpr std::size_t kShortBy = 3;
constexpr std::size_t kSurplusBytes = 4;
constexpr double kStrayDelay = 0.005;  // past the answer guard, well inside a request's 18.75 ms
constexpr std::size_t kGarbageBytes = 8;
constexpr std::size_t kMaxLog = 20000;
constexpr std::size_t kMaxRecords = 10000;
constexpr double kNever = std::numeric_limits<double>::infinity();

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

void CloseFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

bool SetFlags(int fd, bool nonBlocking) {
  if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) return false;
  if (!nonBlocking) return true;
  int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Bytes waiting to go out: an answer, possibly with fault bytes.
struct TxItem {
  std::vector<std::uint8_t> bytes;
  double notBefore = 0.0;  // the first byte starts no earlier
  bool answer = false;     // carries an answer (not only garbage)
  bool record = false;     // its first 32 bytes are a data record
  std::size_t sent = 0;
  double start = -1.0;  // when its first byte went on the wire
};

}  // namespace

struct PtySensor::Impl {
  explicit Impl(Options o) : options(std::move(o)) {}

  Options options;
  mutable std::mutex mu;
  SensorModel model;
  Counters counters;
  std::deque<LogEntry> log;
  std::deque<std::array<std::uint16_t, kRecordWords>> records;
  Fault fault = Fault::kNone;
  bool faultOnce = true;
  std::string lastError;
  std::string devicePath;
  int master = -1;
  int slave = -1;  // kept open so that the master never sees EIO while the PC has the port closed
  int wakeRead = -1;
  int wakeWrite = -1;
  std::thread thread;
  bool started = false;
  bool serving = false;
  bool stopping = false;
  double t0 = 0.0;

  // Receiving.
  std::vector<std::uint8_t> rx;
  double rxFirst = 0.0;    // real arrival of the frame's first byte
  double rxLast = 0.0;     // real arrival of the last byte read
  double rxWireEnd = 0.0;  // when the last byte would have finished on the wire
  bool resyncing = false;
  std::vector<std::uint8_t> dropped;

  // Busy window after parameter and EEPROM writes.
  double busyUntil = -kNever;
  bool burstOpen = false;
  double burstStart = 0.0;
  double burstLastEnd = 0.0;
  std::uint16_t burstLastOrder = 0;

  // Sending.
  std::deque<TxItem> tx;
  std::vector<TxItem> late;
  double txLineFree = 0.0;
  bool txBlocked = false;
  std::uint64_t rng = 0x2545F4914F6CDD1DULL;

  void Run();
  void Wake() const;
  void Feed(const std::uint8_t* data, std::size_t n, double now);
  void HandleFrame(double now);
  bool UpdateBusy(std::uint16_t order, double first, double now);
  void DropPartial(double now);
  void Service(double now);
  double NextDeadline();
  double ChunkDue(TxItem& item, std::size_t* end);
  void Finish(const TxItem& item, double now);
  void HangUp();
  void AddLog(double now, bool received, const std::vector<std::uint8_t>& bytes, bool rejected);
  void AppendRandom(std::vector<std::uint8_t>* out, std::size_t n);
  void CloseAll();
  void RemoveLink();
};

void PtySensor::Impl::Wake() const {
  if (wakeWrite < 0) return;
  const char b = 1;
  [[maybe_unused]] ssize_t n = write(wakeWrite, &b, 1);  // a full pipe wakes anyway
}

void PtySensor::Impl::AddLog(double now, bool received, const std::vector<std::uint8_t>& bytes,
                             bool rejected) {
  log.push_back(LogEntry{now - t0, received, bytes, rejected});
  if (log.size() > kMaxLog) log.pop_front();
}

void PtySensor::Impl::AppendRandom(std::vector<std::uint8_t>* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    rng ^= rng << 13;
    rng ^= rng >> 7;
    rng ^= rng << 17;
    out->push_back(static_cast<std::uint8_t>(rng >> 24));
  }
}

void PtySensor::Impl::Feed(const std::uint8_t* data, std::size_t n, double now) {
  rxLast = now;
  for (std::size_t i = 0; i < n && master >= 0; ++i) {
    rxWireEnd = std::max(rxWireEnd, now) + kByteTime;
    if (rx.empty()) rxFirst = now;
    rx.push_back(data[i]);
    auto bad = [&] { return rx[0] != 0x00 || (rx.size() >= 2 && rx[1] != 0x55); };
    if (bad()) {
      // One rejected frame; drop bytes up to the next 00 55.
      if (!resyncing) {
        ++counters.rejected;
        resyncing = true;
        dropped.clear();
      }
      while (!rx.empty() && bad()) {
        dropped.push_back(rx.front());
        rx.erase(rx.begin());
      }
      if (!rx.empty()) rxFirst = now;
      continue;
    }
    if (resyncing && rx.size() == 2) {
      AddLog(now, true, dropped, true);
      resyncing = false;
    }
    if (rx.size() == static_cast<std::size_t>(kFrameBytes)) {
      HandleFrame(now);
      rx.clear();
    }
  }
}

void PtySensor::Impl::DropPartial(double now) {
  if (resyncing) {
    dropped.insert(dropped.end(), rx.begin(), rx.end());
    AddLog(now, true, dropped, true);
    resyncing = false;
  } else if (!rx.empty()) {
    ++counters.rejected;
    AddLog(now, true, rx, true);
  }
  rx.clear();
}

// Tracks the sensor's busy time after parameter and EEPROM writes; returns
// whether the frame came too early. A parameter transfer (1, then 2 and 6
// without a pause) counts as one operation measured from its first byte.
bool PtySensor::Impl::UpdateBusy(std::uint16_t order, double first, double now) {
  const bool continues = burstOpen && (order == 2 || order == 6) &&
                         (burstLastOrder == 1 || burstLastOrder == 2) &&
                         first - burstLastEnd <= kBurstGap;
  const bool early = !continues && first < busyUntil - kEarlyTolerance;
  if (continues) {
    busyUntil = std::max(busyUntil, burstStart + kTransferBusy);
    burstLastOrder = order;
    burstLastEnd = now;
    burstOpen = order != 6;
    return early;
  }
  burstOpen = false;
  switch (order) {
    case 1:
      burstOpen = true;
      burstStart = first;
      burstLastOrder = 1;
      burstLastEnd = now;
      busyUntil = std::max(busyUntil, first + kOrder1Busy);
      break;
    case 8:
      busyUntil = std::max(busyUntil, first + kOrder8Busy);
      break;
    case 10:
      busyUntil = std::max(busyUntil, first + kOrder10Busy);
      break;
    default:
      break;
  }
  return early;
}

void PtySensor::Impl::HandleFrame(double now) {
  const std::uint16_t order = SensorModel::OrderOf(rx.data());
  ++counters.frames;
  if (order < counters.perOrder.size()) ++counters.perOrder[order];
  AddLog(now, true, rx, false);
  if (UpdateBusy(order, rxFirst, now)) ++counters.earlyFrames;

  if (fault == Fault::kHangUp) {
    fault = Fault::kNone;
    HangUp();
    return;
  }
  std::vector<std::uint8_t> answer = model.Answer(rx.data());
  if ((order == 6 || order == 8 || order == 10) && !options.eepromFile.empty()) {
    std::string error;
    if (!SaveEepromFile(options.eepromFile, model, &error)) lastError = error;
  }

  Fault f = fault;
  const bool fits = f == Fault::kGarbage || (!answer.empty() && f != Fault::kNone);
  if (!fits) {
    f = Fault::kNone;
  } else if (faultOnce) {
    fault = Fault::kNone;
  }
  TxItem item;
  item.answer = !answer.empty();
  item.record = order == 5 && answer.size() == kRecordWords * 2;
  item.notBefore = options.pacing ? rxWireEnd : now;
  switch (f) {
    case Fault::kSilence:
      return;
    case Fault::kShort:
      answer.resize(answer.size() - std::min(kShortBy, answer.size()));
      item.record = false;
      break;
    case Fault::kSurplus:
      AppendRandom(&answer, kSurplusBytes);
      break;
    case Fault::kGarbage:
      AppendRandom(&answer, kGarbageBytes);
      break;
    case Fault::kCorrupt:
      answer[1] ^= 0x01;  // a read-back or record that differs from what the sensor holds
      break;
    case Fault::kStray: {
      TxItem stray;
      AppendRandom(&stray.bytes, kSurplusBytes);
      stray.notBefore = item.notBefore + kStrayDelay +
                        (options.pacing ? static_cast<double>(answer.size()) * kByteTime : 0.0);
      late.push_back(std::move(stray));
      break;
    }
    case Fault::kLate:
      item.notBefore += kLateDelay;
      item.bytes = std::move(answer);
      late.push_back(std::move(item));
      return;
    default:
      break;
  }
  if (answer.empty()) return;
  item.bytes = std::move(answer);
  tx.push_back(std::move(item));
}

// When the next piece of the head item is due; `end` gets the byte index it ends at.
double PtySensor::Impl::ChunkDue(TxItem& item, std::size_t* end) {
  if (item.start < 0) {
    item.start = options.pacing ? std::max(item.notBefore, txLineFree) : item.notBefore;
  }
  if (!options.pacing) {
    *end = item.bytes.size();
    return item.start;
  }
  *end = std::min(item.sent + kPacedChunk, item.bytes.size());
  return item.start + static_cast<double>(*end) * kByteTime;
}

void PtySensor::Impl::Finish(const TxItem& item, double now) {
  AddLog(now, false, item.bytes, false);
  if (item.answer) ++counters.answers;
  if (item.record) {
    std::array<std::uint16_t, kRecordWords> rec{};
    for (int i = 0; i < kRecordWords; ++i) {
      rec[i] = static_cast<std::uint16_t>((item.bytes[2 * i] << 8) | item.bytes[2 * i + 1]);
    }
    records.push_back(rec);
    if (records.size() > kMaxRecords) records.pop_front();
  }
}

void PtySensor::Impl::Service(double now) {
  for (auto it = late.begin(); it != late.end();) {
    if (it->notBefore <= now) {
      tx.push_back(std::move(*it));
      it = late.erase(it);
    } else {
      ++it;
    }
  }
  if ((!rx.empty() || resyncing) && now >= rxLast + kIdleReject) DropPartial(now);

  while (!tx.empty() && !txBlocked && master >= 0) {
    TxItem& item = tx.front();
    std::size_t end = 0;
    if (ChunkDue(item, &end) > now) break;
    ssize_t n = write(master, item.bytes.data() + item.sent, end - item.sent);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        txBlocked = true;
      } else {
        lastError = Errno("write to the pseudo-terminal");
        tx.clear();
      }
      break;
    }
    item.sent += static_cast<std::size_t>(n);
    if (item.sent < end) txBlocked = true;  // the PC does not read; wait until it does
    if (item.sent == item.bytes.size()) {
      Finish(item, now);
      txLineFree = options.pacing ? item.start + item.bytes.size() * kByteTime : now;
      tx.pop_front();
    }
  }
}

double PtySensor::Impl::NextDeadline() {
  double next = kNever;
  if (!tx.empty() && !txBlocked) {
    std::size_t end = 0;
    next = ChunkDue(tx.front(), &end);
  }
  for (const TxItem& item : late) next = std::min(next, item.notBefore);
  if (!rx.empty() || resyncing) next = std::min(next, rxLast + kIdleReject);
  return next;
}

void PtySensor::Impl::HangUp() {
  CloseFd(&master);
  CloseFd(&slave);
  tx.clear();
  late.clear();
  serving = false;
}

void PtySensor::Impl::Run() {
  // Paced bytes leave when the line would have sent them: without this the
  // kernel may let each timed wake-up slip by its default slack (50 us).
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::unique_lock<std::mutex> lock(mu);
  while (!stopping && master >= 0) {
    Service(Now());
    if (stopping || master < 0) break;
    const double deadline = NextDeadline();
    pollfd fds[2] = {{master, static_cast<short>(POLLIN | (txBlocked ? POLLOUT : 0)), 0},
                     {wakeRead, POLLIN, 0}};
    lock.unlock();
    timespec ts{};
    timespec* timeout = nullptr;
    if (deadline != kNever) {
      double wait = std::max(0.0, deadline - Now());
      ts.tv_sec = static_cast<time_t>(wait);
      ts.tv_nsec = static_cast<long>((wait - static_cast<double>(ts.tv_sec)) * 1e9);
      timeout = &ts;
    }
    int rc = ppoll(fds, 2, timeout, nullptr);
    int pollErrno = errno;
    lock.lock();
    if (rc < 0) {
      if (pollErrno == EINTR) continue;
      lastError = std::string("poll: ") + std::strerror(pollErrno);
      break;
    }
    if (fds[1].revents != 0) {
      char buf[64];
      while (read(wakeRead, buf, sizeof buf) > 0) {
      }
    }
    if (master < 0) break;
    if (fds[0].revents & POLLOUT) txBlocked = false;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      std::uint8_t buf[4096];
      ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) {
        Feed(buf, static_cast<std::size_t>(n), Now());
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        lastError = n == 0 ? "pseudo-terminal closed" : Errno("read from the pseudo-terminal");
        break;
      }
    }
  }
  serving = false;
}

void PtySensor::Impl::CloseAll() {
  CloseFd(&master);
  CloseFd(&slave);
  CloseFd(&wakeRead);
  CloseFd(&wakeWrite);
}

void PtySensor::Impl::RemoveLink() {
  if (options.linkPath.empty() || devicePath.empty()) return;
  char target[4096];
  ssize_t n = readlink(options.linkPath.c_str(), target, sizeof target - 1);
  if (n < 0) return;
  target[n] = '\0';
  if (devicePath == target) unlink(options.linkPath.c_str());  // only our own link
}

PtySensor::PtySensor(Options options) : d_(std::make_unique<Impl>(std::move(options))) {}

PtySensor::~PtySensor() {
  Stop();
}

bool PtySensor::Start(std::string* error) {
  std::lock_guard<std::mutex> lock(d_->mu);
  Impl& d = *d_;
  auto fail = [&](const std::string& why) {
    d.CloseAll();
    if (error) *error = why;
    return false;
  };
  if (d.started) return fail("the simulator is already running");
  if (!d.options.eepromFile.empty()) {
    bool found = false;
    std::string why;
    if (!LoadEepromFile(d.options.eepromFile, &d.model, &found, &why)) return fail(why);
    if (found) d.model.ram = d.model.eeprom;  // the sensor starts with its stored set
  }
  d.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (d.master < 0) return fail(Errno("posix_openpt"));
  char name[256];
  if (grantpt(d.master) != 0 || unlockpt(d.master) != 0 ||
      ptsname_r(d.master, name, sizeof name) != 0 || !SetFlags(d.master, true)) {
    return fail(Errno("pseudo-terminal set-up"));
  }
  d.devicePath = name;
  d.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios tio{};
  if (d.slave < 0 || tcgetattr(d.slave, &tio) != 0) return fail(Errno(d.devicePath));
  cfmakeraw(&tio);
  cfsetispeed(&tio, B19200);
  cfsetospeed(&tio, B19200);
  if (tcsetattr(d.slave, TCSANOW, &tio) != 0) return fail(Errno(d.devicePath + ": raw mode"));
  int pipeFds[2];
  if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return fail(Errno("pipe"));
  d.wakeRead = pipeFds[0];
  d.wakeWrite = pipeFds[1];
  if (!d.options.linkPath.empty()) {
    const char* link = d.options.linkPath.c_str();
    struct stat st {};
    if (lstat(link, &st) == 0) {
      if (!S_ISLNK(st.st_mode)) {
        return fail(d.options.linkPath + ": exists and is not a symbolic link; not replaced");
      }
      if (unlink(link) != 0) return fail(Errno(d.options.linkPath));
    }
    if (symlink(name, link) != 0) return fail(Errno(d.options.linkPath));
  }
  d.t0 = Now();
  d.started = true;
  d.serving = true;
  d.stopping = false;
  d.lastError.clear();
  d.thread = std::thread([this] { d_->Run(); });
  return true;
}

void PtySensor::Stop() {
  {
    std::lock_guard<std::mutex> lock(d_->mu);
    if (!d_->started) return;
    d_->stopping = true;
    d_->Wake();
  }
  if (d_->thread.joinable()) d_->thread.join();
  std::lock_guard<std::mutex> lock(d_->mu);
  d_->CloseAll();
  d_->RemoveLink();
  if (!d_->options.eepromFile.empty()) {
    std::string error;
    if (!SaveEepromFile(d_->options.eepromFile, d_->model, &error)) d_->lastError = error;
  }
  d_->tx.clear();
  d_->late.clear();
  d_->rx.clear();
  d_->resyncing = false;
  d_->started = false;
  d_->serving = false;
}

std::string PtySensor::DevicePath() const {
  std::lock_guard<std::mutex> lock(d_->mu);
  return d_->devicePath;
}

void PtySensor::InjectFault(Fault fault, bool once) {
  std::lock_guard<std::mutex> lock(d_->mu);
  d_->fault = fault;
  d_->faultOnce = once;
  d_->Wake();
}

void PtySensor::ClearFault() {
  std::lock_guard<std::mutex> lock(d_->mu);
  d_->fault = Fault::kNone;
  d_->Wake();
}

void PtySensor::WithModel(const std::function<void(SensorModel&)>& fn) {
  std::lock_guard<std::mutex> lock(d_->mu);
  fn(d_->model);
}

Counters PtySensor::GetCounters() const {
  std::lock_guard<std::mutex> lock(d_->mu);
  return d_->counters;
}

std::vector<LogEntry> PtySensor::FrameLog() const {
  std::lock_guard<std::mutex> lock(d_->mu);
  return {d_->log.begin(), d_->log.end()};
}

void PtySensor::ClearLog() {
  std::lock_guard<std::mutex> lock(d_->mu);
  d_->log.clear();
}

std::vector<std::array<std::uint16_t, kRecordWords>> PtySensor::SentRecords() const {
  std::lock_guard<std::mutex> lock(d_->mu);
  return {d_->records.begin(), d_->records.end()};
}

std::string PtySensor::LastError() const {
  std::lock_guard<std::mutex> lock(d_->mu);
  return d_->lastError;
}

bool PtySensor::Serving() const {
  std::lock_guard<std::mutex> lock(d_->mu);
  return d_->serving;
}

}  // namespace tavix::sim
