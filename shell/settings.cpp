#include "shell/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace tavix::shell {

namespace {

const char* const kOrganization = "Tavix";
const char* const kLastDevice = "line/lastDevice";
const char* const kGeometry = "window/geometry";

QString DirectoryKey(const QString& dialog) {
  return QStringLiteral("dialogs/%1").arg(dialog);
}

}  // namespace

SettingsStore::SettingsStore(const QString& program)
    : settings_(std::make_unique<QSettings>(QString::fromLatin1(kOrganization), program)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::LastDevice() const {
  return settings_->value(kLastDevice).toString();
}

void SettingsStore::SetLastDevice(const QString& device) {
  settings_->setValue(kLastDevice, device);
  settings_->sync();
}

QString SettingsStore::LastDirectory(const QString& dialog) const {
  return settings_->value(DirectoryKey(dialog)).toString();
}

void SettingsStore::SetLastDirectory(const QString& dialog, const QString& directory) {
  settings_->setValue(DirectoryKey(dialog), directory);
  settings_->sync();
}

QByteArray SettingsStore::WindowGeometry() const {
  return settings_->value(kGeometry).toByteArray();
}

void SettingsStore::SetWindowGeometry(const QByteArray& geometry) {
  settings_->setValue(kGeometry, geometry);
  settings_->sync();
}

QString SettingsStore::FileName() const {
  return settings_->fileName();
}

bool CanWriteIn(const QString& directory) {
  if (directory.isEmpty() || !QFileInfo(directory).isDir()) return false;
  QTemporaryFile probe(QDir(directory).filePath(QStringLiteral(".tavix-write-XXXXXX")));
  return probe.open();
}

QString DialogStartDirectory(const QString& last, const QString& programDir) {
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  if (CanWriteIn(programDir)) return programDir;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QDir().mkpath(documents)) return documents;
  return QDir::homePath();
}

}  // namespace tavix::shell
