#include "instance/CommandLine.h"

#include <gtest/gtest.h>

namespace
{
CommandLine Parse(std::initializer_list<const char*> args)
{
    wxArrayString list;
    for (const char* arg : args)
        list.push_back(wxString::FromUTF8(arg));
    return CommandLine::Parse(list);
}

using A = CommandLine::Action;
} // namespace

TEST(CommandLine, WordsOptionsAndUsageErrors)
{
    {
        SCOPED_TRACE("words start the window; -- ends the options");
        EXPECT_EQ(A::Window, Parse({}).m_action);
        const CommandLine words = Parse({"  sea  otter", "&more"});
        EXPECT_EQ(A::Window, words.m_action);
        EXPECT_EQ("sea  otter &more", words.Words());
        const CommandLine dashed = Parse({"--", "--import", "-x"});
        EXPECT_EQ(A::Window, dashed.m_action);
        EXPECT_EQ("--import -x", dashed.Words());
    }
    {
        SCOPED_TRACE("commands with their arguments, options in either form and place");
        const CommandLine import = Parse({"--import", "a.xml", "--language", "L", "b.xml", "--category=C"});
        EXPECT_EQ(A::Import, import.m_action);
        EXPECT_EQ(2u, import.m_args.size());
        EXPECT_TRUE(import.m_bHasLanguage && import.m_bHasCategory);
        EXPECT_EQ("L", import.m_strLanguage);
        EXPECT_EQ("C", import.m_strCategory);
        EXPECT_EQ(A::Urls, Parse({"--urls", "--", "-5", "degrees"}).m_action);
        EXPECT_EQ(A::Help, Parse({"--help"}).m_action);
        EXPECT_EQ(A::Export, Parse({"--export", "out.xml"}).m_action);
        EXPECT_EQ(A::ExportOpenSearch, Parse({"--export-opensearch", "dir"}).m_action);
        const CommandLine check = Parse({"--check", "--all", "sea", "otter"});
        EXPECT_EQ(A::Check, check.m_action);
        EXPECT_TRUE(check.m_bAll);
        EXPECT_EQ("sea otter", check.Words());
        // Handed to a running window, --all goes with it.
        EXPECT_TRUE(CommandLine::Parse(check.ToArgs()).m_bAll);
        EXPECT_EQ(A::Check, Parse({"--check", "--language", "L", "w"}).m_action);
        const CommandLine results = CommandLine::Parse(Parse({"--results", "--json", "--limit=7", "--all", "w"}).ToArgs());
        EXPECT_TRUE(results.m_action == A::Results && results.m_bJson && results.m_bAll && results.m_nLimit == 7);
    }
    for (const auto& bad : std::vector<std::vector<const char*>>{
             {"--bogus"}, {"word", "-x"}, {"--import"}, {"--export"}, {"--export", "a", "b"},
             {"--export", "a", "--language", "L"}, {"--urls"}, {"--urls", "  "},
             {"--import", "a", "--urls", "b"}, {"--urls", "w", "--language"},
             {"--language", "L", "word"}, {"--import=a"}, {"--urls", "--category", "a", "--category", "b", "w"},
             {"--export-opensearch", ""}, {"--export", ""}, {"--check"}, {"--all", "w"},
             {"--urls", "--all", "w"}, {"--check", "--all", "--language", "L", "w"}, {"--check", "--all=1", "w"},
             {"--results"}, {"--check", "--json", "w"}, {"--results", "--limit", "0", "w"}, {"--results", "--limit", "x", "w"},
             {"--results", "--limit"}, {"--json", "w"}})
    {
        wxArrayString list;
        for (const char* arg : bad)
            list.push_back(arg);
        SCOPED_TRACE(wxJoin(list, ' ').ToStdString());
        EXPECT_EQ(A::UsageError, CommandLine::Parse(list).m_action);
    }
}

TEST(CommandLine, HandedOnAsArgumentsWithAbsolutePaths)
{
    CommandLine import = Parse({"--import", "rel/a.xml", "/abs/b.xml", "--category", "-C"});
    import.MakePathsAbsolute("/home/u");
    EXPECT_EQ("/home/u/rel/a.xml", import.m_args[0]);
    EXPECT_EQ("/abs/b.xml", import.m_args[1]);
    const CommandLine again = CommandLine::Parse(import.ToArgs());
    EXPECT_EQ(A::Import, again.m_action);
    EXPECT_EQ(import.m_args, again.m_args);
    EXPECT_EQ("-C", again.m_strCategory);
    EXPECT_FALSE(again.m_bHasLanguage);

    CommandLine urls = Parse({"--urls", "rel/a.xml"});
    urls.MakePathsAbsolute("/home/u");
    EXPECT_EQ("rel/a.xml", urls.m_args[0]);
}

TEST(CommandLine, DesktopStartOptions)
{
    using S = CommandLine::Source;
    {
        SCOPED_TRACE("--selection, --clipboard and --new-search start the window");
        const CommandLine selection = Parse({"--selection"});
        EXPECT_EQ(A::Window, selection.m_action);
        EXPECT_EQ(S::Selection, selection.m_source);
        EXPECT_EQ(S::Clipboard, Parse({"--clipboard"}).m_source);
        EXPECT_TRUE(Parse({"--new-search"}).m_bNewSearch);
        EXPECT_EQ(S::Arguments, Parse({"words"}).m_source);
    }
    {
        SCOPED_TRACE("the text a start read is handed on after --");
        const CommandLine handed = Parse({"--selection", "--", "--sea otter"});
        EXPECT_EQ(S::Selection, handed.m_source);
        EXPECT_EQ("--sea otter", handed.Words());
    }
    {
        SCOPED_TRACE("words, commands and each other are refused");
        for (auto args : {std::initializer_list<const char*>{"--selection", "otter"},
                          {"otter", "--clipboard"},
                          {"--new-search", "--", "otter"},
                          {"--selection", "--clipboard"},
                          {"--new-search", "--new-search"},
                          {"--selection=x"},
                          {"--urls", "--selection", "otter"},
                          {"--selection", "--export", "f.xml"}})
        {
            const CommandLine line = Parse(args);
            EXPECT_EQ(A::UsageError, line.m_action) << *args.begin();
        }
    }
}
