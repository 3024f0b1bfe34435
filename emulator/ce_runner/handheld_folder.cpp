#include "handheld_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "device_ini.h"
#include "device_name.h"
#include "device_path_map.h"

namespace ce {
namespace {

char16_t Fold(char16_t c) { return static_cast<char16_t>(talv::FoldNameCase(c)); }

bool FoldedLess(const std::u16string& a, const std::u16string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (Fold(a[i]) != Fold(b[i])) return Fold(a[i]) < Fold(b[i]);
  }
  return a.size() < b.size();
}

// A host name as the handheld sees it; false for names it cannot hold (not UTF-8, or beyond ISO 8859-1).
bool HandheldNameOf(const std::string& hostName, std::u16string* out) {
  std::string latin1;
  bool notUtf8 = false;
  if (!talv::Latin1FromUtf8(hostName, &latin1, &notUtf8)) return false;
  *out = talv::WidenLatin1<char16_t>(latin1);
  return true;
}

bool IsLatin1(const std::u16string& name) {
  std::string narrow;
  return talv::NarrowLatin1(name.data(), name.size(), &narrow);
}

struct HostItem {
  std::string hostName;
  std::u16string name;
  struct stat info;
};

// The entries of a host folder the handheld can show: no "." / "..", no symbolic links (they lead outside
// root/), no names it cannot hold.
std::vector<HostItem> ReadHostFolder(const std::string& path) {
  std::vector<HostItem> items;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return items;
  while (const dirent* entry = readdir(dir)) {
    HostItem item;
    item.hostName = entry->d_name;
    if (item.hostName == "." || item.hostName == "..") continue;
    if (!HandheldNameOf(item.hostName, &item.name)) continue;
    if (lstat((path + "/" + item.hostName).c_str(), &item.info) != 0 || S_ISLNK(item.info.st_mode)) continue;
    items.push_back(item);
  }
  closedir(dir);
  return items;
}

uint64_t BytesUnder(const std::string& path, int depth) {
  if (depth > 64) return 0;
  uint64_t total = 0;
  for (const HostItem& item : ReadHostFolder(path)) {
    if (S_ISDIR(item.info.st_mode))
      total += BytesUnder(path + "/" + item.hostName, depth + 1);
    else if (S_ISREG(item.info.st_mode))
      total += static_cast<uint64_t>(item.info.st_size);
  }
  return total;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST; }

}  // namespace

bool SameNameNoCase(const std::u16string& a, const std::u16string& b) { return talv::SameNameNoCase(a, b); }

bool WildcardMatch(const std::u16string& pattern, const std::u16string& name) {
  if (pattern == u"*.*") return true;
  std::size_t p = 0, n = 0, star = std::u16string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (star != std::u16string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool HandheldFolder::Open(const std::string& folder, std::string* error) {
  std::ifstream ini(folder + "/device.ini", std::ios::binary);
  if (!ini) {
    *error = "no device.ini in the device folder " + folder;
    return false;
  }
  std::ostringstream bytes;
  bytes << ini.rdbuf();
  layout_ = emu::ReadDeviceLayout(emu::ParseIni(emu::DecodeIniText(bytes.str())));
  if (!layout_.unknownCpu.empty()) {
    *error = "device.ini: cpu=" + Utf8(std::u16string(layout_.unknownCpu.begin(), layout_.unknownCpu.end())) +
             " is neither armv4t nor armv5te";
    return false;
  }
  root_ = folder + "/root";
  if (!MakeFolder(root_)) {
    *error = "cannot create " + root_;
    return false;
  }
  for (const emu::Volume& volume : layout_.volumes) {
    // A volume name holds UTF-16 units in wchar_t, as Windows keeps them; the host folder is its UTF-8 form.
    MakeFolder(root_ + "/" + Utf8(std::u16string(volume.name.begin(), volume.name.end())));
  }
  used_.clear();
  return true;
}

uint32_t HandheldFolder::Resolve(const char16_t* devicePath, ResolvedPath* out) const {
  std::vector<std::u16string> components;
  if (const uint32_t error = emu::SplitDevicePath(devicePath, &components)) return error;
  ResolvedPath result;
  result.host = root_;
  result.exists = true;
  result.directory = true;
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::u16string& component = components[i];
    if (!IsLatin1(component)) return kErrorAccessDenied;
    const bool last = i + 1 == components.size();
    const HostItem* match = nullptr;
    const std::vector<HostItem> items = ReadHostFolder(result.host);
    for (const HostItem& item : items) {
      if (SameNameNoCase(item.name, component)) match = &item;
    }
    if (i == 0) {
      for (std::size_t v = 0; v < layout_.volumes.size(); ++v) {
        const std::wstring& name = layout_.volumes[v].name;
        if (SameNameNoCase(std::u16string(name.begin(), name.end()), component)) result.area = static_cast<int>(v);
      }
    }
    if (match == nullptr) {
      struct stat info;
      // A name the host holds but the handheld cannot show (a link) is not created over either.
      if (lstat((result.host + "/" + Utf8(component)).c_str(), &info) == 0) return kErrorAccessDenied;
      if (!last) return kErrorPathNotFound;
      result.host += "/" + Utf8(component);
      result.exists = false;
      result.directory = false;
      break;
    }
    result.host += "/" + match->hostName;
    result.directory = S_ISDIR(match->info.st_mode);
    if (!last && !result.directory) return kErrorPathNotFound;
  }
  *out = result;
  return 0;
}

std::vector<FolderEntry> HandheldFolder::List(const ResolvedPath& folder, bool isRoot) const {
  std::vector<FolderEntry> volumes(layout_.volumes.size()), others;
  std::vector<bool> present(layout_.volumes.size(), false);
  for (const HostItem& item : ReadHostFolder(folder.host)) {
    FolderEntry entry;
    entry.name = item.name;
    entry.directory = S_ISDIR(item.info.st_mode);
    entry.size = entry.directory ? 0 : static_cast<uint64_t>(item.info.st_size);
    entry.modifiedUnixSeconds = item.info.st_mtime;
    if (!entry.directory && !S_ISREG(item.info.st_mode)) continue;
    bool placed = false;
    for (std::size_t v = 0; isRoot && entry.directory && v < layout_.volumes.size() && !placed; ++v) {
      const std::wstring& name = layout_.volumes[v].name;
      if (!present[v] && SameNameNoCase(std::u16string(name.begin(), name.end()), entry.name)) {
        entry.volume = true;
        volumes[v] = entry;
        present[v] = placed = true;
      }
    }
    if (!placed) others.push_back(entry);
  }
  std::sort(others.begin(), others.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return FoldedLess(a.name, b.name); });
  std::vector<FolderEntry> ordered;
  for (std::size_t v = 0; v < volumes.size(); ++v) {
    if (present[v]) ordered.push_back(volumes[v]);
  }
  ordered.insert(ordered.end(), others.begin(), others.end());
  return ordered;
}

uint64_t HandheldFolder::UsedBytes(int area) {
  auto known = used_.find(area);
  if (known != used_.end()) return known->second;
  uint64_t used = 0;
  if (area != kMainStore) {
    const std::wstring& name = layout_.volumes[area].name;
    used = BytesUnder(root_ + "/" + Utf8(std::u16string(name.begin(), name.end())), 0);
  } else {
    ResolvedPath root;
    root.host = root_;
    for (const FolderEntry& entry : List(root, true)) {
      if (entry.volume) continue;
      used += entry.directory ? BytesUnder(root_ + "/" + Utf8(entry.name), 1) : entry.size;
    }
  }
  used_[area] = used;
  return used;
}

uint64_t HandheldFolder::FreeBytes(int area) {
  const uint64_t used = UsedBytes(area), capacity = Capacity(area);
  return used >= capacity ? 0 : capacity - used;
}

void HandheldFolder::Adjust(int area, int64_t delta) {
  UsedBytes(area);
  uint64_t& used = used_[area];
  used = delta < 0 && static_cast<uint64_t>(-delta) > used ? 0 : used + delta;
}

}  // namespace ce
