// A package can name any device path, and a vendor tries untrusted packages on the emulated handheld: every
// path the emulator accepts must land inside the device folder's root\, and the host must read it as it stands.
// The input is taken twice: as the installer's narrow device path (through its ISO 8859-1 conversion) and as
// raw UTF-16 code units, as any caller of RAPI.dll may pass them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device_path.h"
#include "device_path_map.h"

namespace {

const std::u16string kFolder = u"C:\\devices\\handheld";
const std::u16string kRoot = kFolder + u"\\root";

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// The host's own reading of a name: what it would take for a device (NUL, COM1, ... with any extension,
// blanks before the dot ignored).
bool HostDeviceName(const std::u16string& name) {
  std::u16string stem;
  for (char16_t c : name.substr(0, name.find(u'.'))) stem.push_back(Upper(c));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
         ((stem[3] >= u'0' && stem[3] <= u'9') || stem[3] == 0xB9 || stem[3] == 0xB2 || stem[3] == 0xB3);
}

// How Win32 resolves a path: both slashes separate, "." stays, ".." climbs, a name loses its trailing dots and
// blanks. Returns the components below kRoot, or false when the path leaves kRoot (or was not below it).
bool ResolveBelowRoot(const std::u16string& host, std::vector<std::u16string>* below) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (std::size_t i = 0; i <= host.size(); ++i) {
    if (i < host.size() && host[i] != u'\\' && host[i] != u'/') {
      current.push_back(host[i]);
      continue;
    }
    while (!current.empty() && (current.back() == u'.' || current.back() == u' ')) {
      if (current == u"." || current == u"..") break;
      current.pop_back();
    }
    if (current == u"..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else if (!current.empty() && current != u".") {
      parts.push_back(current);
    }
    current.clear();
  }
  const std::vector<std::u16string> root = {u"C:", u"devices", u"handheld", u"root"};
  if (parts.size() < root.size()) return false;
  for (std::size_t i = 0; i < root.size(); ++i)
    if (parts[i] != root[i]) return false;
  below->assign(parts.begin() + static_cast<std::ptrdiff_t>(root.size()), parts.end());
  return true;
}

void Check(const char16_t* devicePath) {
  std::u16string host;
  if (emu::MapDevicePath(kFolder, devicePath, &host) != 0) return;
  // The mapped path is root\ plus its components, and Win32 reads exactly those components back.
  if (host.compare(0, kRoot.size(), kRoot) != 0) abort();
  const std::u16string rest = host.substr(kRoot.size());
  std::vector<std::u16string> written;
  for (std::size_t at = 0; at < rest.size();) {
    if (rest[at] != u'\\') abort();
    const std::size_t next = rest.find(u'\\', at + 1);
    written.push_back(rest.substr(at + 1, next == std::u16string::npos ? std::u16string::npos : next - at - 1));
    at = next == std::u16string::npos ? rest.size() : next;
  }
  std::vector<std::u16string> resolved;
  if (!ResolveBelowRoot(host, &resolved) || resolved != written) abort();
  for (const std::u16string& name : written) {
    if (name.empty() || HostDeviceName(name)) abort();
    for (char16_t c : name)
      if (c < 0x20 || std::u16string(u":*?\"<>|/").find(c) != std::u16string::npos) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string narrow(reinterpret_cast<const char*>(data), size);
  std::u16string converted;
  if (talv::DevicePathToUtf16(narrow, &converted)) Check(converted.c_str());

  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  Check(units.c_str());
  return 0;
}
