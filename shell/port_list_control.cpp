#include "shell/port_list_control.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace tavix::shell {

namespace {

// The item's tooltip: everything known of the port, one fact a line.
QString Details(const link::PortInfo& p) {
  QStringList lines{QStringLiteral("COM%1: %2").arg(p.number).arg(p.device)};
  if (!p.description.isEmpty()) lines << QStringLiteral("Description: ") + p.description;
  if (!p.manufacturer.isEmpty()) lines << QStringLiteral("Manufacturer: ") + p.manufacturer;
  if (!p.serialNumber.isEmpty()) lines << QStringLiteral("Serial number: ") + p.serialNumber;
  if (!p.stableName.isEmpty()) lines << QStringLiteral("Stable name: ") + p.stableName;
  if (p.fromEnvironment) lines << QStringLiteral("Named by TAVIX_COM%1").arg(p.number);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

PortListControl::PortListControl(std::function<bool()> idle) : idle_(std::move(idle)) {
  timer_.setInterval(kRefreshMs);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    if (!idle_ || idle_()) Refresh();
  });
}

void PortListControl::Attach(ui::Toolkit& tk, int panel) {
  combo_ = qobject_cast<QComboBox*>(tk.Control(panel, QStringLiteral("SelectPort")));
  if (combo_ == nullptr) return;
  combo_->installEventFilter(this);
  Refresh();
  timer_.start();
}

void PortListControl::Refresh() {
  if (combo_ == nullptr) return;
  ports_ = link::ListPorts();
  const QSignalBlocker block(combo_);
  combo_->clear();
  int width = 0;
  const QFontMetrics metrics(combo_->font());
  for (const link::PortInfo& p : ports_) {
    const QString text = link::Describe(p);
    combo_->addItem(text, p.number);
    combo_->setItemData(combo_->count() - 1, Details(p), Qt::ToolTipRole);
    width = std::max(width, metrics.horizontalAdvance(text));
  }
  if (ports_.empty()) {
    combo_->addItem(QStringLiteral("no serial port found"), 0);
  }
  // The open list is as wide as its longest line, the field keeps its size.
  combo_->view()->setMinimumWidth(width + 40);
  ShowCurrent(current_);
}

void PortListControl::ShowCurrent(int com) {
  current_ = com;
  if (combo_ == nullptr) return;
  const QSignalBlocker block(combo_);
  combo_->setCurrentIndex(combo_->findData(com));
}

int PortListControl::Chosen() const {
  return combo_ == nullptr || combo_->currentIndex() < 0 ? 0 : combo_->currentData().toInt();
}

bool PortListControl::eventFilter(QObject* watched, QEvent* event) {
  // Before the list opens (a click, or Alt+Down, F4, space), it is listed anew.
  bool opens = event->type() == QEvent::MouseButtonPress;
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    opens = key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space ||
            (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier));
  }
  if (opens && watched == combo_ && !combo_->view()->isVisible()) Refresh();
  return QObject::eventFilter(watched, event);
}

}  // namespace tavix::shell
