// The port line both programs' main panels show: the status display and,
// beside it, which device a port number opened or why it could not.
#pragma once

#include <cstdint>

#include <QString>

#include "link/link.h"
#include "link/texts.h"
#include "ui/toolkit.h"

namespace tavix::shell {

namespace texts {

// Help texts of the port line and the messages of a failed line check and
// a failed transaction, the same in both programs.
inline constexpr const char* InfoStatus = " Displays serial interface status messages.";
using link::texts::InfoTimeout;
inline constexpr const char* InfoEditConnect = " Select a serial COM-PORT.";
inline constexpr const char* InfoSelectPort =
    " The serial ports of this computer, each with its COM number, \n"
    " its device and, where known, its description, manufacturer \n"
    " and serial number. Choosing one connects to it as a new \n"
    " number in the COM field does. ";
using link::texts::InfoTimeoutVer;

}  // namespace texts

// Opens port `com` for the link. On failure the status display
// ("DispStatus") gets the documented message and "DispPortInfo" the reason;
// on success "DispPortInfo" names the device. True when the port is open.
bool OpenPortLine(ui::Toolkit& tk, int panel, link::Link& lnk, std::uint16_t com);

// The open port was lost: "DispPortInfo" says why.
void ShowPortLost(ui::Toolkit& tk, int panel, std::uint16_t com, const QString& reason);

}  // namespace tavix::shell
