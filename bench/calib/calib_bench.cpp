// TavixCalib's measurement of 100 frames against the line: the program's
// real code (real widgets on the offscreen platform, a real QSerialPort)
// takes its frames from the simulator, paced, as its own process on a
// pseudo-terminal. 100 passes of 68 bytes need 3.54 s on the wire.
//
//   tavix-bench-calib [--runs N]
//
// Prints each run's time from the first request to the result box, and as
// the last line the mean share of the wire time.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QApplication>
#include <QProcess>
#include <QTimer>

#include "base/timer.h"
#include "calib/calib.h"
#include "calib/help_texts.h"
#include "link/forwarding_port.h"
#include "link/serial_port.h"
#include "ui/toolkit.h"

namespace {

constexpr int kFrames = 100;
constexpr double kWireSeconds = kFrames * (36 + 32) / 1920.0;

// The serial port, marking the first write after Arm.
class MarkedPort final : public tavix::link::ForwardingPort {
 public:
  explicit MarkedPort(Port& real) : ForwardingPort(real) {}
  void Arm() {
    firstWrite_ = 0;
    armed_ = true;
  }
  double FirstWrite() const { return firstWrite_; }

  int ComWrt(const char* buffer, int count) override {
    if (armed_ && firstWrite_ == 0) firstWrite_ = tavix::Timer();
    return port_.ComWrt(buffer, count);
  }

 private:
  bool armed_ = false;
  double firstWrite_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int runs = 5;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
  }
  QApplication app(argc, argv);

  QProcess sim;
  sim.setProgram(QCoreApplication::applicationDirPath() + "/tavix-sensor-sim");
  sim.setArguments({"--daemon", "--target", "white"});
  sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  sim.start();
  while (sim.waitForStarted(5000) && !sim.canReadLine() && sim.waitForReadyRead(5000)) {
  }
  const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
  if (device.isEmpty()) {
    std::fprintf(stderr, "bench: the simulator did not start\n");
    return 1;
  }
  qputenv("TAVIX_COM1", device.toLocal8Bit());

  tavix::ui::Toolkit tk;
  tk.Popups().SetScripted(true);
  tavix::link::SerialPort serial;
  MarkedPort port(serial);
  tavix::calib::Calib calib(tk, port);
  if (calib.StartUp() != 0 || !tk.Popups().Shown().empty()) {
    std::fprintf(stderr, "bench: TavixCalib did not start\n");
    return 1;
  }
  tk.DisplayPanel(calib.frame.panel);
  tk.ProcessSystemEvents();

  double end = 0;
  tk.Popups().SetObserver([&](const tavix::ui::PopupRecord&) {
    if (end == 0 && port.FirstWrite() > 0) end = tavix::Timer();  // the result box
  });
  // A passed calibration goes live: the bench stops that loop at once.
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (calib.live.running) calib.live.poll = 0;
  });
  stopper.start(0);
  std::printf("TavixCalib, 100-frame measurement, simulator paced as its own process\n");
  std::vector<double> shares;
  for (int run = 0; run < runs; ++run) {
    tk.Popups().ClearShown();
    tk.Popups().QueueConfirm(1);  // CONFIRM CALCULATION!
    end = 0;
    port.Arm();
    calib.CalcCF();
    const std::vector<tavix::ui::PopupRecord>& shown = tk.Popups().Shown();
    if (shown.size() < 2 || shown[1].text == tavix::calib::texts::CalibrationFailed) {
      std::fprintf(stderr, "bench: the measurement failed\n");
      return 1;
    }
    const double seconds = end - port.FirstWrite();
    shares.push_back(kWireSeconds / seconds);
    std::printf("run %d: %.3f s for %d frames (wire %.3f s): %.3f of the wire rate\n", run + 1,
                seconds, kFrames, kWireSeconds, shares.back());
    std::fflush(stdout);
    calib.lnk.SettleWait();
  }
  std::sort(shares.begin(), shares.end());
  double sum = 0;
  for (double s : shares) sum += s;
  std::printf(
      "100-frame measurement: %.3f of its wire time (%.2f s), spread %.3f to %.3f "
      "[target >= 0.98: %s]\n",
      sum / runs, kWireSeconds, shares.front(), shares.back(),
      sum / runs >= 0.98 ? "met" : "MISSED");
  calib.lnk.Close();
  sim.terminate();
  sim.waitForFinished(3000);
  return 0;
}
