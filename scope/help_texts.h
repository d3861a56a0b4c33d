// Help and message texts of the scope program, exactly as the program shows them.
#pragma once

#include "shell/port_line.h"

namespace tavix::scope::texts {

// The serial line's texts, the same in both programs.
using shell::texts::InfoEditConnect;
using shell::texts::InfoSelectPort;
using shell::texts::InfoStatus;
using shell::texts::InfoTimeout;
using shell::texts::InfoTimeoutVer;

inline constexpr const char* InfoSelectMEM =
    " Select the source respectively the target for the parameter transfer.";
inline constexpr const char* InfoButtonGo =
    " Starts data transfer (X, Y, INT, 20DEG, 60DEG, 80DEG, V-No:) from sensor to PC.              "
    "           \n"
    " The data are shown in the displays, DEG bars and in the graph.                        \n"
    " Shortcut Key: F11. ";
inline constexpr const char* InfoButtonStop =
    " Stops data transfer from sensor to PC.                        \n"
    " Shortcut Key: F12. ";
inline constexpr const char* InfoSelectSource = " Select a signal to be displayed in the graph.";
inline constexpr const char* InfoEditEvalmode = "See Manual.";
inline constexpr const char* InfoDispX =
    " Displays the 20 degree content of the currently arriving intensity at the receiver.          "
    "            \n"
    " Formula for calculation: X = (20DEG*4095)/(20DEG+60DEG+80DEG).";
inline constexpr const char* InfoDispY =
    " Displays the 60 degree content of the currently arriving intensity at the receiver.          "
    "            \n"
    " Formula for calculation: Y = (60DEG*4095)/(20DEG+60DEG+80DEG).";
inline constexpr const char* InfoDispINT =
    " Displays the intensity arriving at the receivers.                      \n"
    " Formula for calculation: INT = (20DEG+60DEG+80DEG)/3.";
inline constexpr const char* InfoDispRAW =
    " Displays the current intensity of 20DEG, 60DEG, 80DEG. ";
inline constexpr const char* InfoDispCOL =
    " Displays the currently detected vector number in accordance with the row                     "
    "   \n"
    " in the TEACH TABLE.";
inline constexpr const char* InfoDispGF =
    " Displays the current glossy factor.                       \n"
    " Double click opens a big display.                       \n"
    " Close the big display with a right mouse click.";
inline constexpr const char* InfoDispBars = " Displays the RAW values of 20DEG, 60DEG and 80DEG.";
inline constexpr const char* InfoGraph = " Displays a signal selected with SOURCE.";
inline constexpr const char* InfoGraphGF =
    " Displays the GLOSSY FACTOR. \n"
    " Left mouse double click on the Y-AXIS starts an auto zoom. \n"
    " Left mouse click scales the Y-AXIS fix.";
inline constexpr const char* InfoMaxColNo =
    " ATTENTION! \n"
    " \n"
    " MAXVEC-No. IS TOO HIGH \n"
    " DECREASE MAXVEC-No. OR SWITCH TO OUTMODE=BINARY";
inline constexpr const char* InfoButtonTeachDataTo =
    " Current measured values (X, Y, INT) are assigned to the                                  \n"
    " TEACH TABLE row selected in the No.: function field.";
inline constexpr const char* InfoButtonResetTable =
    " Reset the TEACH TABLE.                                 \n"
    " All cells are set to 1.";
inline constexpr const char* InfoEditMaxcolNo =
    " Select the number of vectors in the TEACH TABLE to be checked (beginning from row 0).        "
    "                     \n"
    " Aktive rows are labelled green, inaktive are labelled red.                             \n"
    " If OUTMODE = BINARY the maximum number of vectors to be checked is 15.                       "
    "      \n"
    " If OUTMODE = DIRECT HI or DIRECT LO the maximum number of vectors is 4.";
inline constexpr const char* InfoEditOutmode =
    " Select how to control the 4 digital outputs.                            \n"
    " BINARY   : If a vector (row 0-14 in the TEACH TABLE) is detected,                            "
    "\n"
    "            this vector is displayed in V-No: and is set binary to the digital outputs "
    "(OUT0-OUT3).                            \n"
    " DIRECT LO: The maximum number of vectors to be taught is 4.                            \n"
    "            If a vector (row 0-3 in the TEACH TABLE) is detected,                            "
    "\n"
    "            the special digital output is set to LO, all others are HI.                       "
    "     \n"
    " DIRECT HI: The maximum number of vectors to be taught is 4.                            \n"
    "            If a vector (row 0-3 in the TEACH TABLE) is detected,                            "
    "\n"
    "            the special digital output is set to HI, all others are LO.                       "
    "     \n"
    " If no vector is detected, V-No: is 255.";
inline constexpr const char* InfoButtonApplyFromAll =
    " Displays the graph with all the taught vectors in the TEACH TABLE                            "
    "       \n"
    " and the corresponding tolerance circles (radius = CTO).";
inline constexpr const char* InfoButtonZoom =
    " Zoom the graph with the taught vectors the corresponding                           \n"
    " tolerance circle and the current X/Y.                           \n"
    " Left mouse click stops data transfer (start again with ZOOM).                           \n"
    " Right mouse click closes the ZOOM GRAPH. ";
inline constexpr const char* InfoButtonAutoAdjust =
    " Starts an automatic adjustment of the circle tolerances (radius = CTO) up to MAXVEC-No.      "
    "                           \n"
    " The circles (CTO) can overlap, if an INT separation is granted.                              "
    "   \n"
    " Maximum adjusted CTO (radius) is 200.";
inline constexpr const char* InfoButtonOpenRecorder =
    " Open recorder to record 20DEG,60DEG,80DEG,X,Y,INT. ";
inline constexpr const char* InfoButtonCloseRecorder = " Close recorder and return to scope. ";
inline constexpr const char* InfoButtonStartRecord =
    " Start record.                                  \n"
    " Record 20DEG,60DEG,80DEG,X,Y and INT.";
inline constexpr const char* InfoButtonStopRecord = " Stop data record.";
inline constexpr const char* InfoEditInterval =
    " Choose a even interval for recording.                             \n"
    " Minimum interval is 1 second. ";
inline constexpr const char* InfoEditRecVal = " Choose how many Data should be recorded. ";
inline constexpr const char* InfoDispRecordTime =
    " Displays the time for recording                              \n"
    " when all VALUES will be recorded.";
inline constexpr const char* InfoDispRecordedValues =
    " Displays how many values are already recorded.";
inline constexpr const char* InfoDispRemaining = " Displays how many values remain to be recorded.";
inline constexpr const char* InfoGraphRecord =
    " Displays the values recorded so far against their number:          \n"
    " 20DEG, 60DEG, 80DEG and INT on the left axis, GF (tenths) on the right axis.";
inline constexpr const char* MsgNoRecordFile =
    "No filename was choosen! \n"
    "Recording will not be done! ";
inline constexpr const char* MsgRecordFileExists =
    "File already exist! \n"
    "Do you want to continue?";
inline constexpr const char* MsgRecordFileInUse =
    " Make sure, that the file is not opened by any other program."
    "                                    \n"
    " Otherwise it can not be saved.";
inline constexpr const char* MsgRecordFileSaved = "File has been saved!";
inline constexpr const char* InfoReferenz1 =
    " Make sure that the sensor shines \n"
    " on the reference target with glossy factor 100 percent! ";
inline constexpr const char* InfoSelectCalibPowerRef1 =
    " An automatic search for a proper power value for\n"
    " reference with glossy factor 100 percent will be startet! ";
inline constexpr const char* InfoCalibRef1Passed =
    " Calibration on reference 100 percent successful. \n"
    " Now push START CALIBRATION WITH REFERENCE 2! ";
inline constexpr const char* InfoCalibRef1Fail =
    " Calibration can not be done. \n"
    " No proper power value can be find. \n"
    " Make sure that sensor shines on the reference \n"
    " with glossy factor 100 percent. ";
inline constexpr const char* InfoReferenz2 =
    " Make sure that the sensor shines on the reference \n"
    " target with glossy factor less than 10 percent! ";
inline constexpr const char* InfoSelectCalibPowerRef2 =
    " An automatic search for a proper power value for\n"
    " glossy factors less than 10 percent will be startet! ";
inline constexpr const char* InfoCalibRef2Fail =
    " Calibration can not be done. \n"
    " No proper power value can be find. \n"
    " Make sure that sensor shines on the reference \n"
    " with glossy factor less than 10 percent. ";
inline constexpr const char* InfoCalibRef2Passed =
    " Calibration can be done. \n"
    " Push CONFIRM CALIBRATION to finish! ";
inline constexpr const char* InfoConfirmCalibration =
    " Are you sure, that you have selected \n"
    " the right CALIBRATION POWER? ";
inline constexpr const char* InfoCalibFailTimeout =
    " Communication failure! \n"
    " Calibration can not be done. ";
// Added to InfoCalibFailTimeout when order 10 went out but its read-back failed.
inline constexpr const char* InfoCalibUnverified =
    "\n The EEPROM of the sensor now holds calibration words that were not verified. \n"
    " Repeat the calibration, or GET a known parameter set from a file \n"
    " and SEND it to the EEPROM. ";
inline constexpr const char* InfoCalibrationPassed =
    " Calibration successful! \n"
    " Calibration factors were sent to the EEPROM of the sensor. \n"
    " Press CLOSE CALIBRATION to leave calibration scope. ";
inline constexpr const char* InfoButtonSend =
    " All the parameters of the PC-User-Interface are transferred to the sensor or to a selectable "
    "file.                           \n"
    " The target of the parameter transfer is determined by the select button (RAM, EEPROM, FILE). "
    "                          \n"
    " Shortcut Key: F9. ";
inline constexpr const char* InfoButtonGet =
    " Sensor or file parameters are transferred to the PC-User-Interface.                          "
    "\n"
    " The source of the parameter transfer is determined by the select button (RAM, EEPROM, FILE). "
    "                         \n"
    " Shortcut Key: F10. ";
inline constexpr const char* InfoEditPmod =
    " Select the operating mode of automatic power correction at the transmitter unit.             "
    "            \n"
    " STAT: Transmitter power is constantly kept at the POWER-SLIDER value.                        "
    " \n"
    " DYN : Transmitter power is dynamically tuned in accordance with the amount of radiation that "
    "                        \n"
    "       is diffusely reflected from the target. Sensor should not exceed the dynamic range.";
inline constexpr const char* InfoEditAverage =
    " Select the number of scanning values (measurement values) over which the raw signal is "
    "averaged.";
inline constexpr const char* InfoEditTrigger =
    " Select the trigger mode for the sensor.                            \n"
    " EXT : Detection is started through an external trigger.                            \n"
    " CONT: Continuous detection (no trigger event required).";
inline constexpr const char* InfoEditIntlim =
    " Select an intensity limit.                           \n"
    " Evaluation is stopped, if the current intensity INT falls below this limit.                  "
    "         \n"
    " ERROR STATE is output (V-No: = 255).";
inline constexpr const char* InfoEditHold =
    " Select the minimum pulse length when a digital output changes.";
inline constexpr const char* InfoEditNo =
    " Select the current number of a row in the TEACH TABLE for TEACH DATA TO.";
inline constexpr const char* InfoRadioInc = " Auto increment of Edit Field No.:";
inline constexpr const char* InfoEditPower =
    " Select the intensity of the transmitter LED.                          \n"
    " 0 = no intensity,  1000 = full intensity.";
inline constexpr const char* InfoSwitchPara = " Hide or show the TEACH TABLE.";
inline constexpr const char* InfoButtonCalibGf60Deg =
    " Button for calibration of channel 60DEG \n"
    " in case of EVALMODE = GF 60DEG. ";
inline constexpr const char* InfoButtonCloseCalib =
    " Close calibration panel and return to scope. ";
inline constexpr const char* InfoButtonStartCalibRef1 = " Starts calibration with Reference 1. ";
inline constexpr const char* InfoButtonStartCalibRef2 = " Starts calibration with Reference 2. ";
inline constexpr const char* InfoButtonConfirmCalib = " Confirm calibration. ";
inline constexpr const char* InfoDispCalib60DEG =
    " Displays the RAW value of 60DEG. \n"
    " Raw value must be within \n"
    " 3500 and 4000 for calibration.";

}  // namespace tavix::scope::texts
