#include "link/link.h"

#include <algorithm>
#include <cstring>

#include "base/timer.h"

namespace tavix::link {

namespace {

// Smallest slice an answer wait blocks for, so that a wait close to its
// deadline still sleeps instead of polling.
constexpr double kMinWaitSlice = 0.001;

// Time a written request is given to leave before the program works on.
constexpr double kHandOverSeconds = 0.0003;

}  // namespace

Link::Link(Port& port, FailureReporter& reporter) : port_(port), reporter_(reporter) {}

int Link::Open(std::uint16_t com, const QString& device) {
  st.com = com;
  const int ret = port_.OpenComConfig(com, device, kBaud, kParityNone, kDataBits, kStopBits,
                                      kQueueSize, kQueueSize);
  st.ret = static_cast<std::int16_t>(ret);
  if (ret < 0) {
    st.szStatus = OpenErrorMessage(ret);
    return ret;
  }
  port_.SetComTime(kTimeoutSeconds);
  port_.FlushInQ();
  port_.FlushOutQ();
  port_.SetCTSMode(0);
  return ret;
}

void Link::Close() {
  // An answer still being judged or awaited is dropped with the port.
  if (guardRuns_) guard_ = Guard::kDropped;
  guardRuns_ = false;
  onLine_ = false;
  port_.CloseCom();
}

void Link::FillTxBuf(const protocol::ParamBlock& block, std::uint16_t order, std::uint16_t row,
                     const protocol::CalibFactors& factors) {
  protocol::BuildFrame(st.szWriteBuf.data(), block, order, row, factors);
}

void Link::StartPaced(double delay) {
  st.transbeg = port_.Now();
  st.waitdel = delay;
}

void Link::SettleWait() {
  st.tdiff = 0.0;
  if (log_ != nullptr && log_->Active()) {
    const double left = st.transbeg + st.waitdel - port_.Now();
    if (left > 0.0) {
      log_->Note(QStringLiteral("settle wait %1 s of %2 s").arg(left, 0, 'f', 3).arg(st.waitdel));
    }
  }
  for (;;) {
    st.tdiff = port_.Now() - st.transbeg;
    if (!(st.waitdel > st.tdiff)) break;
    port_.SleepUntil(st.transbeg + st.waitdel);
  }
}

void Link::BeginWriteOnly(std::uint16_t order) {
  SettleLine();
  st.order = order;
  reported_ = false;
  answerTaken_ = false;
  port_.FlushInQ();
  port_.FlushOutQ();
  writeStart_ = port_.Now();
  bytesWritten_ = 0;
}

bool Link::EndWriteOnly() {
  port_.SleepUntil(writeStart_ + bytesWritten_ * kByteSeconds);
  port_.GetInQLen();  // a port that hung up shows it here
  if (TakeAndReportLoss() || !port_.IsOpen()) ReportOnce();
  return !reported_;
}

bool Link::SendFrame(const protocol::ParamBlock& block, std::uint16_t order, std::uint16_t row,
                     const protocol::CalibFactors& factors) {
  st.order = order;
  // The rest of an operation whose port has gone is skipped: one report says so.
  if (reported_ && !port_.IsOpen()) return false;
  FillTxBuf(block, order, row, factors);
  const int written =
      port_.ComWrt(reinterpret_cast<const char*>(st.szWriteBuf.data()), protocol::kFrameBytes);
  st.nBytesW = static_cast<std::uint16_t>(written);
  if (written > 0) bytesWritten_ += written;
  TakeAndReportLoss();
  if (written != protocol::kFrameBytes) {
    ReportOnce();
    return false;
  }
  return true;
}

bool Link::TakeAndReportLoss() {
  const QString reason = port_.TakeLostReason();
  if (reason.isEmpty()) return false;
  reporter_.ReportLinkLost(reason);
  return true;
}

void Link::ReportOnce() {
  if (reported_) return;
  reported_ = true;
  reporter_.ReportFailure();
}

Link::WaitEnd Link::WaitForAnswer(int expectedBytes, const std::uint16_t* stopFlag, int* queued) {
  st.tstart = requestAt_;
  for (;;) {
    const int n = port_.GetInQLen();
    *queued = n;
    if (TakeAndReportLoss()) return WaitEnd::kLost;
    if (stopFlag != nullptr && *stopFlag == 0) return WaitEnd::kStopped;
    st.tdiff = port_.Now() - st.tstart;
    if (st.tdiff > kTimeoutSeconds || n >= expectedBytes) return WaitEnd::kDone;
    const double deadline = st.tstart + kTimeoutSeconds;
    if (n > 0) {
      // The missing bytes cannot come faster than the line carries them:
      // sleep through all but the last of them instead of waking for each.
      port_.SleepUntil(std::min(port_.Now() + (expectedBytes - n - 1) * kByteSeconds, deadline));
    }
    port_.WaitInQ(std::max(deadline - port_.Now(), kMinWaitSlice));
    if (TakeAndReportLoss()) return WaitEnd::kLost;
  }
}

bool Link::AwaitQuiet(double window, double deadline, int* queued) {
  for (;;) {
    const int before = port_.GetInQLen();
    if (TakeAndReportLoss()) return false;
    const double now = port_.Now();
    if (now >= deadline) {
      *queued = before;
      return true;
    }
    port_.WaitInQ(std::min(window, deadline - now));
    if (TakeAndReportLoss()) return false;
    const int after = port_.GetInQLen();
    if (after == before) {
      *queued = after;
      return true;
    }
  }
}

bool Link::StrayAfterAnswer() {
  const bool afterAnswer = answerTaken_;
  answerTaken_ = false;
  if (port_.GetInQLen() == 0) return false;
  int queued = 0;
  AwaitQuiet(kQuietLine, port_.Now() + kTimeoutSeconds, &queued);
  port_.FlushInQ();
  return afterAnswer;
}

int Link::ReadQueued(int queued) {
  // Never more than the receive buffer holds; a larger count is a wrong
  // answer anyway, and the rest is dropped.
  const int count = std::clamp(queued, 0, static_cast<int>(st.szReadBuf.size()));
  const int got = port_.ComRd(reinterpret_cast<char*>(st.szReadBuf.data()), count);
  st.nBytesR = static_cast<std::uint16_t>(got);
  // A queue beyond the buffer never counts as an answer of the right size.
  return queued > count ? -1 : got;
}

bool Link::TakeWholeAnswer(int expectedBytes, int queued) {
  // Bytes that follow the last expected one within the guard make it a
  // surplus.
  if (queued == expectedBytes) AwaitQuiet(kAnswerGuard, st.tstart + kTimeoutSeconds, &queued);
  // A wrong answer is read once the line has fallen quiet, and what the
  // buffer could not take is dropped: no tail of it may be left to become
  // the head of the next answer.
  const bool wrong = queued != expectedBytes;
  if (wrong && queued > 0) AwaitQuiet(kQuietLine, port_.Now() + kTimeoutSeconds, &queued);
  const int got = ReadQueued(queued);
  if (queued > static_cast<int>(st.szReadBuf.size())) port_.FlushInQ();
  if (TakeAndReportLoss()) return false;
  return !wrong && got == expectedBytes && st.nBytesR == expectedBytes;
}

void Link::SettleLine() {
  if (guardRuns_) ConcludeGuard();
  if (onLine_ && port_.IsOpen()) WaitOutAnswer();
  onLine_ = false;
}

bool Link::StartRequest(const protocol::ParamBlock& block, std::uint16_t order) {
  // A port that is closed or was lost answers nothing: no 2 s wait for it.
  const bool stray = port_.IsOpen() && StrayAfterAnswer();
  if (!port_.IsOpen() || stray) {
    st.nBytesR = 0;
    ReportOnce();
    return false;
  }
  port_.FlushInQ();
  port_.FlushOutQ();
  FillTxBuf(block, order, 0);
  port_.ComWrt(reinterpret_cast<const char*>(st.szWriteBuf.data()), protocol::kFrameBytes);
  requestAt_ = port_.Now();
  if (TakeAndReportLoss()) {
    st.nBytesR = 0;
    ReportOnce();
    return false;
  }
  onLine_ = true;
  return true;
}

void Link::HandOver() {
  // The system hands a written frame on only after the write has returned;
  // work started at once on this core can hold it back by a millisecond.
  port_.SleepUntil(requestAt_ + kHandOverSeconds);
}

Answer Link::Request(const protocol::ParamBlock& block, std::uint16_t order, int expectedBytes,
                     const std::uint16_t* stopFlag, const std::function<void()>& whileWaiting) {
  SettleLine();
  st.order = order;
  reported_ = false;
  if (!StartRequest(block, order)) return Answer::kFailed;
  if (whileWaiting) {
    HandOver();
    whileWaiting();
  }
  int queued = 0;
  switch (WaitForAnswer(expectedBytes, stopFlag, &queued)) {
    case WaitEnd::kStopped:
      return Answer::kStopped;
    case WaitEnd::kLost:
      onLine_ = false;
      st.nBytesR = 0;
      ReportOnce();
      return Answer::kFailed;
    case WaitEnd::kDone:
      break;
  }
  onLine_ = false;
  if (TakeWholeAnswer(expectedBytes, queued)) {
    answerTaken_ = true;
    return Answer::kOk;
  }
  ReportOnce();
  return Answer::kFailed;
}

bool Link::WriteFollowing(const protocol::ParamBlock& block) {
  // A byte already queued is the last answer's surplus: no request for it.
  if (!port_.IsOpen() || port_.GetInQLen() != 0) return false;
  reported_ = false;
  FillTxBuf(block, protocol::kOrderReadData, 0);
  const int written =
      port_.ComWrt(reinterpret_cast<const char*>(st.szWriteBuf.data()), protocol::kFrameBytes);
  requestAt_ = port_.Now();
  onLine_ = written > 0;
  return onLine_;
}

Link::Guard Link::ConcludeGuard() {
  if (!guardRuns_) return guard_;
  guardRuns_ = false;
  // A request just written is handed on before the program works on.
  const double until = onLine_ ? std::max(guardEnd_, requestAt_ + kHandOverSeconds) : guardEnd_;
  // On a line that carries bytes at its rate, what follows an answer comes a
  // byte at a time: a surplus. A peer without pacing (a pseudo-terminal)
  // answers the request on the line at once and whole, within the guard:
  // that is the next answer, left queued for its own wait.
  const int enough = onLine_ ? protocol::kDataBytes : 1;
  int queued = port_.GetInQLen();
  while (queued < enough && port_.IsOpen() && port_.Now() < until) {
    port_.WaitInQ(until - port_.Now());
    queued = port_.GetInQLen();
  }
  const bool lost = TakeAndReportLoss();
  const bool nextAnswer = onLine_ && queued >= protocol::kDataBytes;
  if (!lost && (queued == 0 || nextAnswer) && port_.IsOpen()) {
    answerTaken_ = true;
    guard_ = Guard::kPassed;
    return guard_;
  }
  // A surplus: the answer is no record. Both it and the answer of a request
  // on the line are let pass before the line is used again. The report
  // counts the answer and the bytes seen after it (none on a lost port).
  st.nBytesR = lost ? 0 : static_cast<std::uint16_t>(protocol::kDataBytes + queued);
  reporter_.ReportFailure();
  reported_ = true;
  answerTaken_ = false;
  if (port_.IsOpen()) {
    if (onLine_) {
      WaitOutAnswer();
    } else {
      AwaitQuiet(kQuietLine, port_.Now() + kTimeoutSeconds, &queued);
      port_.FlushInQ();
    }
  }
  onLine_ = false;
  guard_ = Guard::kFailed;
  return guard_;
}

void Link::WaitOutAnswer() {
  // The far end answers only once the whole request has reached it.
  port_.SleepUntil(requestAt_ + (protocol::kFrameBytes + protocol::kDataBytes) * kByteSeconds);
  int queued = 0;
  AwaitQuiet(kQuietLine, port_.Now() + kTimeoutSeconds, &queued);
  port_.FlushInQ();
  TakeAndReportLoss();
  onLine_ = false;
  answerTaken_ = false;
}

void Link::Poll(const protocol::ParamBlock& block, std::uint16_t& flag,
                protocol::DataRecord& record, const PollSteps& steps) {
  constexpr std::uint16_t kOrder = protocol::kOrderReadData;
  constexpr int kBytes = protocol::kDataBytes;
  SettleLine();
  st.order = kOrder;
  reported_ = false;
  flag = 1;
  bool first = true;
  bool written = StartRequest(block, kOrder);
  if (written) HandOver();
  while (written) {
    if (steps.whileWaiting) steps.whileWaiting();
    int queued = 0;
    const WaitEnd end = WaitForAnswer(kBytes, &flag, &queued);
    if (end == WaitEnd::kStopped) return;  // the answer is left to the next transaction
    if (end == WaitEnd::kLost || queued != kBytes) {
      onLine_ = false;
      if (end == WaitEnd::kLost) st.nBytesR = 0;
      if (end == WaitEnd::kLost || !TakeWholeAnswer(kBytes, queued)) ReportOnce();
      break;
    }
    // The answer's last byte is in: it is read now and its guard runs on
    // through the events and the next request.
    onLine_ = false;
    guardRuns_ = true;
    guardEnd_ = port_.Now() + kAnswerGuard;
    if (ReadQueued(kBytes) != kBytes) {
      guardRuns_ = false;
      ReportOnce();
      break;
    }
    // The first answer of a loop, and one after which no request is wanted
    // yet, is taken before the events run; after any other the events run
    // first and the next request goes out, while the guard runs on.
    const bool overlap = !first && (!steps.wantsNext || steps.wantsNext());
    first = false;
    bool follows = false;
    if (overlap) {
      if (steps.afterPass) steps.afterPass();
      // Events that used the line have judged the guard already.
      follows = guardRuns_ && flag == 1 && (!steps.wantsNext || steps.wantsNext()) &&
                WriteFollowing(block);
    }
    if (ConcludeGuard() != Guard::kPassed) {
      flag = 0;
      return;  // reported where it failed; a dropped port said nothing yet
    }
    GetRxBufData(record);
    if (steps.onRecord) steps.onRecord();
    if (!overlap && steps.afterPass) steps.afterPass();
    if (flag != 1) return;  // an answer on the line is waited out by the next transaction
    if (!follows) {
      reported_ = false;
      written = StartRequest(block, kOrder);
      if (written) HandOver();
    }
  }
  flag = 0;
  if (steps.afterPass) steps.afterPass();
}

bool Link::RequestVersion(const protocol::ParamBlock& block) {
  SettleLine();
  st.order = protocol::kOrderReadVersion;
  answerTaken_ = false;
  FillTxBuf(block, protocol::kOrderReadVersion, 0);
  port_.ComWrt(reinterpret_cast<const char*>(st.szWriteBuf.data()), protocol::kFrameBytes);
  requestAt_ = port_.Now();
  if (TakeAndReportLoss()) {
    st.nBytesR = 0;
    return false;
  }
  int queued = 0;
  if (WaitForAnswer(protocol::kVersionBytes, nullptr, &queued) != WaitEnd::kDone) {
    st.nBytesR = 0;
    return false;
  }
  if (!TakeWholeAnswer(protocol::kVersionBytes, queued)) return false;
  protocol::DecodeVersion(st.szReadBuf.data(), st.version);
  answerTaken_ = true;
  return true;
}

void Link::GetRxBufPara(protocol::ParamBlock& block, int words) const {
  protocol::DecodeParaWords(st.szReadBuf.data(), words, block);
}

void Link::GetRxBufData(protocol::DataRecord& record) const {
  protocol::DecodeData(st.szReadBuf.data(), record);
}

QString Link::VersionText() const {
  const char* text = st.version.data();
  return QString::fromLatin1(text, static_cast<qsizetype>(strnlen(text, protocol::kVersionChars)));
}

}  // namespace tavix::link
