// The transactions on the serial port and the link state shared by the
// programs: frames are built and decoded by the protocol library.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QString>

#include "link/line_log.h"
#include "link/port.h"
#include "protocol/frame.h"
#include "protocol/params.h"

namespace tavix::link {

// Link state, with the names the protocol documents use.
struct LinkState {
  std::uint16_t com = 1;                    // port number
  std::int16_t ret = 0;                     // result of the last open
  QString szStatus;                         // message of a failed open
  std::uint16_t order = 1;                  // order code of the frame last built
  double transbeg = 0.0;                    // start of the last paced operation
  double waitdel = protocol::kSettleStart;  // settle delay that operation asked for
  double tstart = 0.0;                      // when the current request was written
  double tdiff = 0.0;                       // elapsed seconds in the current wait
  std::uint16_t nBytesW = 0;                // count returned by the last frame write
  std::uint16_t nBytesR = 0;                // count returned by the last answer read
  std::array<char, protocol::kVersionChars + 1> version{};  // last good version text
  // The frame is built at the start of szWriteBuf and keeps its bytes
  // between frames: bytes a builder does not write are the previous frame's.
  std::array<std::uint8_t, 1024> szWriteBuf{};
  std::array<std::uint8_t, 1024> szReadBuf{};
};

// How a program shows a failed transaction. The link calls it where the
// failure happens; each program decides how it looks ("TIMEOUT" in the
// status display and the box titled with the version text).
class FailureReporter {
 public:
  virtual ~FailureReporter() = default;
  // A write whose count was not 36, or an answer of the wrong size.
  virtual void ReportFailure() = 0;
  // The open port was lost (device unplugged, peer hung up). Called once per
  // loss, before the ReportFailure of the transaction that found it.
  virtual void ReportLinkLost(const QString& reason) = 0;
};

// Outcome of a request with answer.
enum class Answer { kOk, kFailed, kStopped };

// What a polling loop does besides asking (Link::Poll). Each may be empty.
struct PollSteps {
  std::function<void()> onRecord{};  // a record was taken (its guard passed) and decoded
  // Once per pass: pending events, which may clear the flag. They run as the
  // answer is in and before the next request goes out, so before that
  // answer's record is handed on (the first of a loop excepted).
  std::function<void()> afterPass{};
  std::function<void()> whileWaiting{};  // while an answer is on the line; must not touch the port
  // Asked before a pass's events and again before its next request goes
  // out: false takes the record first and sends the next request after the
  // events, as for a loop's first record (a loop that waits or ends after a
  // record). Empty: always.
  std::function<bool()> wantsNext{};
};

// Answers have no end mark: an answer is whole when the line stays quiet for
// a little over a byte time after its last expected byte. Bytes that follow
// within that guard are a surplus.
inline constexpr double kAnswerGuard = 1.1 * kByteSeconds;
// A line that is still sending (a surplus, a late answer) has fallen quiet
// when no byte came for this long (52 ms: a far end that stalls between
// bytes is not taken for a quiet one); only then is it flushed for a request.
inline constexpr double kQuietLine = 100 * kByteSeconds;

class Link {
 public:
  Link(Port& port, FailureReporter& reporter);

  LinkState st;

  Port& port() { return port_; }
  // Where settle waits are logged (the port logs the bytes); none by default.
  void SetLog(LineLog* log) { log_ = log; }

  // Opens port `com` with the fixed line settings (on `device` when one is
  // given, otherwise on the device the port number stands for); on success
  // sets the time-out, flushes both queues and switches the handshake off.
  // Returns the open result (stored in st.ret); on failure st.szStatus
  // holds the message for it.
  int Open(std::uint16_t com, const QString& device = QString());
  void Close();

  // The version request: order 7 without a flush before the write, wait for
  // 96 bytes or 2.0 s, read what is queued. True when exactly 96 bytes came;
  // st.version then holds the 48 characters (low byte of each word). On
  // false nothing is reported here: each program shows its own box.
  bool RequestVersion(const protocol::ParamBlock& block);

  // Builds the frame for `order` in st.szWriteBuf (row used by order 2).
  // Order 8 takes its payload from `factors`.
  void FillTxBuf(const protocol::ParamBlock& block, std::uint16_t order, std::uint16_t row,
                 const protocol::CalibFactors& factors = protocol::CalibFactors{});

  // Marks the start of a paced operation: transbeg = now, waitdel = delay.
  void StartPaced(double delay);
  // Waits until waitdel has passed since transbeg; sleeps, runs no events.
  void SettleWait();

  // Start of a write-only operation: sets order, flushes input then output.
  void BeginWriteOnly(std::uint16_t order);
  // One write-only frame (no flush): builds, writes 36 bytes, reports a
  // failure when the count is not 36. True when 36 bytes were written.
  // The operation reports once: after its first failure the later failures
  // are not reported again, and once the port is closed or lost the frames
  // are not written at all (false at once).
  bool SendFrame(const protocol::ParamBlock& block, std::uint16_t order, std::uint16_t row = 0,
                 const protocol::CalibFactors& factors = protocol::CalibFactors{});

  // End of a write-only operation: its frames are on the line only once the
  // line has carried them (a 33-frame transfer takes 0.62 s at 19200
  // baud). Waits that long, then reports (once) a port that is gone by
  // then: frames written into a buffer that never reached the far end are
  // no success. True when the operation reported nothing.
  bool EndWriteOnly();

  // Request with answer: sets order, waits for a line that is still sending
  // to fall quiet, flushes both queues, writes the frame, waits until
  // `expectedBytes` are queued or 2.0 s have passed, and takes the answer
  // only when the line then stays quiet (kAnswerGuard). With a stop flag, a
  // flag found 0 during the wait ends the request at once (kStopped:
  // nothing read, nothing reported). An answer of any other size, a
  // surplus, bytes still arriving after the previous answer was taken, or a
  // port that is not open are reported (kFailed). On kOk the answer is at
  // the start of st.szReadBuf. `whileWaiting` runs once the request is
  // written, while its answer is on the line (it must not touch the port).
  Answer Request(const protocol::ParamBlock& block, std::uint16_t order, int expectedBytes,
                 const std::uint16_t* stopFlag = nullptr,
                 const std::function<void()>& whileWaiting = nullptr);

  // The polling loop of every program: sets `flag` to 1 and asks for one
  // data record (order 5) after another while it stays 1. Once an answer's
  // last byte is in, the pending events run (steps.afterPass) and, with the
  // flag still 1, the next request goes out at once; the answer's guard
  // runs on meanwhile. Only an answer whose guard passed is decoded into
  // `record` and handed on (steps.onRecord, then steps.whileWaiting while
  // the next answer is on the line). A failed answer, reported once, clears
  // the flag; the answer of a request already on the line is then waited
  // out and dropped. A flag found 0 during an answer wait ends the loop at
  // once; the next transaction waits that answer out first.
  void Poll(const protocol::ParamBlock& block, std::uint16_t& flag, protocol::DataRecord& record,
            const PollSteps& steps);

  // Decoding: word i = byte 2i * 256 + byte 2i+1.
  void GetRxBufPara(protocol::ParamBlock& block, int words) const;  // 171, 16 or 3 words
  void GetRxBufData(protocol::DataRecord& record) const;

  QString VersionText() const;  // st.version as text

 private:
  enum class WaitEnd { kDone, kStopped, kLost };
  enum class Guard { kPassed, kFailed, kDropped };
  // Before a transaction: a data answer whose guard still runs is judged,
  // and the answer of a request left on the line is waited out.
  void SettleLine();
  // Flush, write the request frame for `order`.
  // False (reported) when the port is closed or lost, or stray bytes came.
  bool StartRequest(const protocol::ParamBlock& block, std::uint16_t order);
  // The next data request while the last answer's guard runs: no flush (a
  // surplus must stay visible). False when none went out.
  bool WriteFollowing(const protocol::ParamBlock& block);
  // Sleeps until a written frame has been handed on (kHandOverSeconds).
  void HandOver();
  // Waits out the guard started when the answer's last byte came. A byte
  // within it fails the answer (reported here, once); what the line still
  // carries is waited out and dropped, a request on the line included.
  Guard ConcludeGuard();
  // Waits until the answer of the request on the line has come and the line
  // has fallen quiet, and drops it.
  void WaitOutAnswer();
  // Reports a lost port (once per loss); true when the port was lost.
  bool TakeAndReportLoss();
  // Reports a failure unless this operation has reported one already.
  void ReportOnce();
  // Waits until no byte has come for `window` seconds, or until `deadline`;
  // the bytes queued then. False when the port was lost meanwhile.
  bool AwaitQuiet(double window, double deadline, int* queued);
  // Before a request: a line that is still sending is let fall quiet and
  // its bytes dropped. True when the bytes came after an answer that was
  // taken: they were its surplus.
  bool StrayAfterAnswer();
  // The answer wait: blocks on the port until `expectedBytes` are queued or
  // 2.0 s have passed since tstart (the request's write); `queued` is the last queue length seen.
  WaitEnd WaitForAnswer(int expectedBytes, const std::uint16_t* stopFlag, int* queued);
  // Reads the `queued` bytes (at most the buffer's size) into szReadBuf and
  // sets nBytesR; the count, or -1 when the queue held more than fits.
  int ReadQueued(int queued);
  // After the wait: takes the `queued` bytes as the answer when they are
  // exactly `expectedBytes` and no more follow within the guard (a surplus
  // is waited out and read). True when the answer was taken whole.
  bool TakeWholeAnswer(int expectedBytes, int queued);

  Port& port_;
  FailureReporter& reporter_;
  LineLog* log_ = nullptr;
  bool reported_ = false;         // this operation has reported its failure
  double writeStart_ = 0.0;       // when this write-only operation started
  int bytesWritten_ = 0;          // and what it has written since
  bool answerTaken_ = false;      // the last transaction was an answer taken whole
  bool guardRuns_ = false;        // a data answer is read, its guard not yet judged
  double guardEnd_ = 0.0;         // when that guard ends
  Guard guard_ = Guard::kPassed;  // the last guard's verdict
  bool onLine_ = false;           // a request is written whose answer is not read
  double requestAt_ = 0.0;        // when the last request was written
};

}  // namespace tavix::link
