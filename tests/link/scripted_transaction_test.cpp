// The Link's transactions on a scripted port with a clock run by hand: answer
// sizes and timing, leftovers, the stop flag, failed writes and a lost port,
// the version rules and the settle wait. No case sleeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/timer.h"
#include "link/link.h"
#include "scripted_port.h"
#include "test_support.h"

namespace tavix::link {
namespace {

constexpr double kTimedOut = -1.0;  // "took": just past the answer time-out

// One link on a scripted port, opened.
struct Rig {
  Rig() {
    link.Open(3);
    port.inputFlushes = 0;
  }
  // Clock seconds `fn` takes.
  template <class Fn>
  double Took(Fn&& fn) {
    const double t0 = clock.now;
    fn();
    return clock.now - t0;
  }

  ManualClock clock;
  ScriptedPort port{clock};
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
};

void ExpectTook(double took, double expected) {
  if (expected == kTimedOut) {
    EXPECT_GT(took, kTimeoutSeconds);
    EXPECT_LT(took, kTimeoutSeconds + 0.01);
  } else {
    EXPECT_NEAR(took, expected, 1e-9);
  }
}

Bytes Slice(const Bytes& bytes, int from, int to) {
  return Bytes(bytes.begin() + from, bytes.begin() + to);
}

// A version answer: `text` in the low byte of each word.
Bytes VersionAnswer(const std::string& text) {
  Bytes bytes;
  for (char c : text) bytes.insert(bytes.end(), {0xA5, static_cast<std::uint8_t>(c)});
  return bytes;
}

enum class Op { kSend, kRequest, kVersion };

// Runs `op` with the next reply of the script; true when it succeeded.
bool Perform(Rig& rig, Op op) {
  switch (op) {
    case Op::kSend:
      return rig.link.SendFrame(rig.block, kOrderWriteRam);
    case Op::kRequest:
      return rig.link.Request(rig.block, kOrderReadRam, kParaBytes) == Answer::kOk;
    case Op::kVersion:
      return rig.link.RequestVersion(rig.block);
  }
  return false;
}

TEST(ScriptedLink, ARequestSucceedsOnlyOnAnAnswerOfTheExpectedSize) {
  const Bytes answer = Pattern(kParaBytes, 3);
  struct Case {
    const char* name;
    Reply reply;
    int bytesRead;
    double took;
  };
  const Case cases[] = {
      // Whole once the line has stayed quiet for the guard after the last byte.
      {"whole", Reply().Send(0.05, answer), kParaBytes, 0.05 + kAnswerGuard},
      {"in pieces at the line's speed",
       Reply()
           .Send(0.02, Slice(answer, 0, 100))
           .Send(0.02 + 242 * kByteSeconds, Slice(answer, 100, kParaBytes)),
       kParaBytes, 0.02 + 242 * kByteSeconds + kAnswerGuard},
      {"silence", {}, 0, kTimedOut},
      {"short", Reply().Send(0.05, Slice(answer, 0, kParaBytes - 3)), kParaBytes - 3, kTimedOut},
      {"after the time-out", Reply().Send(2.2, answer), 0, kTimedOut},
      {"surplus", Reply().Send(0.05, Pattern(kParaBytes + 4, 3)), kParaBytes + 4, 0.05},
      // A surplus one byte time behind the answer is waited out, then read.
      {"surplus within the guard",
       Reply().Send(0.05, answer).Send(0.05 + kByteSeconds, Pattern(4, 8)), kParaBytes + 4,
       0.05 + kByteSeconds + kAnswerGuard + kQuietLine},
      // Only what the receive buffer holds is read.
      {"beyond the buffer", Reply().Send(0.05, Pattern(1500, 3)), 1024, 0.05},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.port.script.push_back(c.reply);
    rig.link.st.szReadBuf.fill(0x42);
    Answer result{};
    ExpectTook(rig.Took([&] { result = rig.link.Request(rig.block, kOrderReadRam, kParaBytes); }),
               c.took);
    const bool whole = c.bytesRead == kParaBytes;
    EXPECT_EQ(result, whole ? Answer::kOk : Answer::kFailed);
    EXPECT_EQ(rig.reporter.calls, whole ? "" : "F");
    EXPECT_EQ(rig.link.st.nBytesR, c.bytesRead);
    EXPECT_EQ(rig.port.reads, std::vector<int>{c.bytesRead});
    EXPECT_LE(rig.port.waits, 4) << "the wait blocks on the port instead of polling it";
    if (whole) {
      EXPECT_TRUE(std::equal(answer.begin(), answer.end(), rig.link.st.szReadBuf.begin()));
    }
    if (c.bytesRead == 0) {
      EXPECT_EQ(rig.link.st.szReadBuf[0], 0x42) << "data from no answer";
    }
  }
}

TEST(ScriptedLink, WhatARequestLeavesQueuedNeverReachesTheNext) {
  const Bytes first = Pattern(kParaBytes, 1);
  const Bytes second = Pattern(kParaBytes, 2);
  struct Case {
    const char* name;
    Reply reply;
    std::uint16_t stopFlag;
    int leftOver;  // queued once the clock has run on; -1: as the request framed its answer
  };
  const Case cases[] = {
      {"answer after the time-out", Reply().Send(2.2, first), 1, kParaBytes},
      {"answer to a stopped request", Reply().Send(0.02, first), 0, kParaBytes},
      {"surplus long after the answer", Reply().Send(0.02, first).Send(0.5, Pattern(4, 9)), 1, 4},
      {"beyond the buffer", Reply().Send(0.02, Pattern(1500, 1)), 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.port.script = {c.reply, Reply().Send(0.05, second)};
    // Whatever this request made of it; then the clock runs past every arrival.
    rig.link.Request(rig.block, kOrderReadRam, kParaBytes, &c.stopFlag);
    rig.port.SleepUntil(rig.clock.now + 3.0);
    if (c.leftOver >= 0) {
      ASSERT_EQ(rig.port.GetInQLen(), c.leftOver);
    }

    const std::size_t written = rig.port.writes.size();
    if (rig.link.Request(rig.block, kOrderReadRam, kParaBytes) != Answer::kOk) {
      // Bytes after an answer that was taken are its surplus: reported, the
      // line let fall quiet, and this request not sent; the next one works.
      EXPECT_EQ(rig.reporter.calls, "F");
      EXPECT_EQ(rig.port.writes.size(), written);
      ASSERT_EQ(rig.link.Request(rig.block, kOrderReadRam, kParaBytes), Answer::kOk);
    }
    EXPECT_TRUE(std::equal(second.begin(), second.end(), rig.link.st.szReadBuf.begin()));
  }
}

TEST(ScriptedLink, AStopFlagFoundZeroEndsTheWaitWithoutReadOrReport) {
  struct Case {
    const char* name;
    std::uint16_t flag;
    bool clearWhileWaiting;
    Answer result;
    double took;
  };
  const Case cases[] = {
      {"zero from the start", 0, false, Answer::kStopped, 0.0},
      {"cleared while waiting", 1, true, Answer::kStopped, 0.01},
      {"set throughout", 1, false, Answer::kOk, 0.05 + kAnswerGuard},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    // A few bytes wake the wait at 0.01 s, the rest of the answer comes at 0.05 s.
    const Bytes answer = Pattern(kDataBytes, 5);
    rig.port.script.push_back(
        Reply().Send(0.01, Slice(answer, 0, 4)).Send(0.05, Slice(answer, 4, kDataBytes)));
    std::uint16_t flag = c.flag;
    if (c.clearWhileWaiting) rig.port.onWait = [&flag] { flag = 0; };
    Answer result{};
    ExpectTook(
        rig.Took([&] { result = rig.link.Request(rig.block, kOrderReadData, kDataBytes, &flag); }),
        c.took);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(rig.port.reads.empty(), c.result == Answer::kStopped);
    EXPECT_EQ(rig.reporter.calls, "");
  }
}

TEST(ScriptedLink, FailedWritesAreReportedOnceAndALostPortOnceBeforeTheFailure) {
  const Bytes answer = Pattern(kParaBytes, 4);
  const Bytes version = VersionAnswer(std::string(kVersionChars, 'V'));
  struct Case {
    const char* name;
    Op op;
    Reply reply;
    bool ok;
    std::string calls;  // of the reporter: 'L' lost link, 'F' failure
    double took;
  };
  const Case cases[] = {
      {"frame, whole", Op::kSend, Reply().WriteReturns(kFrameBytes), true, "", 0.0},
      {"frame, short", Op::kSend, Reply().WriteReturns(20), false, "F", 0.0},
      {"frame, error", Op::kSend, Reply().WriteReturns(kUnknownIoError), false, "F", 0.0},
      {"frame, lost on write", Op::kSend, Reply().Hang(HangUp::kOnWrite), false, "LF", 0.0},
      // The far end does not answer a frame it did not get whole.
      {"request, short write", Op::kRequest, Reply().WriteReturns(20), false, "F", kTimedOut},
      {"request, lost on write", Op::kRequest, Reply().Hang(HangUp::kOnWrite), false, "LF", 0.0},
      {"request, lost while waiting", Op::kRequest,
       Reply().Send(0.05, Slice(answer, 0, kParaBytes - 1)).Hang(HangUp::kAt, 0.1), false, "LF",
       0.1},
      {"request, lost on read", Op::kRequest, Reply().Send(0.05, answer).Hang(HangUp::kOnRead),
       false, "LF", 0.05 + kAnswerGuard},
      // A failed version request is the program's to show; a loss is told.
      {"version, write error", Op::kVersion, Reply().WriteReturns(kUnknownIoError), false, "",
       kTimedOut},
      {"version, lost on write", Op::kVersion, Reply().Hang(HangUp::kOnWrite), false, "L", 0.0},
      {"version, lost while waiting", Op::kVersion, Reply().Hang(HangUp::kAt, 0.1), false, "L",
       0.1},
      {"version, lost on read", Op::kVersion, Reply().Send(0.05, version).Hang(HangUp::kOnRead),
       false, "L", 0.05 + kAnswerGuard},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.port.script.push_back(c.reply);
    bool ok = !c.ok;
    ExpectTook(rig.Took([&] { ok = Perform(rig, c.op); }), c.took);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(rig.reporter.calls, c.calls);
    ASSERT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(rig.port.writes[0].size(), static_cast<std::size_t>(kFrameBytes));
    if (c.op == Op::kSend) {
      EXPECT_EQ(rig.link.st.nBytesW,
                static_cast<std::uint16_t>(c.reply.writeResult.value_or(kUnknownIoError)));
    }
    if (c.reply.hangUp == HangUp::kNever) continue;

    ASSERT_EQ(rig.reporter.lost.size(), 1u);
    EXPECT_EQ(rig.reporter.lost[0], "the device /dev/scripted hung up");
    EXPECT_FALSE(rig.port.IsOpen());
    // On the closed port a request fails at once; the loss is not told again.
    ExpectTook(rig.Took([&] { ok = Perform(rig, Op::kRequest); }), 0.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(rig.reporter.calls, c.calls + "F");
  }
}

// Frames are on the line only once it has carried them: a port that hangs
// up while 33 written frames are still on their way fails the operation
// (once), though every write went through.
TEST(ScriptedLink, AWriteOnlyOperationEndsOnceTheLineHasCarriedItsFrames) {
  for (const bool hangUp : {false, true}) {
    SCOPED_TRACE(hangUp);
    Rig rig;
    if (hangUp) rig.port.script.push_back(Reply().Hang(HangUp::kAt, 0.3));
    rig.link.BeginWriteOnly(kOrderWriteRam);
    bool ok = true;
    const double took = rig.Took([&] {
      for (int frame = 0; frame < 33; ++frame) ok &= rig.link.SendFrame(rig.block, kOrderWriteRam);
      ok &= rig.link.EndWriteOnly();
    });
    EXPECT_NEAR(took, 33 * kFrameBytes * kByteSeconds, 1e-9);
    EXPECT_EQ(ok, !hangUp);
    EXPECT_EQ(rig.reporter.calls, hangUp ? "LF" : "");
  }
}

TEST(ScriptedLink, AVersionCountsOnlyWhenExactly96BytesCome) {
  const std::string before(kVersionChars, 'A');
  const std::string text = "TAVIX TEST SENSOR 48 CHARACTERS LONG, EXACTLY.  ";
  const Bytes answer = VersionAnswer(text);
  Bytes longer = answer;
  longer.push_back(0);
  struct Case {
    const char* name;
    Reply reply;
    bool ok;
  };
  const Case cases[] = {
      {"96 bytes", Reply().Send(0.05, answer), true},
      {"95 bytes", Reply().Send(0.05, Slice(answer, 0, kVersionBytes - 1)), false},
      {"97 bytes", Reply().Send(0.05, longer), false},
      {"silence", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.port.script = {Reply().Send(0.05, VersionAnswer(before)), c.reply};
    ASSERT_TRUE(rig.link.RequestVersion(rig.block));
    EXPECT_EQ(rig.link.RequestVersion(rig.block), c.ok);
    // A failed request keeps the last good text.
    EXPECT_EQ(rig.link.VersionText().toStdString(), c.ok ? text : before);
    EXPECT_EQ(rig.reporter.calls, "");
    EXPECT_EQ(rig.port.inputFlushes, 0) << "the version request does not flush";
  }
}

TEST(ScriptedLink, TheSettleWaitLastsUntilTheDelayHasPassedSinceTheStart) {
  Rig first;
  EXPECT_EQ(first.Took([&] { first.link.SettleWait(); }), 0.0)
      << "nothing to wait for before the first operation";

  struct Case {
    const char* name;
    double delay;
    double busy;  // clock seconds the operation took before the next one
    double took;  // clock seconds the settle wait then takes
  };
  const Case cases[] = {
      {"at once", kSettleSendPara, 0.0, kSettleSendPara},
      {"part of the delay passed", kSettleSendPara, 0.3, kSettleSendPara - 0.3},
      {"the delay passed", kSettleGetPara, 0.5, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.link.StartPaced(c.delay);
    const double start = rig.clock.now;
    EXPECT_EQ(rig.link.st.transbeg, start);
    EXPECT_EQ(rig.link.st.waitdel, c.delay);
    rig.port.SleepUntil(start + c.busy);
    ExpectTook(rig.Took([&] { rig.link.SettleWait(); }), c.took);
    EXPECT_NEAR(rig.link.st.tdiff, std::max(c.delay, c.busy), 1e-9);
    EXPECT_GE(rig.link.st.tdiff, c.delay);
  }
}

}  // namespace
}  // namespace tavix::link
