// Help and message texts of the calibration program, exactly as the program shows them.
#pragma once

#include "shell/port_line.h"

namespace tavix::calib::texts {

// The serial line's texts, the same in both programs.
using shell::texts::InfoEditConnect;
using shell::texts::InfoSelectPort;
using shell::texts::InfoStatus;
using shell::texts::InfoTimeout;
using shell::texts::InfoTimeoutVer;

inline constexpr const char* InfoButtonGo =
    " Starts data transfer of RAW DATAS and CALIBRATED DATAS from sensor to PC.                    "
    "     \n"
    " The data are shown in the displays and in the bars.";
inline constexpr const char* InfoButtonStop = " Stops data transfer from sensor to PC.";
inline constexpr const char* InfoButtonStartCalib =
    " Start calibration.                                 \n"
    " Parameters for calibration will be send to sensor.                                 \n"
    " After calibration, default parameters will be send                                 \n"
    " to the EEPROM of the sensor.";
inline constexpr const char* InfoButtonCalcCF =
    " Calculate the calibration factors for 20DEG, 60DEG and 80DEG. ";
inline constexpr const char* InfoButtonSendCF =
    " Calibration factors for 20DEG,60DEG and 80DEG will be send to the EEPROM of the sensor.";
inline constexpr const char* InfoButtonGetCF =
    " Calibration factors for 20DEG,60DEG and 80DEG will be read from the sensor.";
inline constexpr const char* InfoButtonFinishCalib =
    " Finish calibration.                                  \n"
    " ATTENTION!                                  \n"
    " Default parameters will be send to the EEPROM of the sensor.                                 "
    " \n"
    " Calibration factors for 20DEG, 60DEG and 80DEG will be send to the EEPROM of the sensor. ";
inline constexpr const char* InfoEditPmod =
    " EDIT BOX PMOD:                         \n"
    " Select the operating mode of automatic power correction at the transmitter unit.             "
    "            \n"
    " STAT: Transmitter power is constantly kept at the POWER-EDIT value.                         "
    "\n"
    " DYN : Transmitter power is dynamically tuned in accordance with the amount of radiation that "
    "                        \n"
    "       is diffusely reflected from the target. Sensor should not exceed the dynamic range.";
inline constexpr const char* InfoEditPmodPower =
    " Notice!                              \n"
    " Calibration can be done with both modes PMOD=STAT and PMOD=DYN.                              "
    "\n"
    " \n"
    " PMOD=DYN, calibration makes the 20DEG, 60DEG and 80DEG bars even at any POWER-Value.         "
    "                     \n"
    " Transmitter power is dynamically tuned in accordance with the amount of radiation that       "
    "                       \n"
    " is diffusely reflected from the target. Sensor should not exceed the dynamic range.          "
    "                    \n"
    " \n"
    " PMOD=STAT, calibration brings 20DEG, 60DEG and 80DEG up to a setvalue at a certain "
    "POWER-Value.                              \n"
    " Transmitter power is constantly kept at the POWER-EDIT value. ";
inline constexpr const char* InfoEditPower =
    " EDIT BOX POWER:                          \n"
    " Select the intensity of the transmitter LED when PMOD=STAT.                          \n"
    " 0 = no intensity,  1000 = full intensity.";
inline constexpr const char* InfoEditCF = " Edit Box for the calibration factor. ";
inline constexpr const char* InfoEditSetValue =
    " If PMOD=STAT.                             \n"
    " Choose the setvalue for 20DEG, 60DEG and 80DEG. ";
inline constexpr const char* InfoEditMaxDelta =
    " Choose the maximum DELTA value of 20DEG, 60DEG and 80DEG. ";
inline constexpr const char* InfoEditMaxPow =
    " If PMOD=DYN.                           \n"
    " Transmitter power is dynamically tuned in accordance with the amount of radiation that       "
    "                    \n"
    " is diffusely reflected from the target. Sensor should not exceed the dynamic range.          "
    "                 \n"
    "  Choose a maximum POWER value for the transmitter LED.";
inline constexpr const char* InfoDispBarsRAW =
    " Displays the RAW values of 20DEG, 60DEG and 80DEG.";
inline constexpr const char* InfoDispBars =
    " Displays the calibrated values of 20DEG, 60DEG and 80DEG.                         \n"
    " Formula: CALIBRATED DATA = (RAW DATA * CF) / 1000 ";
inline constexpr const char* InfoDispPow =
    " Transmitter power is dynamically tuned in accordance with the amount of radiation that       "
    "                 \n"
    " is diffusely reflected from the target. Sensor should not exceed the dynamic range.          "
    "              \n"
    " This display shows the POWER value for the transmitter LED.";
inline constexpr const char* InfoWhiteTarget =
    " Make sure, that the sensor shines on the RIGHT target!                            \n"
    " Make sure, that you have selected the right PMOD.                            \n"
    " \n"
    " If PMOD=STAT:                            \n"
    " Select a proper POWER value. Then push START CALIBRATION.                            \n"
    " Repeat as long as the intensity for the RAW DATAS is NOT OK.";
inline constexpr const char* ConfirmCalculation =
    " Are you sure, that you have selected                               \n"
    " the right calibration parameters? ";
inline constexpr const char* InfoCalcDeclined =
    "Please insert the right values and press                            \n"
    " CALCULATE CALIBRATION FACTORS again.";
inline constexpr const char* MaximumDelta =
    " The maximum delta of the raw data of 20DEG, 60DEG and 80DEG is to high.                      "
    "   \n"
    " Calibration is not possible.                         \n"
    " Verify, that the sensor shines on the RIGHT target!                         \n"
    " Increase MAXIMUM DELTA OF RAW DATAS! ";
inline constexpr const char* MaximumPower =
    " The POWER for the transmitter LED is to high.                         \n"
    " Calibration is not possible.                         \n"
    " Verify, that the sensor shines on the RIGHT target!                         \n"
    " Increase MAXIMUM POWER VALUE! ";
inline constexpr const char* CFOutOfRange =
    " One of the calibration factor is out of range.                         \n"
    " Calibration is not possible.                         \n"
    " Verify, that the senor shines on the RIGHT target!                         \n"
    " Choose a proper POWER value. ";
inline constexpr const char* CalibrationPassed =
    " Calibration successful!                              \n"
    " Calibration factors will be sent to the EEPROM of the sensor.                              \n"
    " GO mode will be activated.                              \n"
    " Press FINISH CALIBRATION to leave calibration scope. ";

// Texts of our own: the displays of the spread, and the workflow's results.
inline constexpr const char* InfoDispDeltaRaw =
    " Displays the DELTA of the RAW values: the largest minus the smallest of 20DEG, 60DEG and "
    "80DEG.";
inline constexpr const char* InfoDispDeltaCalib =
    " Displays the DELTA of the calibrated values: the largest minus the smallest of 20DEG, 60DEG "
    "and 80DEG.";
inline constexpr const char* CalibrationFailed = "CALIBRATION FAILED!";
// Asked by SEND and FINISH CALIBRATION before factors that were neither
// read nor calculated go to the EEPROM; %1 to %3 are the three fields.
inline constexpr const char* ConfirmUnknownFactors =
    " The calibration factors were neither read from the sensor \n"
    " nor calculated since the program started: \n"
    " 20DEG = %1,  60DEG = %2,  80DEG = %3 \n"
    " Send them to the EEPROM of the sensor? ";

}  // namespace tavix::calib::texts
