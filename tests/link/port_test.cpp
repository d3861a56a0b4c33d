// Opening the real serial port: which device a port number stands for and
// why an open fails. Uses pseudo-terminals this test opens itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link/link.h"
#include "link/serial_port.h"
#include "tests/link/test_support.h"

namespace tavix::link {
namespace {

// The master side of a pseudo-terminal; the slave path is what a port opens.
class Pty {
 public:
  Pty() {
    fd_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ >= 0 && grantpt(fd_) == 0 && unlockpt(fd_) == 0) path_ = ptsname(fd_);
  }
  ~Pty() {
    if (fd_ >= 0) close(fd_);
  }
  const std::string& path() const { return path_; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::string path_;
};

TEST(OpenPort, FailuresGiveTheirCodeStatusTextAndReason) {
  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);

  EXPECT_EQ(link.Open(0), kInvalidPortNumber);
  EXPECT_EQ(link.st.szStatus, "Invalid port number");

  qunsetenv("TAVIX_COM200");
  EXPECT_EQ(link.Open(200), kNoSerialPortFound);
  EXPECT_EQ(link.st.szStatus, "No serial port found");
  EXPECT_TRUE(port.OpenDetail().contains("TAVIX_COM200")) << port.OpenDetail().toStdString();

  qputenv("TAVIX_COM9", "/dev/tavix-no-such-device");
  EXPECT_EQ(link.Open(9), kCannotOpenPort);
  EXPECT_EQ(link.st.szStatus, "Cannot open port");
  EXPECT_EQ(link.st.ret, kCannotOpenPort);
  EXPECT_TRUE(port.OpenDetail().contains("/dev/tavix-no-such-device does not exist"))
      << port.OpenDetail().toStdString();
  EXPECT_FALSE(port.IsOpen());
  qunsetenv("TAVIX_COM9");
  EXPECT_EQ(reporter.failures, 0);
}

TEST(OpenPort, APortNumberOpensTheDeviceItsVariableNames) {
  Pty pty;
  ASSERT_FALSE(pty.path().empty());
  qputenv("TAVIX_COM5", pty.path().c_str());
  EXPECT_EQ(DeviceForPort(5), QString::fromStdString(pty.path()));

  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);
  EXPECT_EQ(link.Open(5), 0) << port.OpenDetail().toStdString();
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.DevicePath(), QString::fromStdString(pty.path()));
  EXPECT_EQ(link.st.com, 5);

  // A second port on the same device is refused as busy.
  SerialPort other;
  CountingReporter otherReporter;
  Link otherLink(other, otherReporter);
  EXPECT_EQ(otherLink.Open(5), kCannotOpenPort);
  EXPECT_EQ(otherLink.st.szStatus, "Cannot open port");
  EXPECT_TRUE(other.OpenDetail().contains("busy")) << other.OpenDetail().toStdString();

  link.Close();
  EXPECT_FALSE(port.IsOpen());
  qunsetenv("TAVIX_COM5");
}

TEST(OpenPort, ADeviceThisUserMayNotUseIsReportedAsPermissionDenied) {
  Pty pty;
  ASSERT_FALSE(pty.path().empty());
  // Readable and writable by owner and group only; the open runs in a child
  // process under another user, since root may open anything.
  ASSERT_EQ(chmod(pty.path().c_str(), geteuid() == 0 ? 0660 : 0000), 0);
  qputenv("TAVIX_COM6", pty.path().c_str());

  int pipefd[2];
  ASSERT_EQ(pipe(pipefd), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipefd[0]);
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(2);
    }
    SerialPort port;
    const int ret = port.OpenComConfig(6, QString(), kBaud, kParityNone, kDataBits, kStopBits,
                                       kQueueSize, kQueueSize);
    const QByteArray text = QByteArray::number(ret) + " " + port.OpenDetail().toUtf8();
    if (write(pipefd[1], text.constData(), static_cast<size_t>(text.size())) < 0) _exit(3);
    _exit(0);
  }
  close(pipefd[1]);
  std::string answer;
  char chunk[256];
  for (ssize_t n; (n = read(pipefd[0], chunk, sizeof chunk)) > 0;) answer.append(chunk, n);
  close(pipefd[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  EXPECT_EQ(answer.rfind("-7 permission denied on " + pty.path(), 0), 0u) << answer;
  qunsetenv("TAVIX_COM6");
}

TEST(OverPty, AnAnswerLargerThanTheReceiveBufferFailsWithoutOverflow) {
  Pty pty;
  ASSERT_FALSE(pty.path().empty());
  qputenv("TAVIX_COM4", pty.path().c_str());
  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);
  ASSERT_EQ(link.Open(4), 0) << port.OpenDetail().toStdString();

  // The far end takes the 36-byte request and answers with 1500 bytes.
  std::thread peer([&pty] {
    std::vector<char> frame;
    pollfd pfd{pty.fd(), POLLIN, 0};
    while (frame.size() < 36 && poll(&pfd, 1, 3000) > 0) {
      char chunk[64];
      const ssize_t n = read(pty.fd(), chunk, sizeof chunk);
      if (n <= 0) break;
      frame.insert(frame.end(), chunk, chunk + n);
    }
    const std::vector<char> flood(1500, static_cast<char>(0xAB));
    if (write(pty.fd(), flood.data(), flood.size()) < 0) return;
  });
  ParamBlock block;
  const Answer answer = link.Request(block, kOrderReadRam, kParaBytes);
  peer.join();
  EXPECT_EQ(answer, Answer::kFailed);
  EXPECT_GT(link.st.nBytesR, kParaBytes);
  EXPECT_LE(link.st.nBytesR, 1024);
  EXPECT_EQ(reporter.failures, 1);
  link.Close();
  qunsetenv("TAVIX_COM4");
}

}  // namespace
}  // namespace tavix::link
