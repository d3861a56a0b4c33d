// The Link's transactions on a scripted port with a clock run by hand: no
// case sleeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "test_support.h"

namespace tavix::link {
namespace {

using namespace protocol;

constexpr double kTimedOut = -1.0;           // "took": just past the answer time-out
constexpr double kTimedOutThenQuiet = -2.0;  // and then a quiet line

// One link on a scripted port, opened.
struct Rig {
  explicit Rig(std::deque<Reply> script = {}) {
    port.script = std::move(script);
    link.Open(3);
  }
  // Runs `fn` and checks the clock seconds it took.
  template <class Fn>
  void Takes(double expected, Fn&& fn) {
    const double t0 = port.now;
    fn();
    const double past = kTimeoutSeconds + 0.005 + (expected == kTimedOutThenQuiet ? kQuietLine : 0);
    const bool out = expected < 0;
    EXPECT_NEAR(port.now - t0, out ? past : expected, out ? 0.005 : 1e-9);
  }
  Answer Read() { return link.Request(block, kOrderReadRam, kParaBytes); }

  ScriptedPort port;
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
};

// A version answer: `text` in the low byte of each word.
Bytes VersionAnswer(const std::string& text) {
  Bytes bytes;
  for (char c : text) bytes.insert(bytes.end(), {0xA5, static_cast<std::uint8_t>(c)});
  return bytes;
}

TEST(ScriptedLink, ARequestSucceedsOnlyOnAnAnswerOfTheExpectedSize) {
  const Bytes answer = Pattern(kParaBytes, 3);
  const Bytes head(answer.begin(), answer.begin() + 100), tail(answer.begin() + 100, answer.end());
  const double rest = 0.02 + 242 * kByteSeconds;  // the tail at the line's speed
  const std::tuple<const char*, Reply, int, double> cases[] = {
      // bytes read, clock seconds
      // Whole once the line has stayed quiet for the guard after the last byte.
      {"whole", Reply().Send(0.05, answer), kParaBytes, 0.05 + kAnswerGuard},
      {"in pieces", Reply().Send(0.02, head).Send(rest, tail), kParaBytes, rest + kAnswerGuard},
      // A wrong answer is read once the line has fallen quiet. (Silence: the
      // answer after the time-out, which finds none within it.)
      {"short", Reply().Send(0.05, Pattern(kParaBytes - 3, 3)), kParaBytes - 3, kTimedOutThenQuiet},
      {"after the time-out", Reply().Send(2.2, answer), 0, kTimedOut},
      // A surplus with its tail still on the line: read once the line is quiet.
      {"surplus",
       Reply().Send(0.05, Pattern(kParaBytes + 4, 3)).Send(0.05 + kByteSeconds, Pattern(1, 7)),
       kParaBytes + 5, 0.05 + kByteSeconds + kQuietLine},
      // A surplus one byte time behind the answer is waited out, then read.
      {"surplus within the guard",
       Reply().Send(0.05, answer).Send(0.05 + kByteSeconds, Pattern(4, 8)), kParaBytes + 4,
       0.05 + kByteSeconds + kAnswerGuard + kQuietLine},
      // Only what the receive buffer holds is read.
      {"beyond the buffer", Reply().Send(0.05, Pattern(1500, 3)), 1024, 0.05 + kQuietLine},
  };
  for (const auto& [name, reply, bytesRead, took] : cases) {
    SCOPED_TRACE(name);
    Rig rig({reply});
    rig.link.st.szReadBuf.fill(0x42);
    Answer result{};
    rig.Takes(took, [&] { result = rig.Read(); });
    const bool whole = bytesRead == kParaBytes;
    EXPECT_EQ(result, whole ? Answer::kOk : Answer::kFailed);
    EXPECT_EQ(rig.reporter.calls, whole ? "" : "F");
    EXPECT_EQ(rig.port.reads, std::vector<int>{bytesRead});
    EXPECT_LE(rig.port.waits, 4) << "the wait blocks on the port instead of polling it";
    EXPECT_TRUE(!whole || std::equal(answer.begin(), answer.end(), rig.link.st.szReadBuf.begin()));
    EXPECT_TRUE(bytesRead > 0 || rig.link.st.szReadBuf[0] == 0x42) << "data from no answer";
    rig.port.SleepUntil(rig.port.now + 1.0);
    EXPECT_TRUE(bytesRead == 0 || rig.port.GetInQLen() == 0) << "a tail left for the next answer";
  }
}

TEST(ScriptedLink, WhatARequestLeavesQueuedNeverReachesTheNext) {
  const Bytes first = Pattern(kParaBytes, 1), second = Pattern(kParaBytes, 2);
  // What is queued once the clock has run on (-1: as the request framed its
  // answer); bytes after an answer taken whole. (The answer to a stopped
  // request: the transaction suite's, on a real line.)
  const std::tuple<const char*, Reply, int, bool> cases[] = {
      {"answer after the time-out", Reply().Send(2.2, first), kParaBytes, false},
      {"surplus long after the answer", Reply().Send(0.02, first).Send(0.5, Pattern(4, 9)), 4,
       true},
      {"beyond the buffer", Reply().Send(0.02, Pattern(1500, 1)), -1, false},
  };
  for (const auto& [name, reply, leftOver, surplus] : cases) {
    SCOPED_TRACE(name);
    Rig rig({reply, Reply().Send(0.05, second)});
    rig.Read();
    rig.port.SleepUntil(rig.port.now + 3.0);  // past every arrival
    EXPECT_TRUE(leftOver < 0 || rig.port.GetInQLen() == leftOver);
    rig.reporter.calls.clear();
    const std::size_t written = rig.port.writes.size();
    // A surplus is reported, the line let fall quiet and this request not
    // sent; the next one works.
    EXPECT_EQ(rig.Read(), surplus ? Answer::kFailed : Answer::kOk);
    EXPECT_EQ(rig.reporter.calls, surplus ? "F" : "");
    EXPECT_EQ(rig.port.writes.size(), written + (surplus ? 0 : 1));
    EXPECT_TRUE(!surplus || rig.Read() == Answer::kOk);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), rig.link.st.szReadBuf.begin()));
  }
}

// A flag zero from the start, or cleared while the first bytes of the
// answer wake the wait at 0.01 s (the rest comes at 0.05 s).
TEST(ScriptedLink, AStopFlagFoundZeroEndsTheWaitWithoutReadOrReport) {
  for (const auto& [start, took] : {std::pair{0, 0.0}, std::pair{1, 0.01}}) {
    SCOPED_TRACE(took);
    Rig rig({Reply().Send(0.01, Pattern(4, 5)).Send(0.05, Pattern(kDataBytes - 4, 6))});
    std::uint16_t flag = start;
    rig.port.onWait = [&flag] { flag = 0; };
    rig.Takes(took, [&] {
      EXPECT_EQ(rig.link.Request(rig.block, kOrderReadData, kDataBytes, &flag), Answer::kStopped);
    });
    EXPECT_TRUE(rig.port.reads.empty());
    EXPECT_EQ(rig.reporter.calls, "");
  }
}

TEST(ScriptedLink, FailedWritesAreReportedOnceAndALostPortOnceBeforeTheFailure) {
  const Bytes answer = Pattern(kParaBytes, 4);
  enum class Op { kSend, kRequest, kVersion };
  const std::tuple<const char*, Op, Reply, std::string, double> cases[] = {
      // reports, seconds
      {"frame, short", Op::kSend, Reply{.writeResult = 20}, "F", 0.0},
      {"frame, lost on write", Op::kSend, Reply{.hangUp = HangUp::kOnWrite}, "LF", 0.0},
      // The far end does not answer a frame it did not get whole.
      {"request, short write", Op::kRequest, Reply{.writeResult = 20}, "F", kTimedOut},
      {"request, lost on write", Op::kRequest, Reply{.hangUp = HangUp::kOnWrite}, "LF", 0.0},
      {"request, lost while waiting", Op::kRequest,
       Reply().Send(0.05, Pattern(kParaBytes - 1, 4)).HangUpAt(0.1), "LF", 0.1},
      {"request, lost on read", Op::kRequest,
       Reply{.pieces = {{0.05, answer}}, .hangUp = HangUp::kOnRead}, "LF", 0.05 + kAnswerGuard},
      // A failed version request is the program's to show; a loss is told.
      {"version, write error", Op::kVersion, Reply{.writeResult = kUnknownIoError}, "", kTimedOut},
      {"version, lost on write", Op::kVersion, Reply{.hangUp = HangUp::kOnWrite}, "L", 0.0},
      {"version, lost while waiting", Op::kVersion, Reply().HangUpAt(0.1), "L", 0.1},
      {"version, lost on read", Op::kVersion,
       Reply{.pieces = {{0.05, Pattern(kVersionBytes, 4)}}, .hangUp = HangUp::kOnRead}, "L",
       0.05 + kAnswerGuard},
  };
  for (const auto& [name, op, reply, calls, took] : cases) {
    SCOPED_TRACE(name);
    Rig rig({reply});
    const auto perform = [&rig](Op what) {
      if (what == Op::kSend) return rig.link.SendFrame(rig.block, kOrderWriteRam);
      if (what == Op::kVersion) return rig.link.RequestVersion(rig.block);
      return rig.Read() == Answer::kOk;
    };
    rig.Takes(took, [&] { EXPECT_FALSE(perform(op)); });
    EXPECT_EQ(rig.reporter.calls, calls);
    ASSERT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(rig.port.writes[0].size(), 36u);
    if (calls.find('L') == std::string::npos) continue;
    EXPECT_EQ(rig.reporter.lost, std::vector<QString>{"the device /dev/scripted hung up"});
    EXPECT_FALSE(rig.port.IsOpen());
    // On the closed port a request fails at once; the loss is not told again.
    rig.Takes(0.0, [&] { EXPECT_FALSE(perform(Op::kRequest)); });
    EXPECT_EQ(rig.reporter.calls, calls + "F");
  }
}

// A port that hangs up while 33 written frames are still on their way fails
// the write-only operation, though every write went through; the operation
// reports once, however many of its writes fail.
TEST(ScriptedLink, AWriteOnlyOperationEndsOnceTheLineHasCarriedItsFrames) {
  // Reports, bytes each write carries.
  const std::tuple<Reply, std::string, int> cases[] = {{Reply(), "", kFrameBytes},
                                                       {Reply().HangUpAt(0.3), "LF", kFrameBytes},
                                                       {Reply{.writeResult = 20}, "F", 20}};
  for (const auto& [reply, calls, carried] : cases) {
    SCOPED_TRACE(calls);
    Rig rig(std::deque<Reply>(33, reply));
    rig.link.BeginWriteOnly(kOrderWriteRam);
    bool ok = true;
    rig.Takes(33 * carried * kByteSeconds, [&] {
      for (int frame = 0; frame < 33; ++frame) ok &= rig.link.SendFrame(rig.block, kOrderWriteRam);
      ok &= rig.link.EndWriteOnly();
    });
    EXPECT_EQ(ok, calls.empty());
    EXPECT_EQ(rig.reporter.calls, calls);
  }
}

TEST(ScriptedLink, AVersionCountsOnlyWhenExactly96BytesComeAndAFailureKeepsTheLastText) {
  const std::string before(kVersionChars, 'A');
  const std::string text = "TAVIX TEST SENSOR 48 CHARACTERS LONG, EXACTLY.  ";
  const Bytes answer = VersionAnswer(text);
  const std::tuple<const char*, Reply, bool> cases[] = {
      {"whole", Reply().Send(0.05, answer), true},
      {"short", Reply().Send(0.05, Bytes(answer.begin(), answer.end() - 1)), false},
      {"surplus", Reply().Send(0.05, answer).Send(0.05, Bytes{0}), false},
  };
  for (const auto& [name, reply, ok] : cases) {
    SCOPED_TRACE(name);
    Rig rig({Reply().Send(0.05, VersionAnswer(before)), reply});
    ASSERT_TRUE(rig.link.RequestVersion(rig.block));
    rig.port.inputFlushes = 0;
    EXPECT_EQ(rig.link.RequestVersion(rig.block), ok);
    EXPECT_EQ(rig.link.VersionText().toStdString(), ok ? text : before);
    EXPECT_EQ(rig.reporter.calls, "");
    EXPECT_EQ(rig.port.inputFlushes, 0) << "the version request does not flush";
  }
}

TEST(ScriptedLink, TheSettleWaitLastsUntilTheDelayHasPassedSinceTheStart) {
  Rig first;
  first.Takes(0.0, [&] { first.link.SettleWait(); });  // nothing to wait for yet
  // The delay, the seconds the operation took, the seconds the settle wait then takes.
  const std::tuple<double, double, double> cases[] = {{kSettleSendPara, 0.0, kSettleSendPara},
                                                      {kSettleSendPara, 0.3, kSettleSendPara - 0.3},
                                                      {kSettleGetPara, 0.5, 0.0}};
  for (const auto& [delay, busy, took] : cases) {
    SCOPED_TRACE(busy);
    Rig rig;
    rig.link.StartPaced(delay);
    rig.port.SleepUntil(rig.port.now + busy);
    rig.Takes(took, [&] { rig.link.SettleWait(); });
    EXPECT_NEAR(rig.link.st.tdiff, std::max(delay, busy), 1e-9);
  }
}

// The polling loop. The first record is handed on before the events run;
// after that each pass's events run once its answer is in, then the next
// request goes out, and only then, the guard passed, is the record handed
// on. A flag cleared by the events sends no further request. (A byte within
// a guard while the next request is on the line: the live e2e's surplus,
// garbage and stray bytes, reported once, nothing misframed shown, the next
// cycle in step.)
TEST(ScriptedLink, PollWritesTheNextRequestWhileTheGuardRunsAndStopsWhenTheEventsSaySo) {
  constexpr double kAnswerAt = 0.0354;  // 68 bytes after the write
  std::deque<Reply> script;
  for (std::uint8_t seed = 1; seed <= 5; ++seed)
    script.push_back(Reply().Send(kAnswerAt, Pattern(kDataBytes, seed)));
  Rig rig(script);
  std::string log;  // E: events, R: a record handed on; each with the requests written by then
  std::vector<int> words;
  std::uint16_t flag = 0;
  DataRecord record;
  const auto step = [&](char what) {
    log += what + std::to_string(rig.port.writes.size());
    if (what == 'R') words.push_back(record.databuf[0]);
    if (what == 'E' && rig.port.writes.size() == 4) flag = 0;  // the events end the loop
  };
  rig.link.Poll(rig.block, flag, record,
                {.onRecord = [&] { step('R'); }, .afterPass = [&] { step('E'); }});
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(log, "R1E1E2R3E3R4E4R4");
  EXPECT_EQ(words, (std::vector<int>{0x0108, 0x0209, 0x030A, 0x040B}));  // patterns 1 to 4
  EXPECT_EQ(rig.reporter.calls, "");
}

}  // namespace
}  // namespace tavix::link
