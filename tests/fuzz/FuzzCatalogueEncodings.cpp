// Engines built from arbitrary bytes, added to a catalogue declared in one of
// the encodings the writer may keep, saved and loaded: every engine must come
// back, and saving what came back must load the same again.
#include "catalogue/EngineManager.h"

#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
std::string g_dir;

const char* const Encodings[] = {"UTF-8",     "GB2312", "GBK",        "GB18030",
                                 "Big5",      "Shift_JIS", "EUC-JP",   "EUC-KR",
                                 "ISO-8859-1", "windows-1252", "UTF-16"};

void Fail(const char* what)
{
    std::fprintf(stderr, "catalogue did not read back: %s\n", what);
    std::abort();
}

// What a text saved and loaded once more reads back as: the writer leaves
// "&amp;" as it stands, so the reader turns it into "&" (one level per save,
// kept on purpose), and a URL's "&#38;" is read as "&".
wxString Reloaded(wxString text, bool url = false)
{
    text.Replace("&amp;", "&");
    if (url)
        text.Replace("&#38;", "&");
    return text;
}

bool ReadsBackAs(const Engine& saved, const Engine& loaded)
{
    return saved.m_nIndex == loaded.m_nIndex &&
           Reloaded(saved.m_strLanguage) == loaded.m_strLanguage &&
           Reloaded(saved.m_strCategory) == loaded.m_strCategory &&
           Reloaded(saved.m_strName) == loaded.m_strName &&
           Reloaded(saved.m_strUrl, true) == loaded.m_strUrl &&
           Reloaded(saved.m_strEncoding) == loaded.m_strEncoding &&
           saved.m_bEnable == loaded.m_bEnable &&
           Reloaded(saved.m_strSuggestUrl) == loaded.m_strSuggestUrl;
}

void Dump(const Engine& e)
{
    std::fprintf(stderr, "%d|%s|%s|%s|%s|%s|%d|%s\n", e.m_nIndex,
                 e.m_strLanguage.utf8_str().data(), e.m_strCategory.utf8_str().data(),
                 e.m_strName.utf8_str().data(), e.m_strUrl.utf8_str().data(),
                 e.m_strEncoding.utf8_str().data(), e.m_bEnable ? 1 : 0,
                 e.m_strSuggestUrl.utf8_str().data());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    if (FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    wxLog::EnableLogging(false);
    char pattern[] = "/tmp/orvane-fuzz-encodings-XXXXXX";
    g_dir = mkdtemp(pattern);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string encoding = Encodings[data[0] % (sizeof Encodings / sizeof *Encodings)];
    std::string file = "<?xml version=\"1.0\" encoding=\"" + encoding +
                       "\"?>\n<ENGINES>\n  <ENGINE>\n    <NAME>a</NAME>\n  </ENGINE>\n</ENGINES>\n";
    if (encoding == "UTF-16")
    {
        std::string utf16 = "\xFF\xFE";
        for (char c : file)
            utf16 += std::string{c, '\0'};
        file = utf16;
    }
    const std::string path = g_dir + "/config.xml";
    WriteFile(path, file);

    EngineManager first;
    first.SetFileName(wxString::FromUTF8(path));
    first.Load();
    if (first.m_engines.size() != 1)
        Fail("the ASCII catalogue");

    // Fields are the input's text, split at 0x1F; a new engine every 8 fields.
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    wxString text = wxString::FromUTF8(rest.data(), rest.size());
    if (text.empty() && !rest.empty())
        text = wxString(rest.data(), wxConvISO8859_1, rest.size());
    const wxArrayString fields = wxSplit(text, wxUniChar(0x1F), wxUniChar(0));
    for (size_t i = 0; i < fields.size(); i += 8)
    {
        auto engine = std::make_unique<Engine>();
        auto field = [&](size_t k) { return i + k < fields.size() ? fields[i + k] : wxString(); };
        engine->m_nIndex = static_cast<int>(field(0).length());
        engine->m_strLanguage = field(1);
        engine->m_strCategory = field(2);
        engine->m_strName = field(3);
        engine->m_strUrl = field(4);
        engine->m_strEncoding = field(5);
        engine->m_bEnable = field(6).empty();
        engine->m_strSuggestUrl = field(7);
        first.AddEngine(std::move(engine));
    }
    if (!first.Save())
        Fail("save");

    EngineManager second;
    second.SetFileName(wxString::FromUTF8(path));
    second.Load();
    if (second.m_engines.size() != first.m_engines.size())
        Fail("number of engines");

    // Some texts are normalised on the first save (blank-only text, line
    // ends, characters XML cannot hold); from then on only the ampersand
    // rules above apply.
    second.EngineChanged(second.m_engines.front().get());
    if (!second.Save())
        Fail("second save");
    EngineManager third;
    third.SetFileName(wxString::FromUTF8(path));
    third.Load();
    if (third.m_engines.size() != second.m_engines.size())
        Fail("number of engines after a second save");
    for (size_t i = 0; i < third.m_engines.size(); ++i)
        if (!ReadsBackAs(*second.m_engines[i], *third.m_engines[i]))
        {
            Dump(*second.m_engines[i]);
            Dump(*third.m_engines[i]);
            Fail("fields after a second save");
        }
    return 0;
}
