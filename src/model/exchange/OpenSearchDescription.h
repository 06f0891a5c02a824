#pragma once

#include "catalogue/Engine.h"
#include "exchange/ImportMessage.h"

#include <wx/string.h>

#include <string>
#include <vector>

// An OpenSearch description document (root OpenSearchDescription, or the
// older SearchPlugin with the same children), read with expat: elements
// are matched by local name whatever their prefix, entity declarations are
// refused (no expansion bombs), and nothing larger than MaxBytes is read.
class OpenSearchDescription
{
public:
    static constexpr size_t MaxBytes = 1024 * 1024;
    static constexpr const char* Namespace = "http://a9.com/-/spec/opensearch/1.1/";
    // Keywords put into {count}.
    static constexpr int ResultCount = 20;

    struct Param
    {
        wxString name;
        wxString value;
    };

    struct Url
    {
        wxString type;
        wxString method;  // as written; GET when empty
        wxString templ;
        wxString pageOffset;
        wxString indexOffset;
        std::vector<Param> params;
    };

    // False, with the reason in `error`, for bad input; the description is
    // then left empty.
    bool Parse(const std::string& bytes, ImportMessage& error);

    // The engine this description stands for (no language, category or
    // index); `base` is the description's own address, for relative templates.
    bool ToEngine(const wxString& base, Engine& engine, ImportMessage& error) const;

    // The local name of the first element, or empty when there is none or
    // the bytes are not XML up to it.
    static wxString RootName(const std::string& bytes);

    wxString m_strShortName;       // the first ShortName, trimmed
    wxString m_strInputEncoding;   // the first InputEncoding, trimmed
    std::vector<Url> m_urls;       // every Url, in document order
};
