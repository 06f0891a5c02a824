#include "instance/CommandLine.h"

#include <wx/filename.h>

namespace
{
struct Option
{
    const char* name;
    CommandLine::Action action;
};

const Option Commands[] = {
    {"--help", CommandLine::Action::Help},
    {"-h", CommandLine::Action::Help},
    {"--version", CommandLine::Action::Version},
    {"--import", CommandLine::Action::Import},
    {"--import-browser", CommandLine::Action::ImportBrowser},
    {"--list-browsers", CommandLine::Action::ListBrowsers},
    {"--export", CommandLine::Action::Export},
    {"--export-opensearch", CommandLine::Action::ExportOpenSearch},
    {"--urls", CommandLine::Action::Urls},
    {"--check", CommandLine::Action::Check},
    {"--results", CommandLine::Action::Results},
};

CommandLine UsageError(const wxString& message)
{
    CommandLine line;
    line.m_action = CommandLine::Action::UsageError;
    line.m_strError = message;
    return line;
}

const char* ActionName(CommandLine::Action action)
{
    for (const Option& option : Commands)
        if (option.action == action)
            return option.name;
    return "";
}
} // namespace

CommandLine CommandLine::Parse(const wxArrayString& args)
{
    CommandLine line;
    bool optionsEnded = false;
    bool wordsBeforeEnd = false;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const wxString& arg = args[i];
        if (optionsEnded || !arg.StartsWith(wxS("-")) || arg == wxS("-"))
        {
            wordsBeforeEnd = wordsBeforeEnd || !optionsEnded;
            line.m_args.push_back(arg);
            continue;
        }
        if (arg == wxS("--"))
        {
            optionsEnded = true;
            continue;
        }
        wxString name = arg, value;
        const bool inlineValue = arg.StartsWith(wxS("--")) && arg.find('=') != wxString::npos;
        if (inlineValue)
        {
            name = arg.BeforeFirst('=');
            value = arg.AfterFirst('=');
        }
        if (name == wxS("--language") || name == wxS("--category"))
        {
            if (!inlineValue)
            {
                if (i + 1 >= args.size())
                    return UsageError(name + wxS(" needs a value"));
                value = args[++i];
            }
            const bool language = name == wxS("--language");
            bool& has = language ? line.m_bHasLanguage : line.m_bHasCategory;
            if (has)
                return UsageError(name + wxS(" given twice"));
            has = true;
            (language ? line.m_strLanguage : line.m_strCategory) = value;
            continue;
        }
        if (name == wxS("--json"))
        {
            if (inlineValue)
                return UsageError(wxS("unknown option ") + arg);
            line.m_bJson = true;
            continue;
        }
        if (name == wxS("--limit"))
        {
            if (!inlineValue)
            {
                if (i + 1 >= args.size())
                    return UsageError(wxS("--limit needs a number"));
                value = args[++i];
            }
            unsigned long limit = 0;
            if (!value.ToULong(&limit) || limit == 0 || limit > 100000 || !value.IsNumber())
                return UsageError(wxS("--limit needs a whole number from 1"));
            line.m_nLimit = limit;
            continue;
        }
        if (name == wxS("--all"))
        {
            if (inlineValue)
                return UsageError(wxS("unknown option ") + arg);
            line.m_bAll = true;
            continue;
        }
        const bool selection = name == wxS("--selection");
        if (selection || name == wxS("--clipboard") || name == wxS("--new-search"))
        {
            if (inlineValue)
                return UsageError(wxS("unknown option ") + arg);
            if (line.m_source != Source::Arguments || line.m_bNewSearch)
                return UsageError(wxS("--selection, --clipboard and --new-search cannot be combined"));
            if (name == wxS("--new-search"))
                line.m_bNewSearch = true;
            else
                line.m_source = selection ? Source::Selection : Source::Clipboard;
            continue;
        }
        const Option* command = nullptr;
        for (const Option& option : Commands)
            if (name == option.name)
                command = &option;
        if (!command || inlineValue)
            return UsageError(wxS("unknown option ") + arg);
        if (line.m_action != Action::Window && line.m_action != command->action)
            return UsageError(wxString(ActionName(line.m_action)) + wxS(" and ") + name +
                              wxS(" cannot be combined"));
        line.m_action = command->action;
    }

    const bool desktopStart = line.m_source != Source::Arguments || line.m_bNewSearch;
    if (desktopStart && line.m_action != Action::Window && line.m_action != Action::Help)
        return UsageError(wxS("--selection, --clipboard and --new-search go without a command"));
    // After "--", --selection and --clipboard carry the text a start has
    // already read, handed to the running window.
    if (desktopStart && line.m_action == Action::Window &&
        (wordsBeforeEnd || (line.m_bNewSearch && !line.m_args.empty())))
        return UsageError(wxS("--selection, --clipboard and --new-search take no words"));

    if (line.m_bAll && !line.LoadsPages())
        return UsageError(wxS("--all goes with --check or --results"));
    if ((line.m_bJson || line.m_nLimit) && line.m_action != Action::Results)
        return UsageError(wxS("--json and --limit go with --results"));
    switch (line.m_action)
    {
    case Action::Help:
        break;
    case Action::Version:
        if (line.m_bHasLanguage || line.m_bHasCategory || !line.m_args.empty())
            return UsageError(wxS("--version takes no arguments"));
        break;
    case Action::Window:
        if (line.m_bHasLanguage || line.m_bHasCategory)
            return UsageError(wxS("--language and --category go with --import, --import-browser, --urls, --check or --results"));
        break;
    case Action::Import:
        if (line.m_args.empty())
            return UsageError(wxS("--import needs at least one file"));
        break;
    case Action::ImportBrowser:
        if (line.m_args.size() > 1)
            return UsageError(wxS("--import-browser takes at most one name"));
        break;
    case Action::ListBrowsers:
        if (line.m_bHasLanguage || line.m_bHasCategory)
            return UsageError(wxS("--language and --category go with --import, --import-browser, --urls, --check or --results"));
        if (!line.m_args.empty())
            return UsageError(wxS("--list-browsers takes no arguments"));
        break;
    case Action::Export:
    case Action::ExportOpenSearch:
        if (line.m_bHasLanguage || line.m_bHasCategory)
            return UsageError(wxS("--language and --category go with --import, --import-browser, --urls, --check or --results"));
        if (line.m_args.size() != 1)
            return UsageError(wxString(ActionName(line.m_action)) + wxS(" needs exactly one path"));
        // Made absolute, an empty path would be the current folder.
        if (line.m_args[0].empty())
            return UsageError(wxString(ActionName(line.m_action)) + wxS(" needs a path, not an empty one"));
        break;
    case Action::Urls:
        if (line.Words().empty())
            return UsageError(wxS("--urls needs the words to search for"));
        break;
    case Action::Check:
    case Action::Results:
        if (line.Words().empty())
            return UsageError(wxString(ActionName(line.m_action)) + wxS(" needs the words to search for"));
        if (line.m_bAll && (line.m_bHasLanguage || line.m_bHasCategory))
            return UsageError(wxS("--all checks every group: no --language or --category with it"));
        break;
    case Action::UsageError:
        break;
    }
    return line;
}

wxString CommandLine::Usage()
{
    return wxS("Usage: orvane [WORDS...]\n"
               "       orvane --import FILE... [--language L] [--category C]\n"
               "       orvane --import-browser [NAME] [--language L] [--category C]\n"
               "       orvane --list-browsers\n"
               "       orvane --export FILE\n"
               "       orvane --export-opensearch FOLDER\n"
               "       orvane --urls [--language L] [--category C] WORDS...\n"
               "       orvane --check [--language L] [--category C] [--all] WORDS...\n"
               "       orvane --results [--json] [--language L] [--category C] [--all] [--limit N] WORDS...\n"
               "       orvane --selection | --clipboard | --new-search\n"
               "       orvane --version\n"
               "\n"
               "Without options the window opens and searches WORDS, if given.\n"
               "\n"
               "  --selection               search the selected text (or else the clipboard's)\n"
               "                            in the window's current group\n"
               "  --clipboard               search the clipboard's text likewise\n"
               "  --new-search              bring the window up, ready to type a keyword\n"
               "  --import FILE...          add the engines of OpenSearch descriptions, Orvane\n"
               "                            catalogue files and browser engine files (Firefox's\n"
               "                            search.json.mozlz4, Chromium's Web Data); prints\n"
               "                            \"added<TAB>name<TAB>url\" or\n"
               "                            \"skipped<TAB>name<TAB>reason\" per engine; exits 0 when\n"
               "                            anything was added, 1 when nothing was\n"
               "  --import-browser [NAME]   the same with the engines of every Firefox, Chromium,\n"
               "                            Google Chrome, Brave, Vivaldi and Microsoft Edge profile\n"
               "                            found, or of those whose browser or profile name\n"
               "                            contains NAME (ignoring case); keywords become shortcuts\n"
               "  --list-browsers           print \"browser<TAB>profile<TAB>path<TAB>engines\" per\n"
               "                            profile found\n"
               "  --language L              the language for imported descriptions, or the group\n"
               "                            for --urls and --check; engines of an Orvane\n"
               "                            catalogue file keep their own language and category\n"
               "  --category C              the category, likewise\n"
               "  --export FILE             write the whole catalogue as a catalogue file\n"
               "  --export-opensearch DIR   write one OpenSearch description per engine into DIR\n"
               "  --urls WORDS...           print the address each enabled engine of the group\n"
               "                            (default: the current one) loads for WORDS, in tab order\n"
               "                            (a shortcut word such as \"!w\" picks its engines and their\n"
               "                            group instead)\n"
               "  --check WORDS...          load every enabled engine of the group (default: the\n"
               "                            current one; --all: every group) with WORDS and print\n"
               "                            \"outcome<TAB>engine<TAB>language<TAB>category<TAB>HTTP\n"
               "                            status<TAB>milliseconds<TAB>reason\" per engine, in tab\n"
               "                            order; outcomes: results, empty, bot-check, consent,\n"
               "                            http-error, failed; exits 0 when every engine has\n"
               "                            results, 1 otherwise (needs a display, shows no window)\n"
               "  --results WORDS...        load the pages as --check does, read each page's results\n"
               "                            and print them merged, best first, one line each:\n"
               "                            \"rank<TAB>engines<TAB>url<TAB>title<TAB>found_by\" (how\n"
               "                            many engines found it; \"name #position, ...\"); the\n"
               "                            --check summary goes to stderr; exits 0 when anything\n"
               "                            was found, 1 when nothing was\n"
               "  --json                    with --results: one JSON document with each engine's\n"
               "                            outcome and results, the merged list and how far the\n"
               "                            engines agree\n"
               "  --limit N                 with --results: at most N merged results\n"
               "  --version                 print \"Orvane\", the version and the licence\n"
               "  --help                    show this text\n"
               "  --                        end of options; what follows are words or files\n"
               "\n"
               "While the window runs, commands go through it. Usage errors exit with 2.\n");
}

wxString CommandLine::Words() const
{
    wxString words;
    for (const wxString& arg : m_args)
    {
        if (!words.empty())
            words += ' ';
        words += arg;
    }
    words.Trim(true).Trim(false);
    return words;
}

void CommandLine::MakePathsAbsolute(const wxString& folder)
{
    if (m_action != Action::Import && m_action != Action::Export &&
        m_action != Action::ExportOpenSearch)
        return;
    for (wxString& arg : m_args)
    {
        wxFileName name(arg);
        if (!name.IsAbsolute())
        {
            name.MakeAbsolute(folder);
            arg = name.GetFullPath();
        }
    }
}

wxArrayString CommandLine::ToArgs() const
{
    wxArrayString args;
    if (m_action != Action::Window)
        args.push_back(ActionName(m_action));
    if (m_bHasLanguage)
    {
        args.push_back(wxS("--language"));
        args.push_back(m_strLanguage);
    }
    if (m_bHasCategory)
    {
        args.push_back(wxS("--category"));
        args.push_back(m_strCategory);
    }
    if (m_bAll)
        args.push_back(wxS("--all"));
    if (m_bJson)
        args.push_back(wxS("--json"));
    if (m_nLimit)
    {
        args.push_back(wxS("--limit"));
        args.push_back(wxString::Format(wxS("%zu"), m_nLimit));
    }
    args.push_back(wxS("--"));
    for (const wxString& arg : m_args)
        args.push_back(arg);
    return args;
}
