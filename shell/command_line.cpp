#include "shell/command_line.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

namespace tavix::shell {

namespace {

const char* const kPortOption = "port";
const char* const kLogOption = "log";

void Describe(QCommandLineParser& parser, const ProgramId& id) {
  parser.setApplicationDescription(QString::fromUtf8(id.description));
  // "-platform offscreen" and Qt's other single-dash options are Qt's, not
  // a bundle of one-letter options.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({kPortOption,
                    QStringLiteral("Port 1 is DEVICE (for example /dev/ttyUSB0 or a simulator's "
                                   "pseudo-terminal) instead of the first serial port listed."),
                    QStringLiteral("DEVICE")});
  parser.addOption({kLogOption,
                    QStringLiteral("Write every frame sent and every answer received, failures, "
                                   "settle waits and port changes to FILE (kept below 4 MiB; "
                                   "the older part goes to FILE.1)."),
                    QStringLiteral("FILE")});
}

void Name(QCoreApplication& app, const ProgramId& id) {
  app.setApplicationName(QString::fromUtf8(id.name));
  app.setApplicationVersion(QStringLiteral(TAVIX_VERSION));
}

// While the application object is made. Qt ends a start without a display
// with a fatal message and an abort; the program ends with -1
// instead, saying so in one line. The platform plugin's warnings that lead there are dropped; any
// other message is written as Qt writes it.
void QuietWithoutDisplay(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s: no display could be opened (DISPLAY or QT_QPA_PLATFORM)\n",
                 qUtf8Printable(QCoreApplication::applicationName()));
    std::_Exit(-1);
  }
  if (QLatin1String(context.category).startsWith(QLatin1String("qt.qpa"))) return;
  std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

}  // namespace

std::unique_ptr<QApplication> OpenDisplay(int& argc, char** argv, const ProgramId& id) {
  QCoreApplication::setApplicationName(QString::fromUtf8(id.name));  // for the failure line
  const QtMessageHandler before = qInstallMessageHandler(QuietWithoutDisplay);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(before);
  return app;
}

std::optional<int> AnswerWithoutDisplay(int argc, char** argv, const ProgramId& id) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser look;
  Describe(look, id);
  look.parse(arguments);  // options Qt's GUI takes are unknown here, and that is fine
  if (!look.isSet(QStringLiteral("help")) && !look.isSet(QStringLiteral("version"))) {
    return std::nullopt;
  }
  QCoreApplication core(argc, argv);
  Name(core, id);
  QCommandLineParser parser;
  Describe(parser, id);
  parser.process(core);  // prints the help or the version and ends the program
  return 0;
}

Options ApplyCommandLine(QApplication& app, const ProgramId& id) {
  Name(app, id);
  QGuiApplication::setDesktopFileName(QString::fromUtf8(id.desktopFile));
  QCommandLineParser parser;
  Describe(parser, id);
  parser.process(app);
  if (parser.isSet(kPortOption)) {
    // Port number 1 maps to the device named by TAVIX_COM1.
    qputenv("TAVIX_COM1", parser.value(kPortOption).toLocal8Bit());
  }
  Options options;
  options.logFile = parser.value(kLogOption);
  return options;
}

}  // namespace tavix::shell
