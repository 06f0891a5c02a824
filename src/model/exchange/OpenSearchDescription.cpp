#include "exchange/OpenSearchDescription.h"
#include "exchange/UrlTemplate.h"

#include "base/TerminalText.h"
#include "catalogue/EngineRules.h"
#include "base/RelativeUrl.h"

#include <wx/intl.h>
#include <wx/strconv.h>

#include <expat.h>

#include <cstring>
#include <memory>

namespace
{
wxString FromUtf8(const char* s)
{
    return s ? wxString::FromUTF8Unchecked(s) : wxString();
}

// "os:Url" and "Url" are both a Url.
const char* LocalName(const char* name)
{
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

wxString Attribute(const char** atts, const char* name)
{
    for (const char** a = atts; *a; a += 2)
    {
        if (std::strcmp(LocalName(a[0]), name) == 0)
            return FromUtf8(a[1]);
    }
    return wxString();
}

struct ParserFree
{
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using Parser = std::unique_ptr<XML_ParserStruct, ParserFree>;

// The encoding an XML declaration names, or empty.
std::string DeclaredEncoding(const std::string& bytes)
{
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (bytes.compare(start, 5, "<?xml") != 0)
        return std::string();
    const size_t end = bytes.find("?>", start);
    if (end == std::string::npos)
        return std::string();
    const std::string decl = bytes.substr(start, end - start);
    const size_t key = decl.find("encoding");
    if (key == std::string::npos)
        return std::string();
    size_t q = decl.find_first_of("\"'", key);
    if (q == std::string::npos)
        return std::string();
    const size_t close = decl.find(decl[q], q + 1);
    if (close == std::string::npos)
        return std::string();
    return decl.substr(q + 1, close - q - 1);
}

bool ExpatKnows(const std::string& encoding)
{
    static const char* const known[] = {"UTF-8", "UTF8", "UTF-16", "UTF-16LE", "UTF-16BE",
                                        "ISO-8859-1", "US-ASCII", "ASCII"};
    for (const char* name : known)
    {
        if (wxString(encoding).IsSameAs(name, false))
            return true;
    }
    return false;
}

struct State
{
    explicit State(XML_Parser p, OpenSearchDescription& d) : parser(p), desc(d) {}

    XML_Parser parser;
    OpenSearchDescription& desc;
    int depth = 0;
    bool wrongRoot = false;
    bool entities = false;
    // Text of the ShortName or InputEncoding element being read, if any.
    wxString* textTarget = nullptr;
    std::string text;
    bool haveShortName = false;
    bool haveEncoding = false;
    bool inUrl = false;

    void Stop() { XML_StopParser(parser, XML_FALSE); }
};

void XMLCALL OnStart(void* data, const char* name, const char** atts)
{
    State& s = *static_cast<State*>(data);
    const char* local = LocalName(name);
    ++s.depth;
    if (s.depth == 1)
    {
        if (std::strcmp(local, "OpenSearchDescription") != 0 && std::strcmp(local, "SearchPlugin") != 0)
        {
            s.wrongRoot = true;
            s.Stop();
        }
        return;
    }
    if (s.depth == 2)
    {
        if (std::strcmp(local, "ShortName") == 0 && !s.haveShortName)
        {
            s.haveShortName = true;
            s.textTarget = &s.desc.m_strShortName;
        }
        else if (std::strcmp(local, "InputEncoding") == 0 && !s.haveEncoding)
        {
            s.haveEncoding = true;
            s.textTarget = &s.desc.m_strInputEncoding;
        }
        else if (std::strcmp(local, "Url") == 0)
        {
            OpenSearchDescription::Url url;
            url.type = Attribute(atts, "type");
            url.method = Attribute(atts, "method");
            url.templ = Attribute(atts, "template");
            url.pageOffset = Attribute(atts, "pageOffset");
            url.indexOffset = Attribute(atts, "indexOffset");
            s.desc.m_urls.push_back(std::move(url));
            s.inUrl = true;
        }
        s.text.clear();
        return;
    }
    // MozParam carries browser-specific values: only Param counts.
    if (s.depth == 3 && s.inUrl && std::strcmp(local, "Param") == 0)
    {
        OpenSearchDescription::Param param{Attribute(atts, "name"), Attribute(atts, "value")};
        if (!param.name.empty())
            s.desc.m_urls.back().params.push_back(std::move(param));
    }
}

void XMLCALL OnEnd(void* data, const char*)
{
    State& s = *static_cast<State*>(data);
    if (s.depth == 2)
    {
        if (s.textTarget)
        {
            *s.textTarget = wxString::FromUTF8Unchecked(s.text.data(), s.text.size());
            s.textTarget->Trim(true).Trim(false);
        }
        s.textTarget = nullptr;
        s.inUrl = false;
    }
    --s.depth;
}

void XMLCALL OnText(void* data, const char* text, int len)
{
    State& s = *static_cast<State*>(data);
    if (s.textTarget && s.depth == 2)
        s.text.append(text, static_cast<size_t>(len));
}

void XMLCALL OnEntityDecl(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                          const XML_Char*, const XML_Char*, const XML_Char*)
{
    State& s = *static_cast<State*>(data);
    s.entities = true;
    s.Stop();
}

void XMLCALL OnStartRoot(void* data, const char* name, const char**)
{
    *static_cast<wxString*>(XML_GetUserData(static_cast<XML_Parser>(data))) = FromUtf8(LocalName(name));
    XML_StopParser(static_cast<XML_Parser>(data), XML_FALSE);
}

// Bytes that expat reads natively: legacy declared encodings go through the
// platform converter to UTF-8 first. Empty `forced` means "as declared".
bool Prepare(const std::string& bytes, std::string& utf8, const char*& forced)
{
    const std::string declared = DeclaredEncoding(bytes);
    forced = nullptr;
    if (declared.empty() || ExpatKnows(declared))
        return true;
    wxCSConv conv(declared);
    if (!conv.IsOk())
        return false;
    const wxString text(bytes.data(), conv, bytes.size());
    if (text.empty() && !bytes.empty())
        return false;
    const wxScopedCharBuffer buf = text.utf8_str();
    utf8.assign(buf.data(), buf.length());
    forced = "UTF-8";
    return true;
}

// Template parameters replaced; a literal '*' escaped so that the first '*'
// of the result is where {searchTerms} stood.
wxString Expand(const wxString& templ, const OpenSearchDescription::Url& url,
                const wxString& encoding, bool& hasSearchTerms)
{
    auto offset = [](const wxString& text) {
        long value = 0;
        return !text.empty() && text.ToLong(&value) ? wxString::Format(wxS("%ld"), value)
                                                    : wxString(wxS("1"));
    };
    return UrlTemplate::Expand(templ, true, [&](const wxString& name) -> wxString {
        if (name == wxS("searchTerms"))
        {
            hasSearchTerms = true;
            return wxS("*");
        }
        if (name.EndsWith(wxS("?")))
            return wxString();  // an optional parameter we have no value for
        if (name == wxS("inputEncoding"))
            return encoding;
        if (name == wxS("outputEncoding"))
            return wxS("UTF-8");
        if (name == wxS("startPage"))
            return offset(url.pageOffset);
        if (name == wxS("startIndex"))
            return offset(url.indexOffset);
        if (name == wxS("count"))
            return wxString::Format(wxS("%d"), OpenSearchDescription::ResultCount);
        // {language} and every other parameter stay empty.
        return wxString();
    });
}

// The template with its Params as a query: "name=value" joined by '&'.
wxString WithParams(const OpenSearchDescription::Url& url)
{
    wxString templ = url.templ;
    if (url.params.empty())
        return templ;
    if (!templ.EndsWith(wxS("?")) && !templ.EndsWith(wxS("&")))
        templ += templ.find('?') == wxString::npos ? '?' : '&';
    for (size_t i = 0; i < url.params.size(); ++i)
    {
        if (i > 0)
            templ += '&';
        templ << url.params[i].name << '=' << url.params[i].value;
    }
    return templ;
}

bool IsGet(const OpenSearchDescription::Url& url)
{
    return url.method.empty() || url.method.IsSameAs(wxS("GET"), false);
}

const char* const SuggestType = "application/x-suggestions+json";
const char* const DescriptionType = "application/opensearchdescription+xml";

wxString Resolved(const wxString& base, const wxString& templ)
{
    if (RelativeUrl::HasScheme(templ) || base.empty())
        return templ;
    return RelativeUrl::Resolve(base, templ);
}
} // namespace

bool OpenSearchDescription::Parse(const std::string& bytes, ImportMessage& error)
{
    *this = OpenSearchDescription();
    if (bytes.size() > MaxBytes)
    {
        error = ImportMessage(wxTRANSLATE("The file is larger than 1 MiB."));
        return false;
    }
    std::string converted;
    const char* forced = nullptr;
    if (!Prepare(bytes, converted, forced))
    {
        error = ImportMessage(wxTRANSLATE("The file's character encoding is not known."));
        return false;
    }
    const std::string& input = forced ? converted : bytes;

    Parser parser(XML_ParserCreate(forced));
    if (!parser)
    {
        error = ImportMessage(wxTRANSLATE("Out of memory."));
        return false;
    }
    State state(parser.get(), *this);
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser.get(), OnText);
    XML_SetEntityDeclHandler(parser.get(), OnEntityDecl);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    const bool parsed = XML_Parse(parser.get(), input.data(), static_cast<int>(input.size()),
                                  XML_TRUE) == XML_STATUS_OK;
    if (state.entities)
        error = ImportMessage(wxTRANSLATE("The file declares entities, which are not accepted."));
    else if (state.wrongRoot)
        error = ImportMessage(
            wxTRANSLATE("The file is neither an OpenSearch description nor an Orvane catalogue."));
    else if (!parsed)
        error = ImportMessage(
            wxTRANSLATE("The file is not well-formed XML (%s)."),
            wxString::Format(wxS("%s, line %lu"),
                             wxString(XML_ErrorString(XML_GetErrorCode(parser.get())), wxConvLibc),
                             static_cast<unsigned long>(XML_GetCurrentLineNumber(parser.get()))));
    else
        return true;
    *this = OpenSearchDescription();
    return false;
}

bool OpenSearchDescription::ToEngine(const wxString& base, Engine& engine, ImportMessage& error) const
{
    if (m_strShortName.empty())
    {
        error = ImportMessage(wxTRANSLATE("The description has no name (ShortName)."));
        return false;
    }
    const Url* chosen = nullptr;
    for (const Url& url : m_urls)
    {
        if (url.type.IsSameAs(wxS("text/html"), false))
        {
            chosen = &url;
            break;
        }
    }
    // Without a result page, the first GET address that is not the
    // completion service or the description itself.
    for (size_t i = 0; !chosen && i < m_urls.size(); ++i)
    {
        const Url& url = m_urls[i];
        if (IsGet(url) && !url.type.IsSameAs(SuggestType, false) &&
            !url.type.IsSameAs(DescriptionType, false))
            chosen = &url;
    }
    if (!chosen)
    {
        error = ImportMessage(wxTRANSLATE("\"%s\" has no search address (Url) that Orvane can use."),
                              m_strShortName);
        return false;
    }
    if (!IsGet(*chosen))
    {
        error = ImportMessage(
            wxTRANSLATE("\"%s\" sends its searches by POST, which Orvane cannot do."), m_strShortName);
        return false;
    }

    const wxString encoding = m_strInputEncoding.empty() ? wxString(wxS("UTF-8")) : m_strInputEncoding;
    bool hasSearchTerms = false;
    const wxString url = Resolved(base, Expand(WithParams(*chosen), *chosen, encoding, hasSearchTerms));
    if (!hasSearchTerms)
    {
        error = ImportMessage(
            wxTRANSLATE("The search address of \"%s\" has no {searchTerms}."), m_strShortName);
        return false;
    }
    if (EngineRules::HasForbiddenCharacter(m_strShortName) || TerminalText::HasControl(url))
    {
        error = ImportMessage(
            wxTRANSLATE("The name or the search address of \"%s\" contains control characters."),
            m_strShortName);
        return false;
    }
    if (!EngineRules::IsWebAddress(url))
    {
        error = ImportMessage(
            wxTRANSLATE("The search address of \"%s\" is not an http or https address."),
            m_strShortName);
        return false;
    }

    wxString suggest;
    for (const Url& candidate : m_urls)
    {
        if (candidate.type.IsSameAs(SuggestType, false) && IsGet(candidate))
        {
            suggest = Resolved(base, WithParams(candidate));
            if (!EngineRules::IsWebAddress(suggest))
                suggest.clear();
            break;
        }
    }

    engine = Engine();
    engine.m_strName = m_strShortName;
    engine.m_strUrl = url;
    engine.m_strEncoding = encoding;
    engine.m_strSuggestUrl = suggest;
    return true;
}

wxString OpenSearchDescription::RootName(const std::string& bytes)
{
    std::string converted;
    const char* forced = nullptr;
    if (!Prepare(bytes.substr(0, 4096), converted, forced))
        return wxString();
    Parser parser(XML_ParserCreate(forced));
    if (!parser)
        return wxString();
    wxString root;
    XML_SetUserData(parser.get(), &root);
    XML_UseParserAsHandlerArg(parser.get());
    XML_SetStartElementHandler(parser.get(), OnStartRoot);
    XML_SetEntityDeclHandler(parser.get(), nullptr);
    const std::string& input = forced ? converted : bytes;
    XML_Parse(parser.get(), input.data(), static_cast<int>(input.size()), XML_TRUE);
    return root;
}
