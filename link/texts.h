// The programs' texts for a failed line check and a failed transaction. They
// need no widgets: the windowed programs show them in boxes, the
// command-line tool on standard error.
#pragma once

namespace tavix::link::texts {

inline constexpr const char* InfoTimeout =
    " ATTENTION! \n"
    " \n"
    " TIMEOUT \n"
    " NO SERIAL CONNECTION TO SENSOR.";
inline constexpr const char* InfoTimeoutVer =
    " ATTENTION! \n"
    " \n"
    " TIMEOUT \n"
    " NO SERIAL CONNECTION TO SENSOR.                           \n"
    " The version of the sensor is displayed as the name of this dialog box.";

}  // namespace tavix::link::texts
