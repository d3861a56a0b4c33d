// Desktop automation over the accessibility bus while the live cycle polls:
// a client that looks for STOP in the whole tree and presses it is answered
// promptly. Runs on a real X server (Xvfb) in a session bus of its own, as
// its CTest entry arranges.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

// A client on a thread of its own, with a connection of its own: it finds
// the program on the bus, reads the name, role and children of every
// object of its tree, and presses the control named `target`, one blocking
// call at a time, as automation tools do.
class Client : public QThread {
 public:
  // `passes`: the polling passes so far (read on this thread).
  Client(QString target, std::function<int()> passes)
      : passes(std::move(passes)), target_(std::move(target)) {}

  const std::function<int()> passes;

  std::atomic<bool> go{false};  // the walk starts once this is set
  QString error;
  int calls = 0;             // of the walk
  double walkStart = 0.0;    // Timer() at its first call
  double walkSeconds = 0.0;  // from the first call to the press's answer
  int walkPasses = 0;        // polling passes when the walk ended
  double pressStart = 0.0;   // Timer() when the press was asked for

 protected:
  void run() override {
    // The session bus names the accessibility bus.
    const QDBusMessage where = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                       "GetAddress"),
        QDBus::Block, 5000);
    const QString address = where.arguments().value(0).toString();
    QDBusConnection bus = QDBusConnection::connectToBus(address, "client");
    if (!bus.isConnected()) {
      error = "no accessibility bus: " + bus.lastError().message();
      return;
    }
    // The program joins the bus once its event loop runs.
    const QString root = QStringLiteral("/org/a11y/atspi/accessible/root");
    QString app;
    for (const double until = Timer() + 20.0; app.isEmpty() && Timer() < until; msleep(20)) {
      app = FindProgram(bus, root);
    }
    if (app.isEmpty()) {
      error = "the program is not on the accessibility bus";
      return;
    }
    while (!go) msleep(5);
    calls = 0;
    walkStart = Timer();
    std::deque<QString> paths{root};
    QString found;
    while (!paths.empty()) {
      const QString path = paths.front();
      paths.pop_front();
      const QDBusMessage name =
          Call(bus, app, path, "org.freedesktop.DBus.Properties", "Get",
               {QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name")});
      Call(bus, app, path, "org.a11y.atspi.Accessible", "GetRole");
      if (name.type() == QDBusMessage::ReplyMessage && found.isEmpty() &&
          name.arguments().value(0).value<QDBusVariant>().variant().toString() == target_) {
        found = path;
      }
      const QDBusMessage children =
          Call(bus, app, path, "org.a11y.atspi.Accessible", "GetChildren");
      if (children.type() != QDBusMessage::ReplyMessage) continue;
      const QDBusArgument list = children.arguments().value(0).value<QDBusArgument>();
      list.beginArray();
      while (!list.atEnd()) {
        QString service;
        QDBusObjectPath child;
        list.beginStructure();
        list >> service >> child;
        list.endStructure();
        paths.push_back(child.path());
      }
      list.endArray();
    }
    if (!found.isEmpty()) {
      walkPasses = passes();
      pressStart = Timer();
      const QDBusMessage press =
          Call(bus, app, found, "org.a11y.atspi.Action", "DoAction", {QVariant(0)});
      walkSeconds = Timer() - walkStart;
      if (press.type() != QDBusMessage::ReplyMessage) error = "the press failed";
      return;
    }
    error = "no control named " + target_;
  }

 private:
  // The one connection besides this client and the registry whose root answers.
  QString FindProgram(QDBusConnection& bus, const QString& root) {
    const QString registry = bus.interface()->serviceOwner("org.a11y.atspi.Registry").value();
    for (const QString& name : bus.interface()->registeredServiceNames().value()) {
      if (!name.startsWith(':') || name == bus.baseService() || name == registry) continue;
      if (Call(bus, name, root, "org.a11y.atspi.Accessible", "GetChildren").type() ==
          QDBusMessage::ReplyMessage) {
        return name;
      }
    }
    return QString();
  }

  QDBusMessage Call(QDBusConnection& bus, const QString& service, const QString& path,
                    const char* interface, const char* method, const QVariantList& args = {}) {
    ++calls;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, 5000);
  }

  QString target_;
};

class ScopeAccess : public ScopeHarness {};

TEST_F(ScopeAccess, APressOfStopThroughTheAccessibilityBusEndsTheLiveCycleAtOnce) {
  if (qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) GTEST_SKIP() << "no session bus";
  StartSensor(/*pacing=*/true);  // passes as long as on the real line
  ASSERT_EQ(StartProgram(), 0);
  Client client("STOP", [this] { return DataRequests(); });
  client.start();
  int passesBefore = 0;
  After(300, [&] {
    passesBefore = DataRequests();
    client.go = true;
  });
  // A client that fails never presses STOP: the cycle is ended for it, so
  // that the test fails with the client's error instead of hanging.
  After(60000, [&] { scope->flags.poll = 0; });
  Click("ButtonGo");  // returns when the cycle has ended
  const double ended = Timer();
  while (!client.wait(10)) QCoreApplication::processEvents();  // the program answers on
  ASSERT_EQ(client.error.toStdString(), "");
  EXPECT_GT(client.calls, 300);  // the whole tree, not a shortcut
  // Many questions answered per polling pass (one each, the pass would
  // be the limit), and the cycle polled meanwhile.
  const int passes = client.walkPasses - passesBefore;
  EXPECT_GT(DataRequests(), passesBefore);
  EXPECT_LT(passes, client.calls / 20)
      << client.calls << " calls in " << client.walkSeconds << " s";
  EXPECT_LT(ended - client.pressStart, 0.5);  // the press ends the cycle at once
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace tavix::e2e
