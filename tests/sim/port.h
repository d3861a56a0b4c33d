// The PC's side of the simulator in tests: plain POSIX on the pseudo-terminal
// slave and a frame builder of its own.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/timer.h"

namespace tavix::sim::test {

using Words16 = std::vector<std::uint16_t>;

// A request frame: sync, order, then the given payload words (zeros after them).
inline std::vector<std::uint8_t> Frame(std::uint16_t order, Words16 words = {}) {
  words.insert(words.begin(), {0x0055, order});
  words.resize(18);
  std::vector<std::uint8_t> f;
  for (std::uint16_t w : words) f.insert(f.end(), {std::uint8_t(w >> 8), std::uint8_t(w & 0xFF)});
  return f;
}

inline Words16 Words(const std::vector<std::uint8_t>& bytes) {
  Words16 w;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back((bytes[i] << 8) | bytes[i + 1]);
  return w;
}

// The slave side of the pseudo-terminal (the simulator has made it raw).
class Port {
 public:
  explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~Port() { close(fd_); }
  bool Send(const std::vector<std::uint8_t>& bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until `want` bytes have come and no more follow for `quiet` s, or
  // until `timeout` s have passed or the line is gone.
  std::vector<std::uint8_t> Read(std::size_t want, double timeout, double quiet = 0.01) {
    std::vector<std::uint8_t> got;
    for (const double end = Timer() + timeout;;) {
      const double now = Timer(), limit = got.size() >= want ? std::min(end, now + quiet) : end;
      pollfd p{fd_, POLLIN, 0};
      std::uint8_t buf[512];
      if (now >= end || poll(&p, 1, static_cast<int>((limit - now) * 1000) + 1) <= 0) return got;
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return got;
      got.insert(got.end(), buf, buf + n);
    }
  }
  // The answer to `frame`: `want` bytes and what follows within `quiet` s,
  // or what came within `timeout` s.
  std::vector<std::uint8_t> Exchange(const std::vector<std::uint8_t>& frame, std::size_t want,
                                     double timeout = 1.0, double quiet = 0.01) {
    Send(frame);
    return Read(want, timeout, quiet);
  }

 private:
  int fd_;
};

}  // namespace tavix::sim::test
