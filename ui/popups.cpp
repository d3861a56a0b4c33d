// Popups: message, confirm and file dialogs, or their scripted stand-ins
// when tests drive the toolkit (PopupScript).
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "ui/toolkit.h"
#include "ui/toolkit_impl.h"

namespace tavix::ui {

// ------------------------------------------------------------ PopupScript

void PopupScript::QueueConfirm(int answer) {
  confirms_.push_back(answer);
}

void PopupScript::QueueFile(int result, const QString& path) {
  files_.emplace_back(result, path);
}

void PopupScript::Record(PopupRecord record) {
  shown_.push_back(std::move(record));
  if (observer_) observer_(shown_.back());
}

bool PopupScript::TakeConfirm(int* answer) {
  if (confirms_.empty()) return false;
  if (answer) *answer = confirms_.front();
  confirms_.erase(confirms_.begin());
  return true;
}

bool PopupScript::TakeFile(int* result, QString* path) {
  if (files_.empty()) return false;
  if (result) *result = files_.front().first;
  if (path) *path = files_.front().second;
  files_.erase(files_.begin());
  return true;
}

// -------------------------------------------------------- Dialog context

// The panels on screen when a popup appears, for its record.
QStringList Toolkit::Impl::VisiblePanels() const {
  QStringList names;
  for (const auto& entry : panels) {
    if (entry.second.widget && entry.second.widget->isVisible()) {
      names << entry.second.widget->objectName();
    }
  }
  return names;
}

// The window a dialog opens over: the modal or active one, else a visible panel.
QWidget* Toolkit::Impl::DialogParent() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (const auto& entry : panels) {
    if (entry.second.widget && entry.second.widget->isVisible() &&
        entry.second.widget->isWindow()) {
      return entry.second.widget;
    }
  }
  return nullptr;
}

// A popup's own event loop repaints as any loop does.
class RepaintsFlow {
 public:
  explicit RepaintsFlow(int& hold) : hold_(hold), saved_(hold) { hold_ = 0; }
  ~RepaintsFlow() { hold_ = saved_; }
  RepaintsFlow(const RepaintsFlow&) = delete;
  RepaintsFlow& operator=(const RepaintsFlow&) = delete;

 private:
  int& hold_;
  int saved_;
};

int Toolkit::Impl::RunDialog(QDialog& dialog) {
  self->RepaintNow();
  const RepaintsFlow flow(holdRepaints);
  dialog.setWindowModality(Qt::NonModal);  // a message box makes itself modal
  ++dialogsUp;
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  ShowInFront(&dialog);
  if (dialog.isVisible()) loop.exec(QEventLoop::DialogExec);
  --dialogsUp;
  return dialog.result();
}

// ----------------------------------------------------------------- Popups

namespace {

// What a scripted popup shows, as the script records it.
PopupRecord Shown(PopupRecord::Kind kind, const QString& title, const QString& text,
                  const QStringList& visiblePanels) {
  PopupRecord record;
  record.kind = kind;
  record.title = title;
  record.text = text;
  record.visiblePanels = visiblePanels;
  return record;
}

}  // namespace

void Toolkit::MessagePopup(const QString& title, const QString& text) {
  if (popups_.Scripted()) {
    popups_.Record(Shown(PopupRecord::Kind::kMessage, title, text, d_->VisiblePanels()));
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, d_->DialogParent());
  box.setTextFormat(Qt::PlainText);  // blanks and line breaks exactly as given
  d_->RunDialog(box);
}

void Toolkit::NoticePopup(const QString& title, const QString& text) {
  if (popups_.Scripted()) {
    popups_.Record(Shown(PopupRecord::Kind::kMessage, title, text, d_->VisiblePanels()));
    return;
  }
  auto* box =
      new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, d_->DialogParent());
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}

int Toolkit::ConfirmPopup(const QString& title, const QString& text) {
  if (popups_.Scripted()) {
    PopupRecord record = Shown(PopupRecord::Kind::kConfirm, title, text, d_->VisiblePanels());
    int answer = 0;
    if (!popups_.TakeConfirm(&answer)) answer = 0;
    record.answer = answer != 0 ? 1 : 0;
    popups_.Record(record);
    return record.answer;
  }
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                  d_->DialogParent());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::No);
  d_->RunDialog(box);
  return box.clickedButton() == box.button(QMessageBox::Yes) ? 1 : 0;
}

namespace {

// "*.par;*.txt" -> "*.par *.txt"; filters in Qt's own form pass unchanged.
QString QtNameFilter(const QString& filter) {
  if (filter.contains(QLatin1Char('(')) || filter.contains(QLatin1String(";;"))) return filter;
  QString out = filter;
  return out.replace(QLatin1Char(';'), QLatin1Char(' '));
}

// The extension of the filter's first pattern ("*.par" -> "par"), if plain.
QString FilterSuffix(const QString& filter) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
  const QRegularExpressionMatch match = pattern.match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

// With the extension restricted, a name without the filter's gets it
// appended: "init" -> "init.dat", "data.txt" -> "data.txt.dat".
QString WithFilterSuffix(const QString& path, const QString& filter) {
  const QString suffix = FilterSuffix(filter);
  if (suffix.isEmpty() || QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0) {
    return path;
  }
  return path + QLatin1Char('.') + suffix;
}

}  // namespace

int Toolkit::FileSelectPopup(const QString& directory, const QString& defaultName,
                             const QString& filter, const QString& title,
                             const QString& buttonLabel, bool restrictDirectory,
                             bool restrictExtension, bool allowCancel, bool allowMakeDirectory,
                             QString* path) {
  if (popups_.Scripted()) {
    PopupRecord record = Shown(PopupRecord::Kind::kFile, title, defaultName, d_->VisiblePanels());
    record.directory = directory;
    record.filter = filter;
    int result = 0;
    QString chosen;
    if (!popups_.TakeFile(&result, &chosen)) result = 0;
    if (result != 0 && restrictExtension) {
      chosen = WithFilterSuffix(chosen, filter);
      result = QFileInfo::exists(chosen) ? 1 : 2;
    }
    record.answer = result;
    record.path = result == 0 ? QString() : chosen;
    if (path) *path = record.path;
    popups_.Record(record);
    return result;
  }
  // Cancelling is always possible: a user must never be trapped in a dialog.
  (void)allowCancel;
  // Options first: the dialog builds its own widgets when told not to be
  // native, and only then takes the directory and the name.
  QFileDialog dialog(d_->DialogParent(), title);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);  // an existing or a new file
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);  // the program asks itself
  dialog.setOption(QFileDialog::ReadOnly, !allowMakeDirectory);
  if (!buttonLabel.isEmpty()) dialog.setLabelText(QFileDialog::Accept, buttonLabel);
  if (!filter.isEmpty()) dialog.setNameFilter(QtNameFilter(filter));
  dialog.setDirectory(directory);
  if (!defaultName.isEmpty()) dialog.selectFile(defaultName);
  if (restrictDirectory) {
    const QString start = QDir(directory).absolutePath();
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                     [&dialog, start](const QString& entered) {
                       if (QDir(entered).absolutePath() != start) dialog.setDirectory(start);
                     });
  }
  if (path) path->clear();
  if (d_->RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
  QString chosen = dialog.selectedFiles().constFirst();
  if (restrictExtension) chosen = WithFilterSuffix(chosen, filter);
  if (path) *path = chosen;
  return QFileInfo::exists(chosen) ? 1 : 2;
}

}  // namespace tavix::ui
