#include "GuiTest.h"
#include "TestEnvironment.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/translation.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace
{
const std::string StageDir = ORVANE_STAGE_DIR;
const std::string SourceDir = ORVANE_SOURCE_DIR;

// The translatable entries of a .po/.pot file: msgid -> msgstr. Fuzzy and
// obsolete entries count as untranslated, as msgfmt treats them.
std::map<std::string, std::string> ReadCatalogue(const std::string& path)
{
    std::map<std::string, std::string> entries;
    std::ifstream in(path);
    std::string line, msgid, msgstr, *field = nullptr;
    bool fuzzy = false;
    auto flush = [&] {
        if (!msgid.empty())
            entries[msgid] = fuzzy ? std::string() : msgstr;
        msgid.clear(), msgstr.clear(), field = nullptr, fuzzy = false;
    };
    auto unquote = [](const std::string& s) {
        std::string out;
        const size_t begin = s.find('"'), end = s.rfind('"');
        for (size_t i = begin + 1; i < end; ++i)
        {
            if (s[i] == '\\' && i + 1 < end)
            {
                const char c = s[++i];
                out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            else
                out += s[i];
        }
        return out;
    };
    while (std::getline(in, line))
    {
        if (line.rfind("#,", 0) == 0 && line.find("fuzzy") != std::string::npos)
        {
            flush();
            fuzzy = true;
        }
        else if (line.rfind("msgid ", 0) == 0)
        {
            const bool keepFuzzy = fuzzy && msgid.empty();
            flush();
            fuzzy = keepFuzzy;
            msgid = unquote(line);
            field = &msgid;
        }
        // Plural entries are checked by their first form.
        else if (line.rfind("msgstr ", 0) == 0 || line.rfind("msgstr[0] ", 0) == 0)
        {
            msgstr = unquote(line);
            field = &msgstr;
        }
        else if (!line.empty() && line[0] == '"' && field)
            *field += unquote(line);
        else if (line.empty())
            flush();
    }
    flush();
    return entries;
}

// The accelerator after a tab and the format specifiers must survive translation.
std::string Accelerator(const std::string& s)
{
    const size_t tab = s.find('\t');
    return tab == std::string::npos ? std::string() : s.substr(tab);
}

size_t Count(const std::string& s, const std::string& part)
{
    size_t n = 0;
    for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1))
        ++n;
    return n;
}

std::string FormatSpecifiers(const std::string& s)
{
    static const std::regex spec("%[-+ #0]*[0-9]*(\\.[0-9]+)?[a-zA-Z]");
    std::string out;
    for (std::sregex_iterator it(s.begin(), s.end(), spec), end; it != end; ++it)
        out += it->str();
    return out;
}
} // namespace

TEST(TranslationTest, StagedCataloguesTranslateKnownTexts)
{
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(StageDir + "/locales");
    struct Case
    {
        const char* lang;
        const char* file;
        const char* keywordPrompt;
    };
    const Case cases[] = {
        {"ja", "ファイル(&F)", "(キーワードを入力してください...)"},
        {"zh_CN", "文件(&F)", "(请输入关键词...)"},
        {"zh_TW", "檔案(&F)", "(請輸入關鍵字...)"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.lang);
        wxTranslations translations;
        translations.SetLanguage(c.lang);
        ASSERT_TRUE(translations.AddCatalog("Orvane"));
        auto tr = [&](const char* text) {
            const wxString* s = translations.GetTranslatedString(text, "Orvane");
            return s ? *s : wxString("<untranslated>");
        };
        EXPECT_EQ(tr("&File"), wxString::FromUTF8(c.file));
        EXPECT_EQ(tr("(Please input keyword...)"), wxString::FromUTF8(c.keywordPrompt));
    }
}

TEST(TranslationTest, ProgramFolderLayoutIsFoundByTheLocale)
{
    // As at start-up: the "locales" prefix relative to the program folder.
    TestSandbox sandbox;
    ASSERT_EQ(::chdir(StageDir.c_str()), 0);
    wxLocale::AddCatalogLookupPathPrefix("locales");
    {
        wxLogNull quiet;  // the C library may lack the Japanese locale itself
        wxLocale locale;
        locale.Init(wxLANGUAGE_JAPANESE);
        ASSERT_TRUE(locale.AddCatalog("Orvane"));
        EXPECT_EQ(_("Quit\tAlt-X"), wxString::FromUTF8("終了\tAlt-X"));
        EXPECT_EQ(wxString::Format(_("Engine Count: %d / %d"), 3, 5),
                  wxString::FromUTF8("エンジン数: 3 / 5"));
        EXPECT_EQ(_("Lock not ok!"), "Lock not ok!") << "never translated";
    }
    EXPECT_EQ(_("Quit\tAlt-X"), "Quit\tAlt-X") << "the previous language is back";
}

TEST(TranslationTest, EveryCatalogueIsCompleteAndKeepsKeysAndFormats)
{
    const auto pot = ReadCatalogue(SourceDir + "/locales/Orvane.pot");
    ASSERT_GT(pot.size(), 50u);
    for (const char* lang : {"ja", "zh_CN", "zh_TW"})
    {
        SCOPED_TRACE(lang);
        const auto po = ReadCatalogue(SourceDir + "/locales/" + lang + ".po");
        for (const auto& [id, unused] : pot)
        {
            const auto it = po.find(id);
            EXPECT_TRUE(it != po.end() && !it->second.empty()) << "untranslated: " << id;
        }
        for (const auto& [id, str] : po)
        {
            if (str.empty())
                continue;
            EXPECT_EQ(Accelerator(str), Accelerator(id)) << id;
            EXPECT_EQ(FormatSpecifiers(str), FormatSpecifiers(id)) << id;
            EXPECT_EQ(Count(str, "<kbd>"), Count(id, "<kbd>")) << id;
            EXPECT_EQ(Count(str, "</kbd>"), Count(id, "</kbd>")) << id;
            const bool mnemonic = std::regex_search(id, std::regex("&[^&]"));
            EXPECT_EQ(std::regex_search(str, std::regex("&[^&]")), mnemonic) << id;
        }
    }
}
