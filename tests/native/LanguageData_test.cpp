// Every shipped language table and licence, checked in the form the program reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "Fakes.h"
#include "data/LanguageTable.h"
#include "data/TextResource.h"
#include "data/TextTable.h"

namespace brevix {
namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string section, key, value;  // UTF-8
};

struct Source {
  std::uint16_t id = 0;
  std::string file, utf8;
};

std::map<std::uint16_t, Source> Sources(const char* folder, const char* extension) {
  std::map<std::uint16_t, Source> out;
  for (const auto& f : fs::directory_iterator(fs::path(BREVIX_SOURCE_DIR) / "resources" / folder)) {
    if (f.path().extension() != extension) continue;
    std::ifstream in(f.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const auto id = static_cast<std::uint16_t>(std::stoi(f.path().filename().string()));
    out[id] = Source{id, f.path().filename().string(), s.str()};
  }
  return out;
}

std::vector<Entry> Parse(const std::string& utf8) {
  std::vector<Entry> entries;
  std::string section, line;
  std::istringstream in(utf8);
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const auto eq = line.find('=');
    entries.push_back({section, line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1)});
  }
  return entries;
}

TEST(LanguageData, AllTablesAndLicencesOfTheLanguageListAreShipped) {
  const auto tables = Sources("lang", ".ini");
  const auto licences = Sources("licence", ".txt");
  EXPECT_EQ(tables.size(), 26u);
  EXPECT_EQ(licences.size(), 26u);
  EXPECT_TRUE(tables.count(kEnglishTableId));
  EXPECT_TRUE(licences.count(kEnglishLicenceId));
  for (const auto& ids : SupportedLanguages()) {
    EXPECT_TRUE(tables.count(ids.tableId)) << ids.langId;
    EXPECT_TRUE(licences.count(ids.licenceId)) << ids.langId;
  }
}

TEST(LanguageData, EveryTableHasTheEnglishLayoutAndReadsBackThroughTheReader) {
  const auto tables = Sources("lang", ".ini");
  const std::vector<Entry> english = Parse(tables.at(kEnglishTableId).utf8);
  ASSERT_EQ(english.size(), 61u);
  const std::regex placeholder10("Checking0[123]"), placeholder20("Checking0[789]");

  for (const auto& [id, source] : tables) {
    SCOPED_TRACE(source.file);
    const std::vector<Entry> entries = Parse(source.utf8);
    ASSERT_EQ(entries.size(), english.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      SCOPED_TRACE(e.key);
      EXPECT_EQ(e.section, english[i].section);
      EXPECT_EQ(e.key, english[i].key);
      EXPECT_FALSE(e.value.empty());
      EXPECT_EQ(e.value.find('\r'), std::string::npos);
      if (std::regex_match(e.key, placeholder10)) {
        EXPECT_NE(e.value.find("1.0"), std::string::npos);
      }
      if (std::regex_match(e.key, placeholder20)) {
        EXPECT_NE(e.value.find("2.0"), std::string::npos);
      }
      if (e.key == "Indroduction02") {
        EXPECT_EQ(e.value.back(), ' ');
      }
      if (e.key == "Upgrade21" || e.key == "Upgrade22") {
        EXPECT_LE(Utf8ToUtf16(e.value).size(), kMaxDecoratedTextUnits);
      }
      if (e.value.find("Varnek") != std::string::npos) {
        EXPECT_NE(e.value.find("Varnek\u00AE Brevix"), std::string::npos);
      }
    }

    // The built resource form, read the way the program reads it.
    const auto bytes = Utf8ToResourceText(source.utf8);
    ASSERT_TRUE(bytes) << "not UTF-8";
    testing::FakeResources res;
    res.items[{u"INI", id}] = *bytes;
    LanguageTable table(res);
    for (const Entry& e : entries) {
      const auto value = table.Lookup(Utf8ToUtf16(e.section), id, Utf8ToUtf16(e.key));
      ASSERT_TRUE(value) << e.key;
      EXPECT_EQ(Utf16ToUtf8(*value), e.value);
    }
    // The program's text table holds every text of the table: a key added to the tables is
    // one the program can show.
    const TextTable texts = TextTable::Load(table, id, u"");
    for (const Entry& e : entries) {
      const std::u16string value = Utf8ToUtf16(e.value);
      const bool decorated = e.key == "Upgrade21" || e.key == "Upgrade22";
      EXPECT_EQ(texts.Text(Utf8ToUtf16(e.key)), decorated ? DecorateResultText(value) : value) << e.key;
    }
    // The application object looks its start-up texts up from section "Checking".
    for (const auto& [key, fromEnd] : {std::pair{u"Popup02", 12u}, std::pair{u"Popup03", 11u}}) {
      const auto text = table.Lookup(u"Checking", id, key);
      ASSERT_TRUE(text);
      EXPECT_EQ(Utf16ToUtf8(*text), entries[entries.size() - fromEnd].value);
    }
  }
}

TEST(LanguageData, EveryLicenceLoadsWhole) {
  const auto licences = Sources("licence", ".txt");
  const auto english = licences.at(kEnglishLicenceId);
  const auto lineCount = [](const std::string& s) { return std::count(s.begin(), s.end(), '\n'); };
  for (const auto& ids : SupportedLanguages()) {
    const Source& source = licences.at(ids.licenceId);
    SCOPED_TRACE(source.file);
    const auto bytes = Utf8ToResourceText(source.utf8);
    ASSERT_TRUE(bytes);
    testing::FakeResources res;
    res.items[{u"TXT", ids.licenceId}] = *bytes;
    const std::u16string text = LoadLicenceText(res, ids.langId);
    EXPECT_EQ(lineCount(source.utf8), lineCount(english.utf8));
    EXPECT_EQ(text.rfind(u"VARNEK CORPORATION\r\n", 0), 0u);
    EXPECT_EQ(ReplaceAll(text, u"\r\n", u"\n"), Utf8ToUtf16(source.utf8));
  }
}

TEST(TextResource, ConvertsLineEndsAndRejectsInvalidUtf8) {
  EXPECT_EQ(Utf8ToResourceText("a\nb\r\n"), (Bytes{0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 'b', 0, '\r', 0, '\n', 0}));
  EXPECT_EQ(Utf8ToResourceText("\xEF\xBB\xBF\xC2\xAE"), (Bytes{0xFF, 0xFE, 0xAE, 0}));
  EXPECT_FALSE(Utf8ToResourceText("\xC3\x28"));
}

}  // namespace
}  // namespace brevix
