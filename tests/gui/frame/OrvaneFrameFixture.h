#pragma once

// A real main window over a temporary program folder: a small catalogue whose
// engines point at a loopback server, a start page, the staged pictures, and a
// configuration store in a temporary HOME.
#include "frame/OrvaneFrameAccess.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include "store/ConfigStore.h"
#include "store/ProgramFolder.h"
#include "pages/ZulIeCtrl.h"

#include <wx/aui/auibook.h>
#include <wx/confbase.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class OrvaneFrameFixture : public OrvaneFrameAccess
{
protected:
    // English/Web shows Alpha, Beta, Gamma (by index; the file lists Gamma
    // first); Echo is disabled; Delta is the only Deutsch engine.
    static std::string Catalogue(const std::string& host)
    {
        auto engine = [&](int index, const char* lang, const char* cat, const char* name,
                          const char* path, int enable) {
            return std::string("  <ENGINE><INDEX>") + std::to_string(index) + "</INDEX><LANGUAGE>" +
                   lang + "</LANGUAGE><CATEGORY>" + cat + "</CATEGORY><NAME>" + name +
                   "</NAME><URL>http://" + host + path + "</URL><ENCODING>UTF-8</ENCODING><ENABLE>" +
                   std::to_string(enable) + "</ENABLE></ENGINE>\n";
        };
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n" +
               engine(3, "English", "Web", "Gamma", "/gamma?q=*", 1) +
               engine(1, "English", "Web", "Alpha", "/alpha?q=*", 1) +
               engine(2, "English", "Web", "Beta", "/beta?q=*&amp;x=1", 1) +
               engine(4, "English", "Web", "Echo", "/echo?q=*", 0) +
               engine(1, "Deutsch", "Bilder", "Delta", "/delta?q=*", 1) + "</ENGINES>\n";
    }

    void SetUp() override
    {
        m_server = std::make_unique<TestHttpServer>([this](const HttpRequest& request) {
            HttpResponse response;
            // A result page: links that leave the site (never followed).
            response.body = "<html><head><title>T" + request.target +
                            "</title></head><body>result <a href='https://a.example/'>a</a> "
                            "<a href='https://b.example/'>b</a> <a href='https://c.example/'>c</a></body></html>";
            if (m_pageFor)
                response.body = m_pageFor(request.target);
            response.holdUntilReleased = m_hold.load();
            return response;
        });
        MakeDirs(m_sandbox.File("conf"));
        ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), Catalogue(m_server->HostPort())));
        // The window writes its start page from this at start-up.
        WriteFileBytes(m_sandbox.File("conf/index_tpl.htm"),
                       "<html><head><title>Start</title></head><body>$your_version$</body></html>");
        std::error_code ec;
        std::filesystem::create_directory_symlink(std::string(ORVANE_STAGE_DIR) + "/img",
                                                  m_sandbox.File("img"), ec);
        ProgramFolder::OverrideForTesting(wxString::FromUTF8(m_sandbox.Path()));
    }

    void TearDown() override
    {
        CloseFrame();
        ConfigStore::Close();
        ProgramFolder::OverrideForTesting(wxString());
        if (m_server)
            m_server->Stop();
    }

    // Writes the store (suggestions off, so typing never fetches) and opens
    // the window; extra lines go at the store's root.
    void OpenFrame(const std::string& extraConfig = std::string(), bool show = true)
    {
        const std::string store = ConfigStore::FilePath().utf8_string();
        MakeDirs(std::filesystem::path(store).parent_path().string());
        WriteFileBytes(store, "ui_language=default\nm_nEnableSuggestion=0\nsugg_host=" +
                                  m_server->HostPort() + "\n" + extraConfig);
        ConfigStore::Open();
        m_frame = new OrvaneFrame(nullptr);
        if (show)
            m_frame->Show();
    }

    std::string StoreText()
    {
        ConfigStore::Close();
        return ReadFileBytes(ConfigStore::FilePath().utf8_string());
    }

    bool WaitIdle(int timeoutMs = 15000)
    {
        return WaitUntil(
            [&] {
                return Searching() == 0 && SearchPending() == 0 &&
                       !Pages().IsAnyBusy();
            },
            timeoutMs);
    }

    std::vector<wxString> TabCaptions() const
    {
        std::vector<wxString> captions;
        for (size_t i = 0; i < Notebook()->GetPageCount(); ++i)
            captions.push_back(Notebook()->GetPageText(i));
        return captions;
    }

    std::vector<int> TabImages() const
    {
        std::vector<int> images;
        for (size_t i = 0; i < Notebook()->GetPageCount(); ++i)
            images.push_back(TabImage(i));
        return images;
    }

    std::vector<std::string> RequestTargets() const
    {
        std::vector<std::string> targets;
        for (const HttpRequest& request : m_server->Requests())
            targets.push_back(request.target);
        return targets;
    }

    void Command(long id, wxEventType type = wxEVT_MENU)
    {
        wxCommandEvent event(type, id);
        m_frame->ProcessWindowEvent(event);
    }

    TestSandbox m_sandbox;
    std::unique_ptr<TestHttpServer> m_server;
    std::atomic<bool> m_hold{false};
    // Set before OpenFrame: the page served for a request target.
    std::function<std::string(const std::string& target)> m_pageFor;
};
