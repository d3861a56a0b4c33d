// TavixScope's real code on the generic end-to-end harness.
#pragma once

#include <sys/resource.h>

#include <csignal>

#include <QFile>

#include "harness.h"
#include "scope/help_texts.h"
#include "scope/scope.h"

namespace tavix::e2e {

inline QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The disk "fills up" at `bytes` per file, for root too (0: no limit).
inline void SizeLimit(rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit r{};
  getrlimit(RLIMIT_FSIZE, &r);
  r.rlim_cur = bytes != 0 ? bytes : r.rlim_max;
  setrlimit(RLIMIT_FSIZE, &r);
}

class ScopeHarness : public ProgramHarness {
 protected:
  int StartProgram() { return Launch(scope); }

  // A longer guard than the harness's, for a case that a few slow loops outlast.
  void GuardLoops(int ms) {
    context = std::make_unique<QObject>();
    After(ms, [this, ms] {
      if (StopLoops()) ADD_FAILURE() << "a polling loop was still running after " << ms << " ms";
    });
  }

  int Panel() const override { return scope->frame.panel; }
  bool StopLoops() override {
    const bool running = scope && (scope->flags.poll != 0 || scope->flags.pollrecord != 0);
    if (running) scope->flags.poll = scope->flags.pollrecord = 0;
    return running;
  }
  void EndProgram() override {
    if (scope) scope->lnk.Close();
    scope.reset();
  }

  int Cell(int column, int row) const {
    return toolkit->GetTableCellVal(Panel(), "TeachTable", column, row);
  }
  void SetCell(int column, int row, int value) {
    toolkit->SetTableCellVal(Panel(), "TeachTable", column, row, value);
  }
  // Where cursor 1 of `graph` stands, x and y.
  std::vector<double> Cursor(const char* graph) const {
    std::vector<double> xy(2);
    toolkit->GetGraphCursor(Panel(), graph, 1, &xy[0], &xy[1]);
    return xy;
  }
  int DataRequests() const { return sensor->GetCounters().perOrder[5]; }

  std::unique_ptr<scope::Scope> scope;
};

}  // namespace tavix::e2e
