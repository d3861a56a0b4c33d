// Popups: scripted (recorded, answered from the queue, nothing shown) and
// real (modal dialogs showing the given texts exactly).
#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include "tests/ui/ui_test_support.h"

namespace tavix::ui::test {
namespace {

const QString kTimeoutText =
    " ATTENTION! \n \n TIMEOUT \n NO SERIAL CONNECTION TO SENSOR.                           \n"
    " The version of the sensor is displayed as the name of this dialog box.";

// Runs `act` on the next modal dialog of type D, again on the next ticks
// while that dialog stays open, and rejects it after two seconds so that a
// fault fails the test instead of hanging it.
template <class D>
void OnDialog(std::function<void(D*)> act) {
  auto* timer = new QTimer;
  auto seen = std::make_shared<QPointer<D>>();
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, act, seen, ticks] {
    if (*ticks > 0 && (seen->isNull() || !(*seen)->isVisible())) {  // its dialog is gone
      timer->stop();
      timer->deleteLater();
      return;
    }
    D* dialog = *ticks > 0 ? seen->data() : qobject_cast<D*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    *seen = dialog;
    if (++*ticks > 200) {
      static_cast<QDialog*>(dialog)->reject();
      return;
    }
    act(dialog);
  });
  timer->start(10);
}

TEST_F(UiTest, ScriptedPopupsAreRecordedAndAnsweredFromTheQueue) {
  PopupScript& script = tk.Popups();
  script.SetScripted(true);
  tk.MessagePopup("SENSOR V1.2", kTimeoutText);
  Show();
  script.QueueConfirm(1);
  script.QueueConfirm(0);
  EXPECT_EQ(tk.ConfirmPopup("CONFIRM SAVING TO ", "RAM?"), 1);
  EXPECT_EQ(tk.ConfirmPopup("START CALIBRATION!", "Go on?"), 0);
  EXPECT_EQ(tk.ConfirmPopup("START CALIBRATION!", "Go on?"), 0);  // nothing queued: no

  script.QueueFile(2, "/data/new.par");
  script.QueueFile(1, "/data/old.par");
  QString path = "stale";
  EXPECT_EQ(tk.FileSelectPopup("/data", "new.par", "*.par", "Save parameters", "Save", false, true,
                               true, true, &path),
            2);
  EXPECT_EQ(path, "/data/new.par");
  EXPECT_EQ(tk.FileSelectPopup("/data", "", "*.par", "Load parameters", "Load", false, true, true,
                               true, &path),
            1);
  EXPECT_EQ(path, "/data/old.par");
  EXPECT_EQ(tk.FileSelectPopup("/data", "", "*.par", "Load parameters", "Load", false, true, true,
                               true, &path),
            0);
  EXPECT_TRUE(path.isEmpty());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  const std::vector<PopupRecord>& shown = script.Shown();
  ASSERT_EQ(shown.size(), 7u);
  EXPECT_EQ(shown[0].kind, PopupRecord::Kind::kMessage);
  EXPECT_EQ(shown[0].title, "SENSOR V1.2");
  EXPECT_EQ(shown[0].text, kTimeoutText);
  EXPECT_TRUE(shown[0].visiblePanels.isEmpty());
  EXPECT_EQ(shown[1].kind, PopupRecord::Kind::kConfirm);
  EXPECT_EQ(shown[1].title, "CONFIRM SAVING TO ");
  EXPECT_EQ(shown[1].answer, 1);
  EXPECT_EQ(shown[1].visiblePanels, QStringList{"TestPanel"});
  EXPECT_EQ(shown[2].answer, 0);
  EXPECT_EQ(shown[4].kind, PopupRecord::Kind::kFile);
  EXPECT_EQ(shown[4].title, "Save parameters");
  EXPECT_EQ(shown[4].text, "new.par");
  EXPECT_EQ(shown[4].directory, "/data");
  EXPECT_EQ(shown[4].filter, "*.par");
  EXPECT_EQ(shown[4].answer, 2);
  EXPECT_EQ(shown[4].path, "/data/new.par");
  EXPECT_EQ(shown[6].answer, 0);

  script.ClearShown();
  EXPECT_TRUE(script.Shown().empty());
}

TEST_F(UiTest, MessageBoxShowsTitleAndTextExactly) {
  QString title, text;
  Qt::TextFormat format = Qt::AutoText;
  OnDialog<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    format = box->textFormat();
    box->accept();
  });
  tk.MessagePopup("INFO!", kTimeoutText);
  EXPECT_EQ(title, "INFO!");
  EXPECT_EQ(text, kTimeoutText);
  EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(UiTest, ConfirmBoxGivesOneForYesAndZeroForNo) {
  OnDialog<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(tk.ConfirmPopup("CONFIRM CALIBRATION!", "Write?"), 1);
  OnDialog<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
  EXPECT_EQ(tk.ConfirmPopup("CONFIRM CALIBRATION!", "Write?"), 0);
  OnDialog<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(tk.ConfirmPopup("CONFIRM CALIBRATION!", "Write?"), 0);
}

TEST_F(UiTest, FileDialogTellsNewFromExistingFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile existing(dir.filePath("old.par"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();

  bool nonNative = false;
  QString directory, accept;
  OnDialog<QFileDialog>([&](QFileDialog* dialog) {
    nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
    directory = dialog->directory().absolutePath();
    accept = dialog->labelText(QFileDialog::Accept);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("new.par");  // as typed
    static_cast<QDialog*>(dialog)->accept();
  });
  QString path;
  EXPECT_EQ(tk.FileSelectPopup(dir.path(), "", "*.par", "Save parameters", "Save", false, true,
                               true, true, &path),
            2);
  EXPECT_EQ(path, dir.filePath("new.par"));
  EXPECT_TRUE(nonNative);
  EXPECT_EQ(directory, QDir(dir.path()).absolutePath());
  EXPECT_EQ(accept, "Save");

  OnDialog<QFileDialog>([&](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); });
  EXPECT_EQ(tk.FileSelectPopup(dir.path(), "old.par", "*.par", "Load parameters", "Load", false,
                               true, true, true, &path),
            1);
  EXPECT_EQ(path, dir.filePath("old.par"));

  OnDialog<QFileDialog>([&](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(tk.FileSelectPopup(dir.path(), "old.par", "*.par", "Load parameters", "Load", false,
                               true, true, true, &path),
            0);
  EXPECT_TRUE(path.isEmpty());
}

}  // namespace
}  // namespace tavix::ui::test
