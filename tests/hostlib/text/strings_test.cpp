#include "hostlib/text/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "hostlib/text/text_codec.h"

namespace {

using vex3d::Language;

// Switches the string language for one test and puts the previous one back.
class LanguageScope {
 public:
  explicit LanguageScope(Language language) : m_saved(vex3d::currentStringLanguage()) {
    vex3d::setStringLanguage(language);
  }
  ~LanguageScope() { vex3d::setStringLanguage(m_saved); }

 private:
  Language m_saved;
};

// The printf conversions of a text in order, written independently of the
// table generator so that a fault in one is caught by the other.
std::vector<std::string> conversions(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < text.size() && !std::isalpha(static_cast<unsigned char>(text[j]))) ++j;
    while (j < text.size() && std::strchr("hlLjzt", text[j]) != nullptr) ++j;
    out.push_back(text.substr(i, j - i + 1));
    i = j;
  }
  return out;
}

bool isValidUtf8(const std::string& s) { return vex3d::utf16ToUtf8(vex3d::utf8ToUtf16(s)) == s; }

TEST(StringTable, EveryIdHasMatchingEnglishAndFrenchTexts) {
  const std::vector<unsigned> ids = vex3d::stringTableIds();
  ASSERT_GT(ids.size(), 200u);
  std::size_t translated = 0;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const unsigned id = ids[i];
    SCOPED_TRACE(id);
    if (i > 0) {
      EXPECT_LT(ids[i - 1], id);
    }
    const char* en = vex3d::findString(id, Language::English);
    const char* fr = vex3d::findString(id, Language::French);
    ASSERT_NE(en, nullptr);
    ASSERT_NE(fr, nullptr);
    EXPECT_STRNE(en, "");
    EXPECT_STRNE(fr, "");
    EXPECT_TRUE(isValidUtf8(en));
    EXPECT_TRUE(isValidUtf8(fr));
    EXPECT_EQ(conversions(fr), conversions(en)) << en << " / " << fr;
    const std::string enText(en), frText(fr);
    EXPECT_EQ(std::count(frText.begin(), frText.end(), '|'),
              std::count(enText.begin(), enText.end(), '|'));
    // A menu item loses its accelerator in French only by mistake.
    const auto accelerators = [](const std::string& s) {
      int n = 0;
      for (std::size_t k = 0; k + 1 < s.size(); ++k)
        if (s[k] == '&') {
          if (s[k + 1] != '&' && s[k + 1] != ' ') ++n;
          ++k;
        }
      return n;
    };
    EXPECT_EQ(accelerators(frText), accelerators(enText)) << en << " / " << fr;
    if (enText != frText) ++translated;
  }
  // Catches a French column pasted from the English one.
  EXPECT_GT(translated, ids.size() * 9 / 10);
}

TEST(StringTable, LoadsKnownIdsInBothLanguages) {
  {
    LanguageScope english(Language::English);
    EXPECT_EQ(LoadStringW(9262), "Default material");
    EXPECT_EQ(LoadStringW(9304), "Scene was modified.\nDo you want to save it?");
    EXPECT_EQ(LoadStringW(9104), "Colors && Lighting");
    EXPECT_EQ(LoadStringW(9173), "Merging coplanar  faces");
    EXPECT_EQ(LoadStringW(48000), "Frame: %d/%d");
    std::string out = "stale";
    EXPECT_TRUE(LoadStringW(9266, out));
    EXPECT_EQ(out, "Material");
  }
  {
    LanguageScope french(Language::French);
    EXPECT_EQ(LoadStringW(9262), "Matériau par défaut");
    EXPECT_EQ(LoadStringW(9304), "La scène a été modifiée.\nVoulez-vous l'enregistrer ?");
    EXPECT_EQ(LoadStringW(9305), "Lissage personnalisé (%i°)");
  }
  for (unsigned unknown : {0u, 1u, 9112u, 59999u, 0xFFFFFFFFu}) {
    EXPECT_EQ(LoadStringW(unknown), "");
    std::string out = "stale";
    EXPECT_FALSE(LoadStringW(unknown, out));
    EXPECT_EQ(out, "");
  }
}

TEST(StringTable, ExplicitLanguageOverridesAndNamesItself) {
  LanguageScope french(Language::French);
  EXPECT_EQ(vex3d::currentStringLanguage(), Language::French);
  EXPECT_STREQ(vex3d::languageName(), "Français");
  vex3d::setStringLanguage(Language::English);
  EXPECT_STREQ(vex3d::languageName(), "English");
  EXPECT_EQ(LoadStringW(9310), "Unnamed object");
}

class LanguageEnvironment : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

  void SetUp() override {
    for (const char* name : kNames) {
      const char* v = std::getenv(name);
      m_saved.push_back(v ? std::optional<std::string>(v) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < m_saved.size(); ++i) {
      if (m_saved[i])
        setenv(kNames[i], m_saved[i]->c_str(), 1);
      else
        unsetenv(kNames[i]);
    }
  }
  // Sets the four variables (null: unset) and reads the language back.
  Language with(const char* language, const char* all, const char* messages, const char* lang) {
    const char* values[] = {language, all, messages, lang};
    for (int i = 0; i < 4; ++i) {
      if (values[i])
        setenv(kNames[i], values[i], 1);
      else
        unsetenv(kNames[i]);
    }
    return vex3d::languageFromEnvironment();
  }

 private:
  std::vector<std::optional<std::string>> m_saved;
};

TEST_F(LanguageEnvironment, FirstNonEmptyVariableDecides) {
  EXPECT_EQ(with(nullptr, nullptr, nullptr, nullptr), Language::English);
  EXPECT_EQ(with(nullptr, nullptr, nullptr, "fr_FR.UTF-8"), Language::French);
  EXPECT_EQ(with(nullptr, nullptr, nullptr, "en_GB.UTF-8"), Language::English);
  EXPECT_EQ(with(nullptr, nullptr, "fr_CA.UTF-8", "en_US.UTF-8"), Language::French);
  EXPECT_EQ(with(nullptr, "C", nullptr, "fr_FR.UTF-8"), Language::English);
  EXPECT_EQ(with(nullptr, "fr_BE", "en_US", "en_US"), Language::French);
  // Empty variables are skipped rather than read as "not French".
  EXPECT_EQ(with("", "", "", "fr"), Language::French);
  EXPECT_EQ(with(nullptr, "", "fr_CH", nullptr), Language::French);
}

TEST_F(LanguageEnvironment, LanguageListHeadWins) {
  EXPECT_EQ(with("fr:en", nullptr, nullptr, "en_US.UTF-8"), Language::French);
  EXPECT_EQ(with("en:fr", nullptr, nullptr, "fr_FR.UTF-8"), Language::English);
  EXPECT_EQ(with("de", "fr_FR", nullptr, nullptr), Language::English);
  EXPECT_EQ(with(":fr_FR:en", nullptr, nullptr, nullptr), Language::French);
  EXPECT_EQ(with(":::", nullptr, nullptr, "fr_FR"), Language::French);
}

TEST(ExtractString, PicksItemsCountedFromZero) {
  EXPECT_EQ(ExtractString("a|bb|ccc", 0), "a");
  EXPECT_EQ(ExtractString("a|bb|ccc", 1), "bb");
  EXPECT_EQ(ExtractString("a|bb|ccc", 2), "ccc");
  EXPECT_EQ(ExtractString("a|bb|ccc", 3), "");
  EXPECT_EQ(ExtractString("a|bb|ccc", -1), "");
  EXPECT_EQ(ExtractString("single", 0), "single");
  EXPECT_EQ(ExtractString("single", 1), "");
  EXPECT_EQ(ExtractString("", 0), "");
  EXPECT_EQ(ExtractString("a||c|", 1), "");
  EXPECT_EQ(ExtractString("a||c|", 2), "c");
  EXPECT_EQ(ExtractString("a||c|", 3), "");
  EXPECT_EQ(ExtractString("|x", 0), "");
  EXPECT_EQ(ExtractString("|x", 1), "x");
}

TEST(ExtractString, ReadsListsFromTheTable) {
  {
    LanguageScope english(Language::English);
    EXPECT_EQ(ExtractString(9210u, 0), "Front");
    EXPECT_EQ(ExtractString(9210u, 6), "Current");
    EXPECT_EQ(ExtractString(9210u, 7), "");
    EXPECT_EQ(ExtractString(9206u, 2), "Flat & wireframe");
  }
  LanguageScope french(Language::French);
  EXPECT_EQ(ExtractString(9203u, 3), "Vertical (vers le bas)");
  EXPECT_EQ(ExtractString(12345u, 0), "");
}

TEST(FormatString, FormatsTheLoadedText) {
  {
    LanguageScope english(Language::English);
    EXPECT_EQ(FormatString(9285, 8, 6), "8 points / 6 faces");
    EXPECT_EQ(FormatString(9119, "Box 1", "Box_1"), "Changing object name from Box 1 to Box_1");
    EXPECT_EQ(FormatString(9200, YesNoString(true).c_str()), "Animated: yes\n");
    EXPECT_EQ(FormatString(9128, "Mesh", 65535),
              "The object Mesh have to many points for the selected exportation format (limited "
              "to 65535 points).\nUse Facetrim to resolve this problem.");
  }
  LanguageScope french(Language::French);
  EXPECT_EQ(FormatString(9305, 30), "Lissage personnalisé (30°)");
  EXPECT_EQ(FormatString(9208, YesNoString(false).c_str()), "Anticrénelage : non\n");
  EXPECT_EQ(FormatString(4242, 1, 2), "");
}

TEST(FormatString, SizesTheResultToTheOutput) {
  const std::string big(100000, 'x');
  const std::string out = vex3d::formatText("[%s|%d]", big.c_str(), -12);
  EXPECT_EQ(out.size(), big.size() + 6);
  EXPECT_EQ(out.substr(out.size() - 5), "|-12]");
  EXPECT_EQ(vex3d::formatText("%s", ""), "");
  EXPECT_EQ(vex3d::formatText("%.3f %5s", 1.5, "ab"), "1.500    ab");
}

TEST(GetUniqueName, AppendsTheFirstFreeSuffix) {
  vex3d::UniqueNameSet names;
  EXPECT_EQ(GetUniqueName(names, "Box", 0), "Box");
  EXPECT_EQ(GetUniqueName(names, "Box", 0), "Box_1");
  names.insert("Box_2");
  EXPECT_EQ(GetUniqueName(names, "Box", 0), "Box_3");
  EXPECT_EQ(GetUniqueName(names, "Box_1", 0), "Box_1_1");
  EXPECT_EQ(GetUniqueName(names, "box", 0), "box");
  EXPECT_EQ(GetUniqueName(names, "", 0), "");
  EXPECT_EQ(GetUniqueName(names, "", 0), "_1");
  EXPECT_TRUE(names.contains("Box_3"));
  EXPECT_EQ(names.size(), 8u);
}

TEST(GetUniqueName, ManyEqualNamesStayDistinct) {
  vex3d::UniqueNameSet names;
  std::string last;
  for (int i = 0; i < 2000; ++i) last = GetUniqueName(names, "Mesh", 0);
  EXPECT_EQ(last, "Mesh_1999");
  EXPECT_EQ(names.size(), 2000u);
  // A name taken behind the set's back is still skipped.
  names.insert("Mesh_2000");
  EXPECT_EQ(GetUniqueName(names, "Mesh", 0), "Mesh_2001");
  names.clear();
  EXPECT_EQ(GetUniqueName(names, "Mesh", 0), "Mesh");
  EXPECT_EQ(GetUniqueName(names, "Mesh", 0), "Mesh_1");
}

TEST(GetUniqueName, CutsToTheLimitBeforeAndAroundSuffixes) {
  vex3d::UniqueNameSet names;
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 4), "Cyli");
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 4), "Cy_1");
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 4), "Cy_2");
  // The suffix of another limit does not skip the first free one here.
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 0), "Cylinder");
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 0), "Cylinder_1");
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 6), "Cylind");
  EXPECT_EQ(GetUniqueName(names, "Cylinder", 6), "Cyli_1");
  EXPECT_EQ(GetUniqueName(names, "Cy", 8), "Cy");
  EXPECT_EQ(GetUniqueName(names, "Cy", 8), "Cy_3");
  std::string last;
  for (int i = 0; i < 12; ++i) last = GetUniqueName(names, "Cone", 4);
  EXPECT_EQ(last, "C_11");
  // Too small a limit for any suffix: uniqueness wins over length.
  EXPECT_EQ(GetUniqueName(names, "ab", 1), "a");
  EXPECT_EQ(GetUniqueName(names, "ab", 1), "_1");
  EXPECT_EQ(GetUniqueName(names, "ab", 2), "ab");
  EXPECT_EQ(GetUniqueName(names, "ab", 2), "_2");
}

TEST(GetUniqueName, NeverSplitsAUtf8Character) {
  vex3d::UniqueNameSet names;
  // "É" takes 2 bytes, "日" 3 and "😀" 4.
  EXPECT_EQ(GetUniqueName(names, "ÉÉÉÉ", 5), "ÉÉ");
  EXPECT_EQ(GetUniqueName(names, "ÉÉÉÉ", 5), "É_1");
  EXPECT_EQ(GetUniqueName(names, "日本語", 7), "日本");
  EXPECT_EQ(GetUniqueName(names, "日本語", 7), "日_1");
  EXPECT_EQ(GetUniqueName(names, "日本語", 4), "日");
  EXPECT_EQ(GetUniqueName(names, "日本語", 4), "_1");
  EXPECT_EQ(GetUniqueName(names, "😀😀", 7), "😀");
  EXPECT_EQ(GetUniqueName(names, "😀😀", 7), "😀_1");
  for (const char* name : {"ÉÉÉÉ", "日本語", "a日b😀cÉ"})
    for (unsigned limit = 1; limit < 12; ++limit) {
      const std::string s = GetUniqueName(names, name, limit);
      EXPECT_TRUE(isValidUtf8(s)) << name << " " << limit;
      EXPECT_LE(s.size(), std::max<std::size_t>(limit, 3)) << name << " " << limit;
    }
}

TEST(Utf8Prefix, CutsOnCharacterBoundaries) {
  EXPECT_EQ(vex3d::utf8Prefix("abc", 5), "abc");
  EXPECT_EQ(vex3d::utf8Prefix("abc", 0), "");
  EXPECT_EQ(vex3d::utf8Prefix("aé", 2), "a");
  EXPECT_EQ(vex3d::utf8Prefix("aé", 3), "aé");
  EXPECT_EQ(vex3d::utf8Prefix("😀x", 3), "");
  // Stray continuation bytes are not UTF-8; the cut falls where asked.
  const std::string junk = "a\x80\x80\x80\x80\x80";
  EXPECT_EQ(vex3d::utf8Prefix(junk, 5), junk.substr(0, 5));
}

}  // namespace
