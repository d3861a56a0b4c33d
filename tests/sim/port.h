// The PC's side of the simulator in tests: plain POSIX on the pseudo-terminal
// slave and a frame builder of its own.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tavix::sim::test {

inline double Seconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

inline void SleepUntil(double t) {
  for (double left; (left = t - Seconds()) > 0;) usleep(static_cast<useconds_t>(left * 1e6) + 1);
}

// A request frame: sync, order, then the given payload words (zeros after them).
inline std::vector<std::uint8_t> Frame(std::uint16_t order,
                                       const std::vector<std::uint16_t>& words = {}) {
  std::vector<std::uint8_t> f = {0x00, 0x55, static_cast<std::uint8_t>(order >> 8),
                                 static_cast<std::uint8_t>(order & 0xFF)};
  for (std::size_t i = 0; i < 16; ++i) {
    const std::uint16_t w = i < words.size() ? words[i] : 0;
    f.insert(f.end(), {static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w & 0xFF)});
  }
  return f;
}

inline std::vector<std::uint16_t> Words(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint16_t> w;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back((bytes[i] << 8) | bytes[i + 1]);
  return w;
}

// The slave side of the pseudo-terminal in raw mode.
class Port {
 public:
  explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios tio{};
    if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(fd_, TCSANOW, &tio);
    }
  }
  ~Port() { close(fd_); }
  bool Send(const std::vector<std::uint8_t>& bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until `want` bytes have come and no more follow for `quiet` s, or
  // until `timeout` s have passed or the line is gone.
  std::vector<std::uint8_t> Read(std::size_t want, double timeout, double quiet = 0.01) {
    std::vector<std::uint8_t> got;
    const double end = Seconds() + timeout;
    for (double now = Seconds(); now < end; now = Seconds()) {
      const double limit = got.size() >= want ? std::min(end, now + quiet) : end;
      pollfd p{fd_, POLLIN, 0};
      std::uint8_t buf[512];
      ssize_t n = 0;
      if (poll(&p, 1, static_cast<int>((limit - now) * 1000) + 1) > 0) {
        if ((n = read(fd_, buf, sizeof buf)) <= 0) break;
        got.insert(got.end(), buf, buf + n);
      } else if (got.size() >= want) {
        break;
      }
    }
    return got;
  }
  std::vector<std::uint8_t> Exchange(const std::vector<std::uint8_t>& frame, std::size_t want,
                                     double timeout = 1.0, double quiet = 0.01) {
    Send(frame);
    return Read(want, timeout, quiet);
  }

 private:
  int fd_;
};

}  // namespace tavix::sim::test
