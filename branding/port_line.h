// The port line both programs' main panels show: the status display and,
// beside it, which device a port number opened or why it could not.
#pragma once

#include <cstdint>

#include <QString>

#include "link/link.h"
#include "ui/toolkit.h"

namespace tavix::branding {

// Opens port `com` for the link. On failure the status display
// ("DispStatus") gets the documented message and "DispPortInfo" the reason;
// on success "DispPortInfo" names the device. True when the port is open.
bool OpenPortLine(ui::Toolkit& tk, int panel, link::Link& lnk, std::uint16_t com);

// The open port was lost: "DispPortInfo" says why.
void ShowPortLost(ui::Toolkit& tk, int panel, std::uint16_t com, const QString& reason);

}  // namespace tavix::branding
