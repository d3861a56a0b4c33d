// The port list beside the COM field (the ring "SelectPort"): every port
// number that stands for a device, as link::ListPorts numbers them, with the
// device path and what the system knows of it. It follows adapters plugged
// in and out: it is listed anew when the user opens it and, while the
// program is idle (no loop and so no transaction runs), every two seconds.
#pragma once

#include <functional>
#include <vector>

#include <QObject>
#include <QTimer>

#include "link/port_list.h"
#include "ui/toolkit.h"

class QComboBox;

namespace tavix::shell {

class PortListControl final : public QObject {
 public:
  static constexpr int kRefreshMs = 2000;

  // `idle`: whether the program may list the ports now.
  explicit PortListControl(std::function<bool()> idle);

  // Takes the ring "SelectPort" of `panel` (nothing happens when the layout
  // has none) and lists the ports.
  void Attach(ui::Toolkit& tk, int panel);
  // Lists the ports anew; port `com` stays the selected item.
  void Refresh();
  // Selects the item of port `com` (none when the list lacks it).
  void ShowCurrent(int com);
  // The port number of the selected item; 0 when none.
  int Chosen() const;
  const std::vector<link::PortInfo>& Ports() const { return ports_; }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;

  std::function<bool()> idle_;
  QComboBox* combo_ = nullptr;
  QTimer timer_;
  std::vector<link::PortInfo> ports_;
  int current_ = 0;
};

}  // namespace tavix::shell
