// main() for suites that need a QApplication: real widgets on the offscreen
// platform unless the environment names another one. The programs' settings
// live in a configuration directory of the run's own, never the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  const QTemporaryDir config;
  // For programs the suites start as processes, and for this one.
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  // The documents directory, where file dialogs may start, is the run's too.
  QFile dirs(config.filePath("user-dirs.dirs"));
  if (dirs.open(QIODevice::WriteOnly)) {
    dirs.write("XDG_DOCUMENTS_DIR=\"" + config.path().toLocal8Bit() + "/Documents\"\n");
    dirs.close();
  }
  QApplication app(argc, argv);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
