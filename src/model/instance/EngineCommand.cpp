#include "instance/EngineCommand.h"

#include "base/TerminalText.h"
#include "catalogue/EngineRules.h"
#include "exchange/EngineExport.h"
#include "exchange/EngineImport.h"
#include "base/KeywordEncoding.h"
#include "catalogue/ShortcutQuery.h"

#include <wx/arrstr.h>
#include <wx/utils.h>
#include <wx/filename.h>

namespace
{
// Tabs and line breaks inside a field become blanks; other control
// characters are escaped.
wxString Field(wxString text)
{
    text.Replace(wxS("\t"), wxS(" "));
    text.Replace(wxS("\r"), wxS(" "));
    text.Replace(wxS("\n"), wxS(" "));
    return TerminalText::Escape(text);
}

wxString Pick(const wxArrayString& items, const wxString& stored, bool preferStored)
{
    if (items.empty())
        return wxString();
    // Exact match, as the window's choice lists select.
    if (preferStored && items.Index(stored, true) != wxNOT_FOUND)
        return stored;
    return items[0];
}

EngineCommand::Reply Import(const CommandLine& command, EngineManager& catalogue,
                            const wxString& language, const wxString& category)
{
    EngineCommand::Reply reply;
    EngineImport import;
    if (command.m_action == CommandLine::Action::ImportBrowser)
    {
        const wxString filter = command.m_args.empty() ? wxString() : command.m_args[0];
        for (const auto& profile : BrowserProfiles::Find(wxGetHomeDir()))
            if (BrowserProfiles::Matches(profile, filter))
                import.AddProfile(profile);
        if (import.Items().empty())
        {
            reply.err.push_back(filter.empty() ? wxString(wxS("orvane: no browser profile found"))
                                               : wxS("orvane: no browser profile matches ") + filter);
            reply.status = CommandLine::ExitNothing;
            return reply;
        }
    }
    else
    {
        for (const wxString& file : command.m_args)
            import.AddFile(file);
    }
    // Engines need a group; an empty catalogue has no current one.
    wxString lang = command.m_bHasLanguage ? command.m_strLanguage : language;
    wxString cat = command.m_bHasCategory ? command.m_strCategory : category;
    lang.Trim(true).Trim(false);
    cat.Trim(true).Trim(false);
    if (lang.empty())
        lang = wxS("untitled");
    if (cat.empty())
        cat = wxS("untitled");
    import.CheckDuplicates(catalogue, lang, cat);
    // As in the import dialog: the group is for descriptions; engines of a
    // catalogue file keep their own.
    const size_t added = import.Apply(catalogue, lang, cat);
    reply.out = import.ReportLines();
    reply.status = added > 0 ? CommandLine::ExitOk : CommandLine::ExitNothing;
    return reply;
}
} // namespace

void EngineCommand::CommandGroup(const CommandLine& command, const EngineManager& catalogue,
                                 const wxString& language, const wxString& category, wxString& lang, wxString& cat)
{
    lang = command.m_bHasLanguage ? command.m_strLanguage : language;
    cat = category;
    if (command.m_bHasCategory)
        cat = command.m_strCategory;
    else if (command.m_bHasLanguage && !lang.IsSameAs(language, false))
    {
        // Another language: its first category, as the window would choose.
        // A language without engines keeps the category for the message.
        wxArrayString categories;
        catalogue.GetCategories(categories, lang);
        if (!categories.empty())
            cat = categories[0];
    }
}

EngineArray EngineCommand::CheckedEngines(const CommandLine& command, EngineManager& catalogue,
                                          const wxString& language, const wxString& category,
                                          std::vector<wxString>& err)
{
    EngineArray engines;
    auto addGroup = [&](const wxString& lang, const wxString& cat) {
        // The window never loads these, so there is no page to judge.
        for (Engine* engine : catalogue.GetEngines(lang, cat, false))
            if (EngineRules::IsWebAddress(engine->m_strUrl))
                engines.push_back(engine);
    };
    if (command.m_bAll)
    {
        // Every group in the order the window's choices list them.
        wxArrayString languages;
        catalogue.GetLanguages(languages);
        for (const wxString& lang : languages)
        {
            wxArrayString categories;
            catalogue.GetCategories(categories, lang);
            for (const wxString& cat : categories)
                addGroup(lang, cat);
        }
        if (engines.empty())
            err.push_back(wxS("No enabled engine in the catalogue."));
        return engines;
    }
    wxString lang, cat;
    CommandGroup(command, catalogue, language, category, lang, cat);
    addGroup(lang, cat);
    if (engines.empty())
        err.push_back(wxS("No enabled engine in ") + lang + wxS(" / ") + cat + wxS("."));
    return engines;
}

void EngineCommand::StartGroup(const EngineManager& catalogue, const wxString& storedLanguage,
                               const wxString& storedCategory, bool preferStored,
                               wxString& language, wxString& category)
{
    wxArrayString languages;
    catalogue.GetLanguages(languages);
    language = Pick(languages, storedLanguage, preferStored);
    wxArrayString categories;
    catalogue.GetCategories(categories, language);
    category = Pick(categories, storedCategory, preferStored);
}

EngineCommand::Reply EngineCommand::Run(const CommandLine& command, EngineManager& catalogue,
                                        const wxString& language, const wxString& category)
{
    Reply reply;
    std::vector<const Engine*> all;
    for (const auto& engine : catalogue.m_engines)
        all.push_back(engine.get());
    ImportMessage error;

    switch (command.m_action)
    {
    case CommandLine::Action::Import:
    case CommandLine::Action::ImportBrowser:
        return Import(command, catalogue, language, category);
    case CommandLine::Action::ListBrowsers:
    {
        const auto profiles = BrowserProfiles::Find(wxGetHomeDir());
        for (const auto& profile : profiles)
            reply.out.push_back(wxString::Format(
                wxS("%s\t%s\t%s\t%lu"), Field(profile.browser), Field(profile.name),
                Field(profile.folder), static_cast<unsigned long>(BrowserProfiles::CountEngines(profile))));
        reply.status = profiles.empty() ? CommandLine::ExitNothing : CommandLine::ExitOk;
        break;
    }
    case CommandLine::Action::Export:
    {
        // A mistyped folder must not become a new tree of folders.
        const wxString folder = wxFileName(command.m_args[0]).GetPath();
        if (!folder.empty() && !wxFileName::DirExists(folder))
        {
            reply.err.push_back(wxS("The folder ") + folder + wxS(" does not exist."));
            reply.status = CommandLine::ExitNothing;
            break;
        }
        if (!EngineExport::WriteCatalogue(all, command.m_args[0], error))
        {
            reply.err.push_back(error.Text(false));
            reply.status = CommandLine::ExitNothing;
        }
        break;
    }
    case CommandLine::Action::ExportOpenSearch:
    {
        std::vector<wxString> written;
        const bool ok = EngineExport::WriteOpenSearch(all, command.m_args[0], written, error);
        for (size_t i = 0; i < written.size(); ++i)
            reply.out.push_back(wxS("exported\t") + Field(all[i]->m_strName) + wxS("\t") + Field(written[i]));
        if (!ok)
        {
            reply.err.push_back(error.Text(false));
            reply.status = CommandLine::ExitNothing;
        }
        break;
    }
    case CommandLine::Action::Urls:
    {
        // Shortcuts choose the engines, and their group wins over the options.
        const ShortcutQuery::Result query = ShortcutQuery(catalogue).Parse(command.Words());
        if (query.HasShortcut())
        {
            if (!query.keyword.empty())
                for (const Engine* engine : query.searched)
                    reply.out.push_back(
                        BuildSearchUrl(engine->m_strUrl, query.keyword, engine->m_strEncoding));
            for (const wxString& note : query.Notes(false))
                reply.err.push_back(note);
            reply.status = reply.out.empty() ? CommandLine::ExitNothing : CommandLine::ExitOk;
            break;
        }
        wxString lang, cat;
        CommandGroup(command, catalogue, language, category, lang, cat);
        const wxString words = command.Words();
        const EngineArray engines = catalogue.GetEngines(lang, cat, false);
        size_t printed = 0;
        for (const Engine* engine : engines)
        {
            // The window never loads these, so there is no address to give.
            if (!EngineRules::IsWebAddress(engine->m_strUrl))
                continue;
            reply.out.push_back(BuildSearchUrl(engine->m_strUrl, words, engine->m_strEncoding));
            ++printed;
        }
        if (printed == 0)
            reply.err.push_back(wxS("No enabled engine in ") + lang + wxS(" / ") + cat + wxS("."));
        reply.status = printed == 0 ? CommandLine::ExitNothing : CommandLine::ExitOk;
        break;
    }
    default:
        reply.err.push_back(wxS("not a command"));
        reply.status = CommandLine::ExitUsage;
        break;
    }
    return reply;
}

wxString EngineCommand::Join(const std::vector<wxString>& lines)
{
    wxString text;
    for (const wxString& line : lines)
        text << line << '\n';
    return text;
}
