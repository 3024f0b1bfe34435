#include "device_ini.h"

#include <cwctype>

#include "portable_text.h"

namespace emu {
namespace {

std::wstring Trim(const std::wstring& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::wstring StripComment(const std::wstring& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == L';' && (i == 0 || line[i - 1] == L' ' || line[i - 1] == L'\t')) return line.substr(0, i);
  }
  return line;
}

bool EqualNoCase(const std::wstring& a, const wchar_t* b) { return EqualOrdinalNoCase(a, std::wstring(b)); }

}  // namespace

std::vector<IniSection> ParseIni(const std::wstring& text) {
  std::vector<IniSection> sections(1);
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == L'#' || line[0] == L';') continue;
    line = Trim(StripComment(line));
    if (line.empty()) continue;
    if (line[0] == L'[') {
      const std::size_t close = line.find(L']');
      if (close == std::wstring::npos) continue;
      IniSection section;
      section.name = Trim(line.substr(1, close - 1));
      sections.push_back(section);
      continue;
    }
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    sections.back().entries.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
  return sections;
}

const std::wstring* FindIniValue(const IniSection& section, const wchar_t* key) {
  for (const auto& entry : section.entries) {
    if (EqualNoCase(entry.first, key)) return &entry.second;
  }
  return nullptr;
}

std::wstring DecodeIniText(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(
          static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
  }
  std::size_t skip = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) skip = 3;
  const std::string body = bytes.substr(skip);
  if (body.empty()) return std::wstring();
  std::wstring text;
  if (DecodeUtf8Strict(body, &text)) return text;
  return DecodeAnsi(body);
}

}  // namespace emu
