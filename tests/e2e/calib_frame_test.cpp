// TavixCalib's start-up, port choice, live display, STAT/DYN inputs, help
// texts and shutdown, against the simulator.
#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>

#include "calib_harness.h"

namespace tavix::e2e {
namespace {

using Values = std::vector<int>;

class CalibFrame : public CalibHarness {
 protected:
  void SetUp() override {
    CalibHarness::SetUp();
    sensor->WithModel([](sim::SensorModel& m) {
      m.version = "TAVIX CALIB TEST SENSOR";
      m.target = sim::Target{"test", 3.0, 4.0, 5.0, 30.0};  // records that differ
      m.factors = {1100, 1000, 900};
    });
  }
  bool Visible(const char* name) const { return toolkit->IsVisible(Panel(), name); }
  bool Dimmed(const char* name) const { return toolkit->IsDimmed(Panel(), name); }
  // STAT inputs, DYN inputs: which are shown, and whether POWER is usable.
  std::string Inputs() const {
    std::string s;
    for (const char* name : {"EditSetValue", "TextStat", "DispPow", "EditMaxPow", "TextDyn"}) {
      s += Visible(name) ? '1' : '0';
    }
    return s + (Dimmed("EditPower") ? " dimmed" : " enabled");
  }
  Values Displays() const {
    Values d;
    for (const char* name : {"DispR", "DispBarR", "DispG", "DispBarG", "DispB", "DispBarB",
                             "DispRawR", "DispBarRawR", "DispRawG", "DispBarRawG", "DispRawB",
                             "DispBarRawB", "DispPow", "DispDeltaRaw", "DispDeltaCalib"}) {
      d.push_back(Int(name));
    }
    return d;
  }
  static Values DisplaysOf(const Record& r) {
    auto spread = [](int a, int b, int c) { return std::max({a, b, c}) - std::min({a, b, c}); };
    return {r[0],
            r[0],
            r[1],
            r[1],
            r[2],
            r[2],
            r[7],
            r[7],
            r[8],
            r[8],
            r[9],
            r[9],
            r[5],
            spread(r[7], r[8], r[9]),
            spread(r[0], r[1], r[2])};
  }
  // The texts the header made at start, in the order they were made.
  std::vector<QString> HeaderTexts() const {
    std::vector<QString> texts;
    for (int i = 1; i <= 4; ++i) {
      if (auto* l = qobject_cast<QLabel*>(W(qPrintable(QStringLiteral("TextMsg%1").arg(i))))) {
        texts.push_back(l->text());
      }
    }
    return texts;
  }
};

TEST_F(CalibFrame, StartUpChecksTheLineOnlyAndShowsHeaderAndStatInputs) {
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});  // no parameter set is read
  EXPECT_EQ(Str("DispStatus"), QString("TAVIX CALIB TEST SENSOR").leftJustified(48));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Inputs(), "11000 enabled");
  EXPECT_EQ(calib->lnk.st.waitdel, 0.1);
  EXPECT_EQ(calib->lnk.st.com, 1);
  EXPECT_EQ(EditFactors(), (std::array<int, 3>{1000, 1000, 1000}));  // the layout's values
  EXPECT_EQ(HeaderTexts(), (std::vector<QString>{"TAVIX-CALIB-Scope V1.0", "Demo Instruments",
                                                 "Tel. 555-0147", "www.example.com"}));
  EXPECT_FALSE(qobject_cast<QLabel*>(W("Logo"))->pixmap().isNull());
}

TEST_F(CalibFrame, SilentSensorShowsTheInfoBoxBeforeThePanel) {
  sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(Boxes(), Strings{Box("INFO", calib::texts::InfoTimeout)});
  EXPECT_TRUE(toolkit->Popups().Shown()[0].visiblePanels.isEmpty());
}

TEST_F(CalibFrame, PortThatCannotBeOpenedLeavesThePanelUsable) {
  QTemporaryDir dir;
  qputenv("TAVIX_COM1", (dir.path() + "/no-such-device").toLocal8Bit());
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), "Cannot open port");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Str("DispPortInfo").contains("no-such-device"));

  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  Type("EditConnect", 2);
  EXPECT_EQ(calib->lnk.st.com, 2);
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});
  EXPECT_TRUE(Str("DispStatus").startsWith("TAVIX CALIB"));
}

TEST_F(CalibFrame, GoShowsEveryRecordInDisplaysAndBarsUntilStop) {
  ASSERT_EQ(StartProgram(), 0);
  Values last, lastSent;
  int frames = 0;
  EveryRound([&] {
    if (calib->live.poll != 1 || Sent() == 0) return;
    // Each round comes after one record was shown.
    last = Displays();
    lastSent = DisplaysOf(sensor->SentRecords().back());
    if (++frames == 5) Click("ButtonStop");
  });
  Click("ButtonGo");
  EXPECT_EQ(calib->live.poll, 0);
  EXPECT_EQ(last, lastSent);
  EXPECT_EQ(DataRequests(), 5);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CalibFrame, PmodDuringGoSwitchesTheInputsAtOnceAndShowsTheNotice) {
  ASSERT_EQ(StartProgram(), 0);
  std::string during;
  After(50, [&] {
    Choose("EditPmod", 1);
    during = Inputs();
    EXPECT_EQ(calib->live.poll, 1);  // the loop goes on
    StopAfter(2);
  });
  Click("ButtonGo");
  EXPECT_EQ(during, "00111 dimmed");
  EXPECT_EQ(Boxes(), Strings{Box("INFO!", calib::texts::InfoEditPmodPower)});
  Choose("EditPmod", 0);
  EXPECT_EQ(Inputs(), "11000 enabled");
}

TEST_F(CalibFrame, TimeoutInTheGoLoopEndsItWithTheVersionBox) {
  ASSERT_EQ(StartProgram(), 0);
  After(50, [&] { sensor->InjectFault(sim::Fault::kSilence, /*once=*/false); });
  Click("ButtonGo");
  EXPECT_EQ(calib->live.poll, 0);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(Boxes(), Strings{Box(QString("TAVIX CALIB TEST SENSOR").leftJustified(48),
                                 calib::texts::InfoTimeoutVer)});
}

TEST_F(CalibFrame, ClosingThePanelDuringGoEndsTheProgramWithThePortClosed) {
  ASSERT_EQ(StartProgram(), 0);
  After(0, [this] { Click("ButtonGo"); });
  std::size_t closedAt = 0;
  EveryRound([&] {
    if (closedAt == 0 && Sent() >= 3) {
      closedAt = Sent();
      toolkit->PanelWidget(Panel())->close();  // the user closes the window
    }
  });
  EXPECT_EQ(calib->RunAndShutDown(), 0);
  EXPECT_EQ(closedAt, 3u);
  EXPECT_EQ(calib->live.poll, 0);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(DataRequests(), 3);
}

TEST_F(CalibFrame, RightClickShowsHelpExactlyAsWrittenAndEveryControlIsNamed) {
  ASSERT_EQ(StartProgram(), 0);
  const QString calcCF = " Calculate the calibration factors for 20DEG, 60DEG and 80DEG. ";
  const QString bars = " Displays the calibrated values of 20DEG, 60DEG and 80DEG." +
                       QString(25, ' ') + "\n Formula: CALIBRATED DATA = (RAW DATA * CF) / 1000 ";
  const QString power = " EDIT BOX POWER:" + QString(26, ' ') +
                        "\n Select the intensity of the transmitter LED when PMOD=STAT." +
                        QString(26, ' ') + "\n 0 = no intensity,  1000 = full intensity.";
  const std::pair<const char*, QString> cases[] = {
      {"ButtonCalcCF", calcCF},
      {"DispBarG", bars},  // every bar of a group shares its text
      {"DispBarB", bars},
      {"DispBarRawR", " Displays the RAW values of 20DEG, 60DEG and 80DEG."},
      {"EditPower", power},
      {"EditCFB", " Edit Box for the calibration factor. "},
      {"EditConnect", " Select a serial COM-PORT."},
      {"DispStatus", " Displays serial interface status messages."},
      {"ButtonFinishCalib", calib::texts::InfoButtonFinishCalib},
      {"EditMaxPow", calib::texts::InfoEditMaxPow},
  };
  for (const auto& [control, text] : cases) {
    toolkit->Popups().ClearShown();
    Click(control, Qt::RightButton);
    EXPECT_EQ(Boxes(), Strings{Box("INFO!", text)}) << control;
  }
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});  // a right click starts nothing

  for (QWidget* w : toolkit->PanelWidget(Panel())->findChildren<QWidget*>()) {
    const QString name = w->objectName();
    if (toolkit->CtrlId(Panel(), name) < 0) continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(a, nullptr) << name.toStdString();
    EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << name.toStdString();
  }
  EXPECT_EQ(W("ButtonStartCalib")->accessibleName(), "START CALIBRATION");
  EXPECT_EQ(W("EditMaxDelta")->accessibleDescription(), calib::texts::InfoEditMaxDelta);
}

}  // namespace
}  // namespace tavix::e2e
