// The program tavix-sensor-sim as a child process.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "tests/sim/port.h"

extern char** environ;

namespace tavix::sim {
namespace {

using test::Frame;
using test::Port;
using test::Seconds;
using test::Words;

// The program with pipes on its standard input and output.
class Child {
 public:
  explicit Child(std::vector<std::string> args) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    args.insert(args.begin(), TAVIX_SIM_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~Child() {
    CloseInput();
    if (out_ >= 0) close(out_);
    if (pid_ > 0 && Wait(0.0) == -1) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  void Say(const std::string& line) {
    std::string text = line + "\n";
    ASSERT_EQ(write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
  }

  // One line of output, or "" after `timeout` seconds.
  std::string Line(double timeout = 2.0) {
    const double end = Seconds() + timeout;
    for (;;) {
      std::size_t nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
      }
      pollfd p{out_, POLLIN, 0};
      double left = end - Seconds();
      if (left <= 0 || poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) return "";
      char buf[1024];
      ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) return "";
      buffer_.append(buf, static_cast<std::size_t>(n));
    }
  }

  // The exit code once the program has ended within `timeout` s, else -1.
  int Wait(double timeout) {
    if (exited_) return code_;
    const double end = Seconds() + timeout;
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return code_;
      }
      if (Seconds() >= end) return -1;
      test::SleepUntil(Seconds() + 0.01);
    }
  }

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
  bool exited_ = false;
  int code_ = -1;
};

TEST(SensorSimProgram, ServesItsDeviceAndTakesCommands) {
  Child sim({"--version", "SIM 7"});
  const std::string dev = sim.Line();
  ASSERT_EQ(dev.rfind("/dev/pts/", 0), 0u) << dev;
  Port port(dev);
  auto version = port.Exchange(Frame(7), 96);
  ASSERT_EQ(version.size(), 96u);
  EXPECT_EQ(version[1], 'S');
  EXPECT_EQ(version[9], '7');

  sim.Say("counters");
  EXPECT_EQ(sim.Line().rfind("frames 1 rejected 0 early 0 answers 1", 0), 0u);
  sim.Say("no such thing");
  EXPECT_EQ(sim.Line().rfind("error:", 0), 0u);
  sim.Say("target 1 2 3 x");
  EXPECT_EQ(sim.Line().rfind("error:", 0), 0u);
  sim.Say("target 1 2 3");
  EXPECT_EQ(sim.Line().rfind("ok target", 0), 0u);
  EXPECT_EQ(Words(port.Exchange(Frame(5), 32))[7], 500);  // raw 20 degree at power 500
  sim.Say("fault short");
  EXPECT_EQ(sim.Line(), "ok fault short once");
  EXPECT_EQ(port.Exchange(Frame(5), 32, 0.3).size(), 29u);
  sim.Say("log 2");
  EXPECT_NE(sim.Line().find("rx order 5"), std::string::npos);
  EXPECT_NE(sim.Line().find("tx answer (29 bytes)"), std::string::npos);
  sim.Say("ram");
  EXPECT_EQ(sim.Line().rfind("ram: 500 0 128 ", 0), 0u);

  sim.CloseInput();  // end of input ends the program
  EXPECT_EQ(sim.Wait(3.0), 0);
}

TEST(SensorSimProgram, DaemonRunsUntilSigtermAndRemovesItsLink) {
  const std::string link = ::testing::TempDir() + "tavix-sim-link-" + std::to_string(getpid());
  Child sim({"--daemon", "--no-pacing", "--link", link});
  const std::string dev = sim.Line();
  ASSERT_FALSE(dev.empty());
  sim.CloseInput();
  EXPECT_EQ(sim.Wait(0.2), -1);  // still running without input
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), dev);
  Port port(link);
  EXPECT_EQ(port.Exchange(Frame(9), 6).size(), 6u);
  kill(sim.pid(), SIGTERM);
  EXPECT_EQ(sim.Wait(3.0), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SensorSimProgram, EepromFileSurvivesARestart) {
  const std::string file = ::testing::TempDir() + "tavix-sim-eeprom-" + std::to_string(getpid());
  std::filesystem::remove(file);
  {
    Child sim({"--no-pacing", "--eeprom", file});
    Port port(sim.Line());
    port.Send(Frame(1, {777}));
    port.Send(Frame(6));
    port.Read(1, 0.1);
    sim.Say("quit");
    EXPECT_EQ(sim.Line(), "ok quit");
    EXPECT_EQ(sim.Wait(3.0), 0);
  }
  Child sim({"--no-pacing", "--eeprom", file});
  Port port(sim.Line());
  EXPECT_EQ(Words(port.Exchange(Frame(4), 342))[0], 777);
  kill(sim.pid(), SIGINT);
  EXPECT_EQ(sim.Wait(3.0), 0);
  std::filesystem::remove(file);
}

TEST(SensorSimProgram, RefusesBadOptions) {
  for (const char* bad : {"--bogus", "--target", "--target=white"}) {
    Child sim({bad});
    EXPECT_EQ(sim.Wait(3.0), 2) << bad;
  }
  Child sim({"--target", "purple"});
  EXPECT_EQ(sim.Wait(3.0), 2);
}

}  // namespace
}  // namespace tavix::sim
