// The recorder's costs, with TavixScope's real code on its real recorder
// panel (offscreen):
//   - allocations per record once a recording has started: the recorder's
//     data (store, recovery file, chart data) and, apart from it, what Qt
//     allocates to show numbers and to repaint;
//   - one chart update at 50 000 records: the data alone, the data with the
//     repaint Qt does for it (the strip of the new value), and a full
//     repaint (when an axis changes its range);
//   - saving 50 000 records as a record file.
//
//   tavix-bench-recorder [--updates N]
//
// The last four lines are the figures that count.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <QApplication>
#include <QChartView>
#include <QTemporaryDir>

#include "base/timer.h"
#include "link/serial_port.h"
#include "logic/record_store.h"
#include "scope/scope.h"
#include "ui/toolkit.h"
#include "ui/trend_chart.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Every allocation of the program passes here and is counted.
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using tavix::Timer;
using tavix::scope::Scope;

constexpr int kRecords = tavix::logic::kMaxRecords;
constexpr int kCountedRecords = 2000;  // each one is handed to the disk

// A reading that changes from record to record, as a real one does.
void Reading(Scope& s, int i) {
  s.data.dataR = static_cast<std::uint16_t>(1800 + i % 97);
  s.data.dataG = static_cast<std::uint16_t>(2100 + (i * 7) % 89);
  s.data.dataB = static_cast<std::uint16_t>(2000 + (i * 13) % 83);
  s.data.dataX = static_cast<std::uint16_t>(1250 + i % 11);
  s.data.dataY = static_cast<std::uint16_t>(1460 + i % 13);
  s.data.dataINT = static_cast<std::uint16_t>(1970 + i % 17);
  s.data.dataGF = static_cast<std::uint16_t>(850 + i % 31);
}

long Allocations() {
  return g_allocations.load(std::memory_order_relaxed);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("TAVIX_COM1", "/nonexistent/tavix-bench-recorder");  // no sensor needed
  int updates = 200;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--updates") == 0) updates = std::max(1, std::atoi(argv[++i]));
  }
  QApplication app(argc, argv);
  tavix::ui::Toolkit tk;
  tk.Popups().SetScripted(true);
  tavix::link::SerialPort port;
  Scope s(tk, port);
  if (s.StartUp() != 0) {
    std::fprintf(stderr, "start-up failed (layout bundle next to the program?)\n");
    return 1;
  }
  const int p = s.frame.recpanel;
  tk.InstallPopup(p);
  QTemporaryDir dir;
  auto* chart = qobject_cast<QChartView*>(tk.Control(p, "GraphRecord"));
  QApplication::processEvents();

  const QString displayNames[] = {QStringLiteral("RecR1"),
                                  QStringLiteral("RecG1"),
                                  QStringLiteral("RecB1"),
                                  QStringLiteral("RecR2"),
                                  QStringLiteral("RecG2"),
                                  QStringLiteral("RecB2"),
                                  QStringLiteral("RecX"),
                                  QStringLiteral("RecY"),
                                  QStringLiteral("RecINT"),
                                  QStringLiteral("RecGF"),
                                  QStringLiteral("DispRecordedValues"),
                                  QStringLiteral("DispRemaining")};

  // Start of a recording, as DoRecord and RecordFrame make it.
  s.frame.file_name = dir.filePath("record.dat");
  tk.SetCtrlVal(p, "EditRecVal", kRecords);
  s.rec.recovery.Create(s.frame.file_name);
  s.rec.otcrec = 0;
  s.CalcRecTime();
  tk.ClearTrendChart(p, "GraphRecord", s.rec.anzwerte);
  s.flags.pollrecord = 1;

  // Allocations per record. Even records: the whole of SetRecordData and
  // AppendRecord. Odd records: the same work in its parts, the recorder's
  // data (store, recovery file, chart) and Qt's text of the twelve number
  // displays. Then Qt's event processing with the repaint.
  long whole = 0, store = 0, chartData = 0, displays = 0, repaint = 0;
  auto* trend = qobject_cast<tavix::ui::TrendChart*>(chart);
  for (int i = 0; i < kCountedRecords; ++i) {
    Reading(s, i);
    long before = Allocations();
    if (i % 2 == 0) {
      s.SetRecordData();
      s.AppendRecord();
      whole += Allocations() - before;
    } else {
      const tavix::logic::Record r = tavix::logic::RecordOf(s.data);
      const double traces[] = {double(r[0]), double(r[1]), double(r[2]), double(r[5]),
                               double(r[6])};
      s.rec.rawfile[s.rec.otcrec] = r;
      s.rec.recovery.Append(r);
      ++s.rec.otcrec;
      store += Allocations() - before;
      before = Allocations();
      trend->Append(traces, 5);
      chartData += Allocations() - before;
      before = Allocations();
      const std::uint16_t values[] = {r[0], r[1], r[2], r[0], r[1],         r[2],
                                      r[3], r[4], r[5], r[6], s.rec.otcrec, 1};
      for (std::size_t k = 0; k < std::size(values); ++k) {
        tk.SetCtrlVal(p, displayNames[k], values[k]);
      }
      displays += Allocations() - before;
    }
    before = Allocations();
    QApplication::processEvents();
    repaint += Allocations() - before;
  }
  s.rec.recovery.Remove();
  const double half = kCountedRecords / 2.0;
  std::printf(
      "allocations per record over %d records: SetRecordData + AppendRecord %.2f, "
      "in parts: store and recovery file %.2f, chart data %.2f, number displays %.2f; "
      "event processing and repaint %.2f\n",
      kCountedRecords, whole / half, store / half, chartData / half, displays / half,
      double(repaint) / kCountedRecords);

  // Up to 50 000 records (store and chart; no recovery file, no repaint).
  for (int i = kCountedRecords; i < kRecords - updates; ++i) {
    Reading(s, i);
    s.SetRecordData();
    s.AppendRecord();
  }
  QApplication::processEvents();

  // One update at 50 000 records: the data alone, then with the repaint.
  std::vector<double> data, painted;
  long updateAllocations = 0;
  for (int k = 0; k < updates; ++k) {
    Reading(s, s.rec.otcrec);
    const double traces[] = {double(s.data.dataR), double(s.data.dataG), double(s.data.dataB),
                             double(s.data.dataINT), double(s.data.dataGF)};
    const long before = Allocations();
    const double start = Timer();
    tk.PlotTrendChart(p, QStringLiteral("GraphRecord"), traces, 5);
    const double mid = Timer();
    updateAllocations += Allocations() - before;
    QApplication::processEvents();
    const double end = Timer();
    data.push_back(mid - start);
    painted.push_back(end - start);
    s.AppendRecord();
  }
  std::sort(data.begin(), data.end());
  std::sort(painted.begin(), painted.end());
  std::printf(
      "chart update at %d records over %d updates: data median %.3f ms, max %.3f ms, "
      "%.2f allocations; with repaint median %.3f ms, max %.3f ms\n",
      int(s.rec.otcrec) - updates, updates, 1e3 * data[data.size() / 2], 1e3 * data.back(),
      double(updateAllocations) / updates, 1e3 * painted[painted.size() / 2], 1e3 * painted.back());

  // A full repaint, as when an axis changes its range.
  std::vector<double> full;
  for (int k = 0; k < 20; ++k) {
    const double start = Timer();
    chart->viewport()->repaint();
    full.push_back(Timer() - start);
  }
  std::sort(full.begin(), full.end());
  std::printf("full repaint of the chart at %d records: median %.3f ms\n", int(s.rec.otcrec),
              1e3 * full[full.size() / 2]);

  // A record with a new highest value: the left axis takes a new range, and
  // the chart repaints whole (the update and Qt's event processing).
  std::vector<double> ranged;
  for (int k = 0; k < 20; ++k) {
    const double high = 2400.0 + 50.0 * k;
    const double traces[] = {high, 2100.0, 2000.0, 1970.0, 850.0};
    const double start = Timer();
    tk.PlotTrendChart(p, QStringLiteral("GraphRecord"), traces, 5);
    QApplication::processEvents();
    ranged.push_back(Timer() - start);
  }
  std::sort(ranged.begin(), ranged.end());
  std::printf(
      "update with a new axis range and its repaint at %d records: median %.3f ms, max %.3f ms\n",
      trend->Count(), 1e3 * ranged[ranged.size() / 2], 1e3 * ranged.back());

  // Saving the whole store.
  double best = 1e9;
  for (int k = 0; k < 5; ++k) {
    QString error;
    const double start = Timer();
    if (!tavix::logic::WriteRecordFile(dir.filePath("all.dat"), s.rec.rawfile.data(), s.rec.otcrec,
                                       &error)) {
      std::fprintf(stderr, "save failed: %s\n", qUtf8Printable(error));
      return 1;
    }
    best = std::min(best, Timer() - start);
  }

  std::printf(
      "allocations per record after start: store and recovery file %.2f, chart at 50 000 "
      "records %.2f (Qt's request to repaint) (target 0); Qt's number displays %.2f\n",
      store / half, double(updateAllocations) / updates, displays / half);
  std::printf("saving %d records: %.3f s (target < 0.3 s)\n", int(s.rec.otcrec), best);
  std::printf(
      "one chart update with repaint at %d records: median %.3f ms, max %.3f ms, "
      "full repaint %.3f ms (target < 2 ms)\n",
      int(s.rec.otcrec) - updates, 1e3 * painted[painted.size() / 2], 1e3 * painted.back(),
      1e3 * full[full.size() / 2]);
  std::printf("repaint after an axis range change at %d records: median %.3f ms (target <= 2 ms)\n",
              trend->Count(), 1e3 * ranged[ranged.size() / 2]);
  s.flags.pollrecord = 0;
  return 0;
}
