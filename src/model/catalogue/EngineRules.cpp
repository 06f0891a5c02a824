#include "catalogue/EngineRules.h"

#include "base/TerminalText.h"

#include "base/KeywordEncoding.h"
#include "base/RelativeUrl.h"
#include "catalogue/ShortcutQuery.h"

#include <wx/intl.h>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <climits>

namespace
{
// Where a new engine searches until the user changes it.
const char* const NewEngineUrl = "https://www.bing.com/search?q=*";

// The C library's blanks, fixed here so no locale can change the rule.
bool IsBlank(wxUniChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

wxString Trimmed(wxString text)
{
    text.Trim(true).Trim(false);
    return text;
}

int Sign(long long value)
{
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}
} // namespace

int EngineRules::ParseIndex(const wxString& text)
{
    size_t i = 0;
    const size_t n = text.length();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
    {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        value = value * 10 + (text[i].GetValue() - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;  // saturated; keep reading digits
    }
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool EngineRules::IsWebAddress(const wxString& url)
{
    // A line break or escape inside an address would split it in a stored
    // file or on a terminal.
    return RelativeUrl::IsWebAddress(url) && !TerminalText::HasControl(url);
}

wxString EngineRules::NotWebAddressMessage()
{
    return _("Only web addresses (http, https) are opened.");
}

bool EngineRules::HasForbiddenCharacter(const wxString& text)
{
    // wxString holds UTF-32 here, so a surrogate code unit is always a lone one.
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
    {
        const wxUint32 c = (*it).GetValue();
        if ((c >= 0x01 && c <= 0x1F && c != '\t' && c != '\n' && c != '\r') || c == 0 ||
            c == 0xFFFE || c == 0xFFFF || (c >= 0xD800 && c <= 0xDFFF))
            return true;
    }
    return false;
}

EngineRules::Problem EngineRules::Check(const Input& input, const Engine& engine,
                                        const EngineManager& catalogue, Engine& result)
{
    const wxString language = Trimmed(input.language);
    if (language.empty())
        return Problem::NoLanguage;
    const wxString category = Trimmed(input.category);
    if (category.empty())
        return Problem::NoCategory;
    const wxString name = Trimmed(input.name);
    if (name.empty())
        return Problem::NoName;
    const wxString url = Trimmed(input.url);
    if (url.empty())
        return Problem::NoUrl;
    if (url.find('*') == wxString::npos)
        return Problem::NoKeywordMark;
    if (HasForbiddenCharacter(name) || HasForbiddenCharacter(url) || TerminalText::HasControl(url))
        return Problem::ControlCharacter;
    if (!IsWebAddress(url))
        return Problem::NotWebAddress;
    // Not trimmed: the number rule skips leading blanks itself.
    const int index = ParseIndex(input.index);
    if (index != engine.m_nIndex && catalogue.IndexExists(index))
        return Problem::IndexTaken;

    result = engine;
    result.m_strLanguage = language;
    result.m_strCategory = category;
    result.m_strName = name;
    result.m_strUrl = url;
    result.m_strEncoding = input.encoding;
    result.m_nIndex = index;
    result.m_bEnable = input.enable;
    return Problem::None;
}

wxString EngineRules::Message(Problem problem)
{
    switch (problem)
    {
    case Problem::None:
        break;
    case Problem::NoLanguage:
        return _("Please input language!");
    case Problem::NoCategory:
        return _("Please input category!");
    case Problem::NoName:
        return _("Please input name!");
    case Problem::NoUrl:
        return _("Please input URL!");
    case Problem::NoKeywordMark:
        return _("The query keyword part of URL must be replaced with '*'!");
    case Problem::NotWebAddress:
        return _("The URL must begin with http:// or https:// and name a server.");
    case Problem::ControlCharacter:
        return _("The name and the URL cannot contain control characters.");
    case Problem::IndexTaken:
        return _("The Index already existed. Please input another Index!");
    }
    return wxString();
}

int EngineRules::NextFreeIndex(const EngineManager& catalogue)
{
    const int maxIndex = catalogue.GetMaxIndex();
    return maxIndex == INT_MAX ? INT_MAX : maxIndex + 1;
}

std::unique_ptr<Engine> EngineRules::NewEngine(const EngineManager& catalogue)
{
    auto engine = std::make_unique<Engine>();
    engine->m_nIndex = NextFreeIndex(catalogue);
    // TRANSLATORS: language, category and name proposed for a new search engine
    engine->m_strLanguage = _("untitled");
    engine->m_strCategory = _("untitled");
    engine->m_strName = _("untitled");
    engine->m_strUrl = NewEngineUrl;
    engine->m_strEncoding = "UTF-8";
    engine->m_bEnable = true;
    engine->m_bMark = false;
    return engine;
}

std::unique_ptr<Engine> EngineRules::MakeCopy(const Engine& source, const EngineManager& catalogue)
{
    auto engine = std::make_unique<Engine>(source);
    // TRANSLATORS: appended directly, without a blank, to the name of a copied engine
    engine->m_strName += _("(Copy)");
    engine->m_nIndex = NextFreeIndex(catalogue);
    engine->m_bMark = false;
    // A shortcut selects one engine: the copy starts without one.
    engine->m_strShortcut.clear();
    return engine;
}

Engine* EngineRules::Neighbour(const EngineArray& list, const Engine* engine, int step)
{
    const auto it = std::find(list.begin(), list.end(), engine);
    if (it == list.end())
        return nullptr;
    const long long pos = static_cast<long long>(it - list.begin()) + step;
    if (pos < 0 || pos >= static_cast<long long>(list.size()))
        return nullptr;
    return list[static_cast<size_t>(pos)];
}

int EngineRules::Compare(const Engine* first, const Engine* second, int column)
{
    if (!first || !second)
        return Sign(static_cast<int>(first != nullptr) - static_cast<int>(second != nullptr));
    switch (column)
    {
    case COLUMN_NAME:
        return Sign(first->m_strName.compare(second->m_strName));
    case COLUMN_LANGUAGE:
        return Sign(first->m_strLanguage.compare(second->m_strLanguage));
    case COLUMN_CATEGORY:
        return Sign(first->m_strCategory.compare(second->m_strCategory));
    case COLUMN_STATUS:
        return Sign(static_cast<int>(first->m_bEnable) - static_cast<int>(second->m_bEnable));
    case COLUMN_ENCODING:
        return Sign(first->m_strEncoding.compare(second->m_strEncoding));
    case COLUMN_INDEX:
        return Sign(static_cast<long long>(first->m_nIndex) - second->m_nIndex);
    case COLUMN_URL:
        return Sign(first->m_strUrl.compare(second->m_strUrl));
    case COLUMN_SHORTCUT:
        return Sign(first->m_strShortcut.compare(second->m_strShortcut));
    default:
        return 0;
    }
}

void EngineRules::SortByIndex(EngineArray& engines)
{
    std::stable_sort(engines.begin(), engines.end(),
                     [](const Engine* a, const Engine* b) { return a->m_nIndex < b->m_nIndex; });
}

int EngineRules::EncodingPosition(const wxString& stored)
{
    if (stored.empty())
        return 0;
    for (size_t i = 0; i < EncodingNamesCount; ++i)
    {
        if (EncodingNames[i].IsSameAs(stored, false))
            return static_cast<int>(i);
    }
    return -1;
}

bool EngineRules::IsWellFormedShortcut(const wxString& shortcut)
{
    if (shortcut.empty() || shortcut.length() > ShortcutMaxLength)
        return false;
    bool afterLetter = false;
    for (wxString::const_iterator it = shortcut.begin(); it != shortcut.end(); ++it)
    {
        const UChar32 c = static_cast<UChar32>((*it).GetValue());
        const int type = u_charType(c);
        const bool mark = type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK ||
                          type == U_ENCLOSING_MARK;
        // Many scripts write a letter with its vowel signs: they belong to it.
        if (mark && afterLetter)
            continue;
        afterLetter = u_isalpha(c);
        if (!afterLetter && !u_isdigit(c) && c != '-' && c != '_' && c != '.')
            return false;
    }
    return true;
}

wxString EngineRules::ShortcutKey(const wxString& shortcut)
{
    if (shortcut.empty())
        return wxString();
    // wxString holds UTF-32 on this platform; ICU works in UTF-16.
    const std::wstring wide = shortcut.ToStdWstring();
    icu::UnicodeString text = icu::UnicodeString::fromUTF32(
        reinterpret_cast<const UChar32*>(wide.data()), static_cast<int32_t>(wide.size()));
    // Full folding: towlower and wxString::Lower keep "ß" and map one
    // character to one, so "STRASSE" would never meet "straße".
    text.foldCase(U_FOLD_CASE_DEFAULT);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_SUCCESS(status))
    {
        icu::UnicodeString composed = nfc->normalize(text, status);
        if (U_SUCCESS(status))
            text = composed;
    }
    std::string utf8;
    text.toUTF8String(utf8);
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

EngineRules::ShortcutProblem EngineRules::CheckShortcut(const wxString& typed, const Engine& engine,
                                                        const EngineManager& catalogue,
                                                        wxString& stored, const Engine*& holder)
{
    holder = nullptr;
    stored = Trimmed(typed);
    if (stored.empty())
        return ShortcutProblem::None;
    if (!IsWellFormedShortcut(stored))
        return ShortcutProblem::Malformed;
    const ShortcutQuery shortcuts(catalogue);
    const Engine* user = shortcuts.Find(stored);
    if (user && user != &engine)
    {
        holder = user;
        return ShortcutProblem::Taken;
    }
    return ShortcutProblem::None;
}

wxString EngineRules::ShortcutMessage(ShortcutProblem problem, const wxString& shortcut,
                                      const Engine* holder)
{
    switch (problem)
    {
    case ShortcutProblem::None:
        break;
    case ShortcutProblem::Malformed:
        return _("A shortcut is 1 to 16 letters, digits, '-', '_' or '.'.");
    case ShortcutProblem::Taken:
        // TRANSLATORS: first the shortcut, then the name of the engine that has it
        return wxString::Format(_("The shortcut \"%s\" is already used by \"%s\"."), shortcut,
                                holder ? holder->m_strName : wxString());
    }
    return wxString();
}
