#include "instance/EngineCommand.h"

#include <gtest/gtest.h>

// --urls prints what the window loads: an engine stored with another kind of
// address is kept in the catalogue but never loaded, so it has no line; nor
// has one whose address holds a control character (a stored line break).
TEST(UrlsCommand, EnginesThatAreNeverLoadedHaveNoAddress)
{
    EngineManager catalogue;
    int index = 0;
    for (const char* url : {"javascript:alert(*)", "https://a.test/?q=*", "file:///tmp/*",
                            "https://nl.example/\n?q=*", "https://esc.example/\x1b[2J?q=*"})
    {
        auto engine = std::make_unique<Engine>();
        engine->m_nIndex = ++index;
        engine->m_strLanguage = "L";
        engine->m_strCategory = "C";
        engine->m_strName = url;
        engine->m_strUrl = url;
        catalogue.AddEngine(std::move(engine));
    }
    wxArrayString args;
    args.push_back("--urls");
    args.push_back("w");
    EngineCommand::Reply reply = EngineCommand::Run(CommandLine::Parse(args), catalogue, "L", "C");
    EXPECT_EQ(std::vector<wxString>{"https://a.test/?q=w"}, reply.out);
    EXPECT_EQ(CommandLine::ExitOk, reply.status);

    catalogue.m_engines[1]->m_bEnable = false;
    reply = EngineCommand::Run(CommandLine::Parse(args), catalogue, "L", "C");
    EXPECT_TRUE(reply.out.empty());
    EXPECT_EQ(CommandLine::ExitNothing, reply.status);
    EXPECT_EQ(5u, catalogue.m_engines.size());
}
