// What a program remembers per user between runs, in Qt's settings store
// (on Linux ~/.config/Tavix/<program>.conf): the device that last answered a
// line check, the last directory of each file dialog, the main window's
// place.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

class QSettings;

namespace tavix::shell {

class SettingsStore {
 public:
  explicit SettingsStore(const QString& program);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  QString LastDevice() const;
  void SetLastDevice(const QString& device);
  // `dialog` names the dialog ("paramFile", "recordFile", "chart").
  QString LastDirectory(const QString& dialog) const;
  void SetLastDirectory(const QString& dialog, const QString& directory);
  QByteArray WindowGeometry() const;
  void SetWindowGeometry(const QByteArray& geometry);
  QString FileName() const;  // where the store lives

 private:
  std::unique_ptr<QSettings> settings_;
};

// Whether files can be made in `directory`: it is tried, so a read-only file
// system or missing rights count whoever the user is.
bool CanWriteIn(const QString& directory);

// Where a file dialog starts: the directory it was last left in while that
// still exists; before that the program's directory when the user can write
// there, otherwise the user's documents directory (or home).
QString DialogStartDirectory(const QString& last, const QString& programDir);

}  // namespace tavix::shell
