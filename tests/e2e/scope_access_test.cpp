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
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>
#include <set>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

// What the client did.
struct Walk {
  std::atomic<bool> go{false};    // the walk starts once this is set
  std::atomic<bool> stop{false};  // and is called off once this is
  int calls = 0;                  // of the walk
  int passes = 0;                 // polling passes when the walk ended
  double pressStart = 0.0;        // Timer() when the press was asked for
};

// A client with a connection of its own: it finds the program on the bus,
// reads the name, role and children of every object of its tree, and
// presses the control named `target`, one blocking call at a time, as
// automation tools do. `passes` gives the polling passes so far. Returns
// what went wrong, or nothing.
QString WalkAndPress(const QString& target, const std::function<int()>& passes, Walk& walk) {
  // The session bus names the accessibility bus.
  const QDBusMessage where = QDBusConnection::sessionBus().call(
      QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"),
      QDBus::Block, 5000);
  QDBusConnection bus =
      QDBusConnection::connectToBus(where.arguments().value(0).toString(), "client");
  if (!bus.isConnected()) return "no accessibility bus: " + bus.lastError().message();
  const auto call = [&](const QString& service, const QString& path, const char* interface,
                        const char* method, const QVariantList& args = {}) {
    ++walk.calls;
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, 5000);
  };
  const auto replied = [](const QDBusMessage& m) { return m.type() == QDBusMessage::ReplyMessage; };
  // The program joins the bus once its event loop runs: the one connection
  // besides this client and the registry whose root answers. Until the
  // registry has its name it cannot be told apart, and its root, which
  // lists the programs' roots, would be taken for the program's.
  const QString root = QStringLiteral("/org/a11y/atspi/accessible/root");
  QString app;
  for (const double until = Timer() + 20.0; app.isEmpty() && Timer() < until; QThread::msleep(20)) {
    const QString registry = bus.interface()->serviceOwner("org.a11y.atspi.Registry").value();
    if (registry.isEmpty()) continue;
    for (const QString& name : bus.interface()->registeredServiceNames().value()) {
      if (app.isEmpty() && name.startsWith(':') && name != bus.baseService() && name != registry &&
          replied(call(name, root, "org.a11y.atspi.Accessible", "GetChildren")))
        app = name;
    }
  }
  if (app.isEmpty()) return "the program is not on the accessibility bus";
  while (!walk.go) QThread::msleep(5);
  walk.calls = 0;
  // Each object is asked once, and the walk has a time limit, so that a
  // tree that names an object twice, or that changes under the walk, ends
  // it with an error instead of keeping it going.
  QString found;
  std::set<QString> seen{root};
  const double walkEnd = Timer() + 30.0;
  for (std::deque<QString> paths{root}; !paths.empty(); paths.pop_front()) {
    if (Timer() > walkEnd || walk.stop)
      return QString("the walk did not end: %1 calls").arg(walk.calls);
    const QString path = paths.front();
    const QDBusMessage name =
        call(app, path, "org.freedesktop.DBus.Properties", "Get",
             {QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name")});
    call(app, path, "org.a11y.atspi.Accessible", "GetRole");
    if (replied(name) && found.isEmpty() &&
        name.arguments().value(0).value<QDBusVariant>().variant().toString() == target)
      found = path;
    const QDBusMessage children = call(app, path, "org.a11y.atspi.Accessible", "GetChildren");
    if (!replied(children)) continue;
    const QDBusArgument list = children.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
      QString service;
      QDBusObjectPath child;
      list.beginStructure();
      list >> service >> child;
      list.endStructure();
      if (service == app && seen.insert(child.path()).second) paths.push_back(child.path());
    }
    list.endArray();
  }
  if (found.isEmpty()) return "no control named " + target;
  walk.passes = passes();
  walk.pressStart = Timer();
  const bool pressed =
      replied(call(app, found, "org.a11y.atspi.Action", "DoAction", {QVariant(0)}));
  return pressed ? "" : "the press failed";
}

class ScopeAccess : public ScopeHarness {};

TEST_F(ScopeAccess, APressOfStopThroughTheAccessibilityBusEndsTheLiveCycleAtOnce) {
  if (qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) GTEST_SKIP() << "no session bus";
  StartSensor(/*pacing=*/true);  // passes as long as on the real line
  ASSERT_EQ(StartProgram(), 0);
  Walk walk;
  QString error;
  const auto passes = [this] { return DataRequests(); };
  const std::unique_ptr<QThread> client(
      QThread::create([&] { error = WalkAndPress("STOP", passes, walk); }));
  client->start();
  int passesBefore = 0;
  After(300, [&] {
    passesBefore = DataRequests();
    walk.go = true;
  });
  // A client that fails never presses STOP: the cycle is ended for it, so
  // that the test fails with the client's error instead of hanging.
  After(60000, [&] { scope->flags.poll = 0; });
  Click("ButtonGo");  // returns when the cycle has ended
  const double ended = Timer();
  // The program answers on; a client stuck past its own limits is called off.
  for (const double until = Timer() + 45.0; !client->wait(10);) {
    QCoreApplication::processEvents();
    walk.stop = walk.stop || Timer() > until;
  }
  ASSERT_EQ(error.toStdString(), "");
  EXPECT_GT(walk.calls, 300);  // the whole tree, not a shortcut
  // Many questions answered per polling pass (one each, the pass would
  // be the limit), and the cycle polled meanwhile.
  EXPECT_GT(DataRequests(), passesBefore);
  EXPECT_LT(walk.passes - passesBefore, walk.calls / 20) << walk.calls << " calls";
  EXPECT_LT(ended - walk.pressStart, 0.5);  // the press ends the cycle at once
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace tavix::e2e
