// The program tavix-sensor-sim as a child process.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "port.h"

extern char** environ;

namespace tavix::sim {
namespace {

using test::Frame;
using test::Port;
using test::Seconds;
using test::Words;

// The program with pipes on its standard input and output.
struct Child {
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
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input = in[1];
    output = out[0];
  }
  ~Child() {
    CloseInput();
    close(output);
    if (pid > 0 && Wait(0.0) == -1) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  void Say(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(write(input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseInput() {
    if (input >= 0) close(input);
    input = -1;
  }
  // One line of output, or "" after `timeout` seconds.
  std::string Line(double timeout = 2.0) {
    const double end = Seconds() + timeout;
    std::size_t nl;
    while ((nl = buffer.find('\n')) == std::string::npos) {
      pollfd p{output, POLLIN, 0};
      char chunk[1024];
      const double left = end - Seconds();
      ssize_t n = 0;
      if (left <= 0 || poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0 ||
          (n = read(output, chunk, sizeof chunk)) <= 0) {
        return "";
      }
      buffer.append(chunk, static_cast<std::size_t>(n));
    }
    const std::string line = buffer.substr(0, nl);
    buffer.erase(0, nl + 1);
    return line;
  }
  // The exit code once the program has ended within `timeout` s, else -1.
  int Wait(double timeout) {
    for (const double end = Seconds() + timeout; code < 0; test::SleepUntil(Seconds() + 0.01)) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (Seconds() >= end) {
        return -1;
      }
    }
    return code;
  }

  pid_t pid = -1;
  int input = -1, output = -1, code = -1;
  std::string buffer;
};

std::string TempPath(const char* name) {
  return ::testing::TempDir() + name + std::to_string(getpid());
}

TEST(SensorSimProgram, ServesItsDeviceAndTakesCommands) {
  Child sim({"--version", "SIM 7"});
  const std::string dev = sim.Line();
  ASSERT_EQ(dev.rfind("/dev/pts/", 0), 0u) << dev;
  Port port(dev);
  const auto version = port.Exchange(Frame(7), 96);
  ASSERT_EQ(version.size(), 96u);
  EXPECT_EQ(version[1], 'S');
  EXPECT_EQ(version[9], '7');

  sim.Say("target 1 2 3");
  EXPECT_EQ(sim.Line().rfind("ok target", 0), 0u);
  EXPECT_EQ(Words(port.Exchange(Frame(5), 32))[7], 500);  // raw 20 degree at power 500
  sim.Say("fault short");
  EXPECT_EQ(sim.Line(), "ok fault short once");
  EXPECT_EQ(port.Exchange(Frame(5), 32, 0.3).size(), 29u);

  sim.CloseInput();  // end of input ends the program
  EXPECT_EQ(sim.Wait(3.0), 0);
}

TEST(SensorSimProgram, DaemonRunsUntilSigtermAndRemovesItsLink) {
  const std::string link = TempPath("tavix-sim-link-");
  Child sim({"--daemon", "--no-pacing", "--link", link});
  const std::string dev = sim.Line();
  ASSERT_FALSE(dev.empty());
  sim.CloseInput();
  EXPECT_EQ(sim.Wait(0.2), -1);  // still running without input
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), dev);
  Port port(link);
  EXPECT_EQ(port.Exchange(Frame(9), 6).size(), 6u);
  kill(sim.pid, SIGTERM);
  EXPECT_EQ(sim.Wait(3.0), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SensorSimProgram, EepromFileSurvivesARestart) {
  const std::string file = TempPath("tavix-sim-eeprom-");
  std::filesystem::remove(file);
  {
    Child sim({"--no-pacing", "--eeprom", file});
    Port port(sim.Line());
    port.Send(Frame(1, {777}));
    port.Send(Frame(6));
    port.Send(Frame(8, {800, 900, 1200}));
    port.Send(Frame(10, {777, 0, 0, 0, 0, 0, 0, 0, 0, 75, 751, 3750}));
    port.Read(1, 0.1);
    sim.Say("quit");
    EXPECT_EQ(sim.Line(), "ok quit");
    EXPECT_EQ(sim.Wait(3.0), 0);
  }
  Child sim({"--no-pacing", "--eeprom", file});
  Port port(sim.Line());
  EXPECT_EQ(Words(port.Exchange(Frame(4), 342))[0], 777);
  EXPECT_EQ(Words(port.Exchange(Frame(3), 342))[0], 777);  // RAM starts as the EEPROM
  EXPECT_EQ(Words(port.Exchange(Frame(9), 6)), (std::vector<std::uint16_t>{800, 900, 1200}));
  const auto gloss = Words(port.Exchange(Frame(11), 32));  // the gloss words of order 10
  EXPECT_EQ(std::vector<std::uint16_t>(gloss.begin() + 9, gloss.begin() + 12),
            (std::vector<std::uint16_t>{75, 751, 3750}));
  kill(sim.pid, SIGINT);
  EXPECT_EQ(sim.Wait(3.0), 0);
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tavix::sim
