#include "exchange/EngineExport.h"
#include "base/UniqueFileName.h"

#include "catalogue/EngineManager.h"
#include "exchange/OpenSearchDescription.h"
#include "catalogue/wxXmlDocumentEx.h"

#include <wx/file.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <set>

namespace
{
wxXmlNode* TextElement(const wxString& name, const wxString& text)
{
    auto* element = new wxXmlNode(wxXML_ELEMENT_NODE, name);
    element->AddChild(new wxXmlNode(wxXML_TEXT_NODE, wxString(), text));
    return element;
}

// Our template with {searchTerms} where the first '*' stands; braces of the
// address itself are escaped so they are not read as parameters.
wxString OpenSearchTemplate(const wxString& url)
{
    wxString out;
    bool replaced = false;
    for (wxUniChar c : url)
    {
        if (c == '*' && !replaced)
        {
            out += wxS("{searchTerms}");
            replaced = true;
        }
        else if (c == '{')
            out += wxS("%7B");
        else if (c == '}')
            out += wxS("%7D");
        else
            out += c;
    }
    return out;
}

wxXmlNode* UrlElement(const wxString& type, const wxString& templ)
{
    auto* element = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("Url"));
    // Only the attributes OpenSearch 1.1 defines: a Url without a method is a GET.
    element->AddAttribute(wxS("type"), type);
    element->AddAttribute(wxS("template"), templ);
    return element;
}
} // namespace

bool EngineExport::WriteCatalogue(const std::vector<const Engine*>& engines, const wxString& path,
                                  ImportMessage& error)
{
    EngineManager file;
    file.SetFileName(path);
    std::vector<std::unique_ptr<Engine>> copies;
    copies.reserve(engines.size());
    for (const Engine* engine : engines)
        copies.push_back(std::make_unique<Engine>(*engine));
    file.AddEngines(std::move(copies));
    file.m_bModified = true;  // an empty export is a file too
    if (!file.Save())
    {
        error = ImportMessage(wxTRANSLATE("The file \"%s\" could not be written."), path);
        return false;
    }
    return true;
}

std::string EngineExport::OpenSearchXml(const Engine& engine)
{
    wxXmlDocumentEx doc;
    doc.SetVersion(wxS("1.0"));
    doc.SetFileEncoding(wxS("UTF-8"));
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("OpenSearchDescription"));
    root->AddAttribute(wxS("xmlns"), OpenSearchDescription::Namespace);
    doc.SetRoot(root);

    // Children are chained by hand: AddChild walks the whole list each time.
    std::vector<wxXmlNode*> children;
    children.push_back(TextElement(wxS("ShortName"), engine.m_strName.Left(ShortNameMax)));
    children.push_back(TextElement(wxS("Description"), engine.m_strName.Left(DescriptionMax)));
    children.push_back(TextElement(wxS("InputEncoding"), engine.m_strEncoding.empty()
                                                             ? wxString(wxS("UTF-8"))
                                                             : engine.m_strEncoding));
    children.push_back(UrlElement(wxS("text/html"), OpenSearchTemplate(engine.m_strUrl)));
    if (!engine.m_strSuggestUrl.empty())
        children.push_back(UrlElement(wxS("application/x-suggestions+json"),
                                      engine.m_strSuggestUrl));  // already a template
    root->AddChild(children[0]);
    for (size_t i = 1; i < children.size(); ++i)
        root->InsertChildAfter(children[i], children[i - 1]);

    wxMemoryOutputStream out;
    doc.Save(out, 2);
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(&bytes[0], bytes.size());
    return bytes;
}

namespace
{
bool IsOtherSpace(wxUint32 c)
{
    return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}
} // namespace

wxString EngineExport::FileStem(const wxString& name)
{
    wxString stem;
    for (wxUniChar ch : name.Left(ShortNameMax))
    {
        const wxUint32 c = ch.GetValue();
        if (c == '/' || c == '\\' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || UniqueFileName::HidesText(c) ||
            (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF)
            continue;
        if (c < 0x80)
        {
            // Shell and file-system punctuation becomes '_', as a blank does.
            const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
            stem += keep ? ch : wxUniChar('_');
        }
        else
            stem += IsOtherSpace(c) ? wxUniChar('_') : ch;  // letters and digits of every script
        // Never a hidden file, nor one that reads as an option.
        if (stem == wxS(".") || stem == wxS("-"))
            stem.clear();
    }
    return stem.empty() ? wxString(wxS("engine")) : stem;
}

bool EngineExport::WriteOpenSearch(const std::vector<const Engine*>& engines,
                                   const wxString& folder, std::vector<wxString>& written,
                                   ImportMessage& error)
{
    wxLogNull noLog;
    written.clear();
    // No folder is not the current one.
    if (folder.empty() ||
        (!wxFileName::DirExists(folder) && !wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL)))
    {
        error = ImportMessage(wxTRANSLATE("The folder \"%s\" could not be created."), folder);
        return false;
    }
    std::set<wxString> taken;
    for (const Engine* engine : engines)
    {
        const wxString stem = FileStem(engine->m_strName);
        wxString path;
        for (int n = 1;; ++n)
        {
            const wxString file = n == 1 ? stem + wxS(".xml") : wxString::Format(wxS("%s-%d.xml"), stem, n);
            path = wxFileName(folder, file).GetFullPath();
            if (!taken.count(file) && !wxFileName::Exists(path))
            {
                taken.insert(file);
                break;
            }
        }
        const std::string bytes = OpenSearchXml(*engine);
        wxFile out;
        // Created exclusively: a file that appeared meanwhile is not replaced.
        if (!out.Create(path, false, wxS_DEFAULT) ||
            out.Write(bytes.data(), bytes.size()) != bytes.size() || !out.Close())
        {
            error = ImportMessage(wxTRANSLATE("The file \"%s\" could not be written."), path);
            return false;
        }
        written.push_back(path);
    }
    return true;
}
