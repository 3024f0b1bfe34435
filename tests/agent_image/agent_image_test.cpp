// The ARM Windows CE device agent (device_agent/wince/) as a Windows CE loader sees it: its headers, its
// imports and its icon, read from the built file's bytes. Each failure names the field and what was expected.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The file, read bounds-checked: a read past its end throws, and gtest reports the message.
class ImageFile {
 public:
  explicit ImageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path + " (is talv_device_agent_wince built?)");
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::size_t size() const { return bytes_.size(); }
  std::uint32_t U8(std::size_t at) const { return Byte(at); }
  std::uint32_t U16(std::size_t at) const { return Byte(at) | Byte(at + 1) << 8; }
  std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
  std::string Text(std::size_t at) const {  // zero-terminated
    std::string text;
    for (char c; (c = static_cast<char>(Byte(at))) != 0; ++at) text += c;
    return text;
  }

 private:
  std::uint32_t Byte(std::size_t at) const {
    if (at >= bytes_.size()) {
      throw std::out_of_range("read at file offset " + std::to_string(at) + " past the end of the file (" +
                              std::to_string(bytes_.size()) + " bytes)");
    }
    return bytes_[at];
  }
  std::vector<unsigned char> bytes_;
};

std::string Hex(std::uint32_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << std::uppercase << value;
  return text.str();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

struct Section {
  std::string name;
  std::uint32_t virtualSize, virtualAddress, rawSize, rawOffset, characteristics;
};

// The PE headers' positions, the sections and the mapping from RVAs to file offsets.
class PeImage {
 public:
  explicit PeImage(const ImageFile& file) : file_(file) {
    if (file.U16(0) != 0x5A4D) throw std::runtime_error("no MZ signature at offset 0");
    nt_ = file.U32(0x3C);
    if (file.U32(nt_) != 0x4550) throw std::runtime_error("no PE signature at e_lfanew " + Hex(nt_));
    coff_ = nt_ + 4;
    optional_ = coff_ + 20;
    const std::size_t table = optional_ + file.U16(coff_ + 16);
    for (std::uint32_t i = 0; i < file.U16(coff_ + 2); ++i) {
      const std::size_t at = table + 40 * i;
      std::string name;
      for (std::size_t c = 0; c < 8 && file.U8(at + c) != 0; ++c) name += static_cast<char>(file.U8(at + c));
      sections_.push_back(
          {name, file.U32(at + 8), file.U32(at + 12), file.U32(at + 16), file.U32(at + 20), file.U32(at + 36)});
    }
  }
  std::size_t nt() const { return nt_; }
  std::size_t coff() const { return coff_; }
  std::size_t optional() const { return optional_; }
  const std::vector<Section>& sections() const { return sections_; }
  std::uint32_t DirectoryRva(int index) const { return file_.U32(optional_ + 96 + 8 * index); }
  std::uint32_t DirectorySize(int index) const { return file_.U32(optional_ + 100 + 8 * index); }

  const Section* SectionOf(std::uint32_t rva) const {
    for (const Section& s : sections_) {
      if (rva >= s.virtualAddress && rva < s.virtualAddress + std::max(s.virtualSize, s.rawSize)) return &s;
    }
    return nullptr;
  }
  // File offset of an RVA: in a section's raw data, or in the headers.
  std::size_t At(std::uint32_t rva) const {
    if (const Section* s = SectionOf(rva)) {
      if (rva - s->virtualAddress >= s->rawSize) throw std::out_of_range("RVA " + Hex(rva) + " has no file data");
      return s->rawOffset + (rva - s->virtualAddress);
    }
    if (rva < file_.U32(optional_ + 60)) return rva;  // SizeOfHeaders
    throw std::out_of_range("RVA " + Hex(rva) + " lies in no section");
  }

 private:
  const ImageFile& file_;
  std::size_t nt_ = 0, coff_ = 0, optional_ = 0;
  std::vector<Section> sections_;
};

class AgentImage : public ::testing::Test {
 protected:
  AgentImage() : file_(TALV_AGENT_WINCE_EXE), pe_(file_) {}
  ImageFile file_;
  PeImage pe_;
};

TEST_F(AgentImage, HeadersAreThoseOfAnArmWindowsCeGuiProgram) {
  // Optional header offsets (PE32): 0 Magic, 40/42 OS version, 48/50 subsystem version, 68 Subsystem,
  // 92 NumberOfRvaAndSizes, 96 + 8 * n data directory n.
  struct Field {
    const char* what;
    std::size_t offset;
    int width;
    std::uint32_t mask;  // the bits compared: all, or the flags that must be set
    std::uint32_t expected;
  };
  const std::size_t c = pe_.coff(), o = pe_.optional();
  const Field fields[] = {
      {"Machine (IMAGE_FILE_MACHINE_ARM, not 0x1C4 Thumb)", c + 0, 2, 0xFFFF, 0x1C0},
      {"Characteristics: IMAGE_FILE_EXECUTABLE_IMAGE", c + 18, 2, 0x0002, 0x0002},
      {"Characteristics: IMAGE_FILE_RELOCS_STRIPPED", c + 18, 2, 0x0001, 0x0001},
      {"SizeOfOptionalHeader (the full header: CE reads sections at e_lfanew + 0xF8)", c + 16, 2, 0xFFFF, 0xE0},
      {"optional header Magic (PE32)", o + 0, 2, 0xFFFF, 0x10B},
      {"MajorOperatingSystemVersion", o + 40, 2, 0xFFFF, 4},
      {"MinorOperatingSystemVersion", o + 42, 2, 0xFFFF, 20},
      {"MajorSubsystemVersion", o + 48, 2, 0xFFFF, 4},
      {"MinorSubsystemVersion", o + 50, 2, 0xFFFF, 20},
      {"Subsystem (IMAGE_SUBSYSTEM_WINDOWS_CE_GUI)", o + 68, 2, 0xFFFF, 9},
      {"NumberOfRvaAndSizes", o + 92, 4, 0xFFFFFFFF, 16},
      {"CLR directory RVA (must be zero for Windows CE)", o + 96 + 8 * 14, 4, 0xFFFFFFFF, 0},
      {"CLR directory size", o + 100 + 8 * 14, 4, 0xFFFFFFFF, 0},
      {"base relocation directory RVA (none: relocations stripped)", o + 96 + 8 * 5, 4, 0xFFFFFFFF, 0},
      {"TLS directory RVA (none)", o + 96 + 8 * 9, 4, 0xFFFFFFFF, 0},
  };
  for (const Field& f : fields) {
    const std::uint32_t value = f.width == 2 ? file_.U16(f.offset) : file_.U32(f.offset);
    EXPECT_EQ(value & f.mask, f.expected) << f.what << ": read " << Hex(value) << " at file offset " << Hex(f.offset);
  }
  EXPECT_EQ(pe_.nt() + 0xF8, pe_.optional() + file_.U16(c + 16)) << "section table not at e_lfanew + 0xF8";
}

TEST_F(AgentImage, ImageLiesAtAFixedBaseWithPageAlignedSectionsInsideIt) {
  const std::size_t o = pe_.optional();
  const std::uint32_t imageBase = file_.U32(o + 28), sectionAlignment = file_.U32(o + 32),
                      fileAlignment = file_.U32(o + 36), sizeOfImage = file_.U32(o + 56), entry = file_.U32(o + 16);
  EXPECT_GE(imageBase, 0x10000u) << "ImageBase " << Hex(imageBase)
                                 << ": loads without relocations only in 0x10000..0x400000";
  EXPECT_LE(std::uint64_t{imageBase} + sizeOfImage, 0x400000u)
      << "image " << Hex(imageBase) << " + " << Hex(sizeOfImage);
  EXPECT_EQ(sectionAlignment, 0x1000u) << "SectionAlignment";
  EXPECT_EQ(fileAlignment, 0x1000u) << "FileAlignment";
  EXPECT_EQ(sizeOfImage % 0x1000, 0u) << "SizeOfImage " << Hex(sizeOfImage);
  ASSERT_FALSE(pe_.sections().empty()) << "no sections";
  for (const Section& s : pe_.sections()) {
    SCOPED_TRACE("section " + s.name);
    EXPECT_EQ(s.virtualAddress % 0x1000, 0u) << "VirtualAddress " << Hex(s.virtualAddress);
    EXPECT_EQ(s.rawOffset % 0x1000, 0u) << "PointerToRawData " << Hex(s.rawOffset);
    EXPECT_LE(std::uint64_t{s.virtualAddress} + std::max(s.virtualSize, s.rawSize), sizeOfImage)
        << "section ends past SizeOfImage " << Hex(sizeOfImage);
    EXPECT_LE(std::uint64_t{s.rawOffset} + s.rawSize, file_.size()) << "raw data past the end of the file";
  }
  const Section* code = pe_.SectionOf(entry);
  ASSERT_NE(code, nullptr) << "AddressOfEntryPoint " << Hex(entry) << " lies in no section";
  EXPECT_NE(code->characteristics & 0x20000000u, 0u) << "entry point's section " << code->name << " is not executable";
  EXPECT_EQ(entry % 4, 0u) << "entry point " << Hex(entry) << " is not ARM code (4-byte aligned)";
}

TEST_F(AgentImage, ImportsOnlyTheAgentsFunctionsFromCoredll) {
  const std::set<std::string> allowed = {"FindFirstFileW", "FindClose", "FindNextFileW", "GetDiskFreeSpaceExW",
                                         "fclose",         "fwrite",    "fputws",        "_wfopen"};
  ASSERT_NE(pe_.DirectoryRva(1), 0u) << "no import directory";
  std::vector<std::size_t> descriptors;
  for (std::size_t at = pe_.At(pe_.DirectoryRva(1)); file_.U32(at + 12) != 0 || file_.U32(at + 16) != 0; at += 20) {
    descriptors.push_back(at);
  }
  ASSERT_EQ(descriptors.size(), 1u) << "import descriptors: exactly one (COREDLL.dll) expected";
  const std::size_t d = descriptors[0];
  const std::uint32_t lookup = file_.U32(d), addresses = file_.U32(d + 16);
  EXPECT_EQ(Lower(file_.Text(pe_.At(file_.U32(d + 12)))), "coredll.dll") << "the imported DLL";
  ASSERT_NE(lookup, 0u) << "OriginalFirstThunk is zero: Windows CE would bind no import";
  ASSERT_NE(lookup, addresses) << "OriginalFirstThunk and FirstThunk must be separate tables";
  std::set<std::string> imported;
  for (std::uint32_t i = 0;; ++i) {
    const std::uint32_t entry = file_.U32(pe_.At(lookup + 4 * i));
    EXPECT_EQ(entry, file_.U32(pe_.At(addresses + 4 * i))) << "address table differs from the lookup table at " << i;
    if (entry == 0) break;
    ASSERT_EQ(entry & 0x80000000u, 0u) << "import " << i << " is by ordinal; by name expected";
    const std::string name = file_.Text(pe_.At(entry + 2));
    EXPECT_EQ(allowed.count(name), 1u) << "imports " << name << ", which the agent does not use";
    EXPECT_TRUE(imported.insert(name).second) << name << " imported twice";
  }
  EXPECT_FALSE(imported.empty()) << "the import table names no function";
}

TEST_F(AgentImage, IconGroup101HoldsA32And16PixelImageIn16Colours) {
  const std::uint32_t base = pe_.DirectoryRva(2);
  ASSERT_NE(base, 0u) << "no resource directory";
  // One level of IMAGE_RESOURCE_DIRECTORY: the entry with this id (or the first when id is 0); its target is
  // relative to the resource section's start. Returns false when absent.
  auto find = [&](std::uint32_t directory, std::uint32_t id, std::uint32_t* target) {
    const std::size_t at = pe_.At(base + directory);
    const std::uint32_t named = file_.U16(at + 12), count = named + file_.U16(at + 14);
    for (std::uint32_t i = named; i < count; ++i) {
      if (id == 0 || file_.U32(at + 16 + 8 * i) == id) {
        *target = file_.U32(at + 20 + 8 * i);
        return true;
      }
    }
    return false;
  };
  // type / name / language -> the resource's file offset and size.
  auto resource = [&](std::uint32_t type, std::uint32_t id, std::size_t* at, std::uint32_t* size) {
    std::uint32_t names = 0, languages = 0, data = 0;
    if (!find(0, type, &names) || !(names & 0x80000000u)) return false;
    if (!find(names & 0x7FFFFFFFu, id, &languages) || !(languages & 0x80000000u)) return false;
    if (!find(languages & 0x7FFFFFFFu, 0, &data) || (data & 0x80000000u)) return false;
    const std::size_t entry = pe_.At(base + data);
    *at = pe_.At(file_.U32(entry));
    *size = file_.U32(entry + 4);
    return true;
  };
  const std::uint32_t RT_ICON = 3, RT_GROUP_ICON = 14;
  std::size_t group = 0;
  std::uint32_t groupSize = 0;
  ASSERT_TRUE(resource(RT_GROUP_ICON, 101, &group, &groupSize)) << "no icon group 101 (RT_GROUP_ICON)";
  ASSERT_EQ(file_.U16(group + 2), 1u) << "GRPICONDIR idType";
  ASSERT_EQ(file_.U16(group + 4), 2u) << "icon group 101: two images expected";
  ASSERT_EQ(groupSize, 6u + 14u * 2) << "GRPICONDIR size";
  const std::uint32_t sizes[] = {32, 16};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE("icon group entry " + std::to_string(i));
    const std::size_t e = group + 6 + 14 * i;
    EXPECT_EQ(file_.U8(e), sizes[i]) << "width";
    EXPECT_EQ(file_.U8(e + 1), sizes[i]) << "height";
    EXPECT_EQ(file_.U8(e + 2), 16u) << "colour count";
    EXPECT_EQ(file_.U16(e + 6), 4u) << "bits per pixel";
    std::size_t image = 0;
    std::uint32_t imageSize = 0;
    ASSERT_TRUE(resource(RT_ICON, file_.U16(e + 12), &image, &imageSize))
        << "RT_ICON " << file_.U16(e + 12) << ", named by the group, is missing";
    EXPECT_EQ(imageSize, file_.U32(e + 8)) << "RT_ICON size against the group's dwBytesInRes";
    EXPECT_EQ(file_.U32(image), 40u) << "BITMAPINFOHEADER size";
    EXPECT_EQ(file_.U32(image + 4), sizes[i]) << "image width";
    EXPECT_EQ(file_.U32(image + 8), 2 * sizes[i]) << "image height (colour and mask)";
    EXPECT_EQ(file_.U16(image + 14), 4u) << "image bits per pixel";
  }
}

}  // namespace
