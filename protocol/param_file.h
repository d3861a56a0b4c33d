// The parameter file: 171 lines, one word per line, right-aligned in a field
// of 5 characters. Reading accepts any blank space around the numbers but
// refuses anything that is not exactly 171 numbers within 0 to 65535.
#pragma once

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QString>

#include "protocol/params.h"

namespace tavix::protocol {

using ParamWords = std::array<std::uint16_t, anzpara>;

QByteArray FormatParamFile(const ParamWords& words);

// Parses a parameter file's content. On success returns true and fills
// `words`; otherwise returns false, leaves `words` alone and says what is
// wrong in `error`.
bool ParseParamFile(const QByteArray& content, ParamWords* words, QString* error);

// Reads and parses `path`; the error names the file's fault. Anything but a
// regular file (a FIFO, a device, a directory) is refused without opening it.
bool ReadParamFile(const QString& path, ParamWords* words, QString* error);

// Writes the whole file or nothing: an earlier file of that name stays as it
// was when writing fails.
bool WriteParamFile(const QString& path, const ParamWords& words, QString* error);

// Writes `content` as the whole file or nothing (through a temporary file
// that replaces it): an earlier file of that name stays as it was when
// writing fails, and `error` says why. The record file is written so too.
bool WriteFileWhole(const QString& path, const QByteArray& content, QString* error);

}  // namespace tavix::protocol
