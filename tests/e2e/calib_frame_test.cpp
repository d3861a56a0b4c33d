// TavixCalib's start-up, port choice, live display, STAT/DYN inputs and help
// texts, against the simulator.
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QSettings>

#include "calib_harness.h"

namespace tavix::e2e {
namespace {

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
  QString Version() const { return QString("TAVIX CALIB TEST SENSOR").leftJustified(48); }
  // STAT inputs, DYN inputs: which are shown, and whether POWER is usable.
  std::string Inputs() const {
    std::string s;
    for (const char* name : {"EditSetValue", "TextStat", "DispPow", "EditMaxPow", "TextDyn"})
      s += toolkit->IsVisible(Panel(), name) ? '1' : '0';
    return s + (toolkit->IsDimmed(Panel(), "EditPower") ? " dimmed" : " enabled");
  }
};

TEST_F(CalibFrame, StartUpChecksTheLineOnlyRightClicksShowHelpAsWrittenAndAnIdleLossIsToldOnce) {
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), Version());
  EXPECT_EQ(Inputs(), "11000 enabled");
  EXPECT_EQ(EditFactors(), (std::array<int, 3>{1000, 1000, 1000}));  // the layout's values
  // The header of branding 5 (the branding suite has its texts, places,
  // styles and picture).
  EXPECT_EQ(qobject_cast<QLabel*>(W("TextMsg1"))->text(), "TAVIX-CALIB-Scope V1.0");

  const std::pair<const char*, QString> cases[] = {
      {"ButtonCalcCF", " Calculate the calibration factors for 20DEG, 60DEG and 80DEG. "},
      // Every bar of a group shares its text.
      {"DispBarG", " Displays the calibrated values of 20DEG, 60DEG and 80DEG." + QString(25, ' ') +
                       "\n Formula: CALIBRATED DATA = (RAW DATA * CF) / 1000 "},
      {"EditPower", " EDIT BOX POWER:" + QString(26, ' ') +
                        "\n Select the intensity of the transmitter LED when PMOD=STAT." +
                        QString(26, ' ') + "\n 0 = no intensity,  1000 = full intensity."},
  };
  Strings expected;
  for (const auto& [control, text] : cases) {
    Click(control, Qt::RightButton);
    expected.push_back(Box("INFO!", text));
  }
  EXPECT_EQ(Boxes(), expected);
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});  // no parameter set; a right click starts nothing

  for (QWidget* w : toolkit->PanelWidget(Panel())->findChildren<QWidget*>()) {
    if (toolkit->CtrlId(Panel(), w->objectName()) < 0) continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    EXPECT_TRUE(a && !a->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
  }
  // The sensor or adapter goes away while no operation runs.
  ExpectIdleLossToldOnceThenReconnect("ButtonGo");
}

// A port that cannot be opened leaves the panel usable: another port chosen
// from the list answers and is remembered as the device that last answered.
TEST_F(CalibFrame, PortThatCannotBeOpenedLeavesTheListToChooseOneThatIsRemembered) {
  QSettings("Tavix", "TavixCalib").clear();
  qputenv("TAVIX_COM1", "/nonexistent/no-such-device");
  ASSERT_EQ(StartProgram(), 0);
  EXPECT_EQ(Str("DispStatus"), "Cannot open port");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Str("DispPortInfo").contains("no-such-device"));
  auto* list = qobject_cast<QComboBox*>(W("SelectPort"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->accessibleDescription(), calib::texts::InfoSelectPort);
  qputenv("TAVIX_COM2", QByteArray::fromStdString(sensor->DevicePath()));
  calib->portList.Refresh();
  Choose("SelectPort", list->findData(2));
  EXPECT_EQ(Int("EditConnect"), 2);
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{7});
  EXPECT_EQ(Str("DispStatus"), Version());
  EXPECT_EQ(calib->settings.LastDevice(), QString::fromStdString(sensor->DevicePath()));
}

// GO shows the records as they come; PMOD switches the inputs while it
// runs, and a time-out ends it with the last record on show.
TEST_F(CalibFrame, GoShowsEveryRecordPmodSwitchesTheInputsAndATimeoutEndsIt) {
  ASSERT_EQ(StartProgram(), 0);
  std::string inputs;
  EveryRound([&] {
    if (calib->live.poll != 1 || Sent() < 5 || !inputs.empty()) return;
    Choose("EditPmod", 1);
    inputs = Inputs();
    sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
  });
  Click("ButtonGo");
  const Record r = sensor->SentRecords().back();
  const auto spread = [&r](int i) {
    return std::max({r[i], r[i + 1], r[i + 2]}) - std::min({r[i], r[i + 1], r[i + 2]});
  };
  // Each value and bar, the power word, the spreads of the raw and calibrated channels.
  const std::vector<int> sent = {r[0], r[0], r[1], r[1], r[2], r[2],      r[7],     r[7],
                                 r[8], r[8], r[9], r[9], r[5], spread(7), spread(0)};
  std::vector<int> shown;
  for (const char* name : {"DispR", "DispBarR", "DispG", "DispBarG", "DispB", "DispBarB",
                           "DispRawR", "DispBarRawR", "DispRawG", "DispBarRawG", "DispRawB",
                           "DispBarRawB", "DispPow", "DispDeltaRaw", "DispDeltaCalib"})
    shown.push_back(Int(name));
  EXPECT_EQ(shown, sent);
  EXPECT_EQ(inputs, "00111 dimmed");
  EXPECT_EQ(Sent(), 5u);
  EXPECT_EQ(calib->live.poll, 0);
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(Boxes(), (Strings{Box("INFO!", calib::texts::InfoEditPmodPower),
                              Box(Version(), calib::texts::InfoTimeoutVer)}));
  Choose("EditPmod", 0);
  EXPECT_EQ(Inputs(), "11000 enabled");
}

}  // namespace
}  // namespace tavix::e2e
