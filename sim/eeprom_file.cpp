#include "sim/eeprom_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavix::sim {
namespace {

constexpr const char* kMagic = "tavix-sensor-eeprom";
constexpr const char* kFormatVersion = "1";

// A token as an error message quotes it: a huge one only by its start.
std::string Quote(const std::string& token) {
  constexpr std::size_t kShown = 20;
  return "'" + token.substr(0, kShown) + (token.size() > kShown ? "...'" : "'");
}

bool ReadWord(std::istringstream& in, const char* what, int index, std::uint16_t* out,
              std::string* error) {
  std::string token;
  if (!(in >> token)) {
    *error = std::string("file ends before ") + what + " " + std::to_string(index);
    return false;
  }
  // Decimal digits only: strtoul would also take a sign, and would stop at a
  // NUL byte inside the token.
  const bool digits =
      std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
  errno = 0;
  const unsigned long v = digits ? std::strtoul(token.c_str(), nullptr, 10) : 0;
  if (!digits || errno != 0 || v > 65535) {
    *error = std::string("bad ") + what + " " + std::to_string(index) + ": " + Quote(token);
    return false;
  }
  *out = static_cast<std::uint16_t>(v);
  return true;
}

bool Expect(std::istringstream& in, const char* word, std::string* error) {
  std::string token;
  if (!(in >> token) || token != word) {
    *error =
        std::string("expected '") + word + "'" + (token.empty() ? "" : ", got " + Quote(token));
    return false;
  }
  return true;
}

}  // namespace

std::string FormatEepromFile(const SensorModel& model) {
  std::ostringstream out;
  out << kMagic << ' ' << kFormatVersion << '\n' << "eeprom";
  for (int i = 0; i < kBlockWords; ++i) out << (i % 16 == 0 ? "\n" : " ") << model.eeprom[i];
  out << "\nfactors " << model.factors[0] << ' ' << model.factors[1] << ' ' << model.factors[2]
      << '\n';
  return out.str();
}

bool ParseEepromFile(const std::string& text, SensorModel* model, std::string* error) {
  std::string dummy;
  std::string& err = error ? *error : dummy;
  std::istringstream in(text);
  std::array<std::uint16_t, kBlockWords> eeprom{};
  std::array<std::uint16_t, 3> factors{};
  if (!Expect(in, kMagic, &err) || !Expect(in, kFormatVersion, &err) ||
      !Expect(in, "eeprom", &err)) {
    return false;
  }
  for (int i = 0; i < kBlockWords; ++i) {
    if (!ReadWord(in, "word", i, &eeprom[i], &err)) return false;
  }
  if (!Expect(in, "factors", &err)) return false;
  for (int i = 0; i < 3; ++i) {
    if (!ReadWord(in, "factor", i, &factors[i], &err)) return false;
  }
  std::string rest;
  if (in >> rest) {
    err = "unexpected text after the factors: " + Quote(rest);
    return false;
  }
  model->eeprom = eeprom;
  model->factors = factors;
  return true;
}

bool LoadEepromFile(const std::string& path, SensorModel* model, bool* found, std::string* error) {
  *found = false;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    if (!ec) return true;
    if (error) *error = path + ": " + ec.message();
    return false;
  }
  *found = true;
  std::ifstream file(path);
  if (!file) {
    if (error) *error = path + ": cannot open for reading";
    return false;
  }
  std::stringstream text;
  text << file.rdbuf();
  std::string why;
  if (!ParseEepromFile(text.str(), model, &why)) {
    if (error) *error = path + ": not a sensor EEPROM file: " + why;
    return false;
  }
  return true;
}

bool SaveEepromFile(const std::string& path, const SensorModel& model, std::string* error) {
  const std::string temp = path + ".tmp";
  const std::string text = FormatEepromFile(model);
  std::FILE* f = std::fopen(temp.c_str(), "w");
  bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int savedErrno = errno;
  if (f != nullptr && std::fclose(f) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    if (f != nullptr) std::remove(temp.c_str());
    if (error) *error = "cannot save " + path + ": " + std::strerror(savedErrno);
  }
  return ok;
}

}  // namespace tavix::sim
