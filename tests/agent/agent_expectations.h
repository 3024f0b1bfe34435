// Expected bytes of the agent's files, shared by the tests against the in-memory handheld and those that run
// the real program on the emulated one.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace agent_test {

inline const std::string kTalveniaIni =
    "[Launcher]\r\n"
    "view_name=Talvenia 2016\r\n"
    "exe_path=\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016\\Talvenia.exe\r\n";

inline const std::string kFendroIni =
    "[Launcher]\r\n"
    "view_name=OSTREL Field\r\n"
    "exe_path=\\ROMDisk\\PROGRAM\\Ostrel\\OstrelField\\OstrelField.exe\r\n";

// One storage report record built independently of the agent: ASCII name, zero units up to byte 519, then
// the little-endian double.
inline std::string ReportRecord(const std::string& asciiName, double megabytes) {
  std::string record(528, '\0');
  for (std::size_t i = 0; i < asciiName.size(); ++i) record[2 * i] = asciiName[i];
  std::uint64_t bits;
  std::memcpy(&bits, &megabytes, 8);
  for (int i = 0; i < 8; ++i) record[520 + i] = static_cast<char>(bits >> (8 * i));
  return record;
}

inline std::string Hex(const std::string& bytes, std::size_t limit = 64) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
    out += ' ';
  }
  if (bytes.size() > limit) out += "...";
  return out;
}

}  // namespace agent_test
