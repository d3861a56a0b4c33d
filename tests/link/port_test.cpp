// Opening the real serial port: which device a port number stands for and
// why an open fails. Uses pseudo-terminals this test opens itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "link/link.h"
#include "link/serial_port.h"
#include "test_support.h"

namespace tavix::link {
namespace {

// The master side of a pseudo-terminal; the slave path is what a port opens.
struct Pty {
  Pty() : fd(posix_openpt(O_RDWR | O_NOCTTY)) {
    if (fd >= 0 && grantpt(fd) == 0 && unlockpt(fd) == 0) path = ptsname(fd);
  }
  ~Pty() {
    if (fd >= 0) close(fd);
  }
  int fd;
  std::string path;
};

class OpenPort : public ::testing::Test {
 protected:
  void TearDown() override {
    link.Close();
    for (const char* var : {"TAVIX_COM5", "TAVIX_COM6", "TAVIX_COM9"}) qunsetenv(var);
  }
  std::string Detail() const { return port.OpenDetail().toStdString(); }

  SerialPort port;
  CountingReporter reporter;
  Link link{port, reporter};
};

TEST_F(OpenPort, FailuresGiveTheirCodeStatusTextAndReason) {
  EXPECT_EQ(link.Open(0), kInvalidPortNumber);
  EXPECT_EQ(link.st.szStatus, "Invalid port number");

  qunsetenv("TAVIX_COM200");
  EXPECT_EQ(link.Open(200), kNoSerialPortFound);
  EXPECT_NE(Detail().find("TAVIX_COM200"), std::string::npos) << Detail();

  qputenv("TAVIX_COM9", "/dev/tavix-no-such-device");
  EXPECT_EQ(link.Open(9), kCannotOpenPort);
  EXPECT_EQ(link.st.szStatus, "Cannot open port");
  EXPECT_NE(Detail().find("/dev/tavix-no-such-device does not exist"), std::string::npos);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(OpenPort, APortNumberOpensItsDeviceAndASecondOpenFindsItBusy) {
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  qputenv("TAVIX_COM5", pty.path.c_str());
  EXPECT_EQ(link.Open(5), 0) << Detail();
  EXPECT_EQ(port.DevicePath().toStdString(), pty.path);

  SerialPort other;
  Link otherLink(other, reporter);
  EXPECT_EQ(otherLink.Open(5), kCannotOpenPort);
  EXPECT_TRUE(other.OpenDetail().contains("busy")) << other.OpenDetail().toStdString();
}

TEST_F(OpenPort, ADeviceThisUserMayNotUseIsReportedAsPermissionDenied) {
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  // Owner and group only; the open runs in a child process under another
  // user, since root may open anything.
  ASSERT_EQ(chmod(pty.path.c_str(), geteuid() == 0 ? 0660 : 0000), 0);
  qputenv("TAVIX_COM6", pty.path.c_str());
  int pipefd[2];
  ASSERT_EQ(pipe(pipefd), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(2);
    }
    SerialPort denied;
    const int ret = denied.OpenComConfig(6, QString(), kBaud, kParityNone, kDataBits, kStopBits,
                                         kQueueSize, kQueueSize);
    const QByteArray text = QByteArray::number(ret) + " " + denied.OpenDetail().toUtf8();
    _exit(write(pipefd[1], text.constData(), static_cast<size_t>(text.size())) < 0 ? 3 : 0);
  }
  close(pipefd[1]);
  std::string answer;
  char chunk[256];
  for (ssize_t n; (n = read(pipefd[0], chunk, sizeof chunk)) > 0;) answer.append(chunk, n);
  close(pipefd[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  EXPECT_EQ(answer.rfind("-7 permission denied on " + pty.path, 0), 0u) << answer;
}

}  // namespace
}  // namespace tavix::link
