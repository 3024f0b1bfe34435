#include "host_text.h"
#include "wide_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '#';
  return out;
}

TEST(AgentWideText, ComparisonIsExactAndWhole) {
  struct Case {
    const char16_t* left;
    const char16_t* right;
    bool equal;
  };
  const Case cases[] = {
      {u"-talvspec", u"-talvspec", true},   {u"", u"", true},
      {u"-talvspec", u"-talvspecx", false}, {u"-talvspecx", u"-talvspec", false},
      {u"-TALVSPEC", u"-talvspec", false},  {u"", u"-fenspec", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(agent::WideEquals(c.left, c.right), c.equal)
        << "[" << Narrow(c.left) << "] vs [" << Narrow(c.right) << "]";
  }
}

TEST(AgentWideText, CopyStaysInsideTheBuffer) {
  char16_t buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  agent::WideCopy(buffer, 6, u"abc");
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(buffer[4], u'#') << "copy went past the terminator";

  agent::WideCopy(buffer, 6, u"abcdefgh");
  EXPECT_EQ(std::u16string(buffer, 6), std::u16string(u"abcde\0", 6));
}

TEST(AgentTextMode, WideTextIsWrittenAsAsciiWithCrLf) {
  struct Case {
    const char16_t* text;
    std::string bytes;
  };
  const Case cases[] = {
      {u"", ""},
      {u"[Launcher]\n", "[Launcher]\r\n"},
      {u"\n\n", "\r\n\r\n"},
      {u"a\r\nb", "a\r\r\nb"},  // like the runtime library: only the line feed is translated
      {u"caf\u00e9 \u20ac\n", "caf? ?\r\n"},
      {u"\u010a", "?"},  // a unit whose low byte is a line feed is not one
  };
  for (const Case& c : cases) {
    EXPECT_EQ(agent::EncodeTextModeWide(c.text), c.bytes) << "text [" << Narrow(c.text) << "]";
  }
}

}  // namespace
