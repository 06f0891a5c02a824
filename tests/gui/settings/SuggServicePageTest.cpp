// The settings page that chooses and tests the suggestion service of each
// language, inside the settings dialog, against a sandboxed store.
#include "GuiTest.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "TestTls.h"

#include "store/ConfigStore.h"
#include "store/Preference.h"
#include "settings/SettingDlg.h"
#include "settings/SuggServicePage.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/confbase.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace
{
const char* const kBaidu =
    "https://suggestion.baidu.com/su?wd={searchTerms}&action=opensearch&ie=utf-8";

class ExpectConfirm : public wxExpectModalBase<wxMessageDialog, ExpectConfirm>
{
public:
    explicit ExpectConfirm(const wxString& message) : m_message(message) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_EQ(dlg->GetMessage(), m_message);
        EXPECT_EQ(dlg->GetCaption(), "Confirm");
        return wxID_OK;
    }

private:
    wxString m_message;
};

class SuggServicePageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ConfigStore::Open();
        Preference::Release();
        m_store = ConfigStore::Get();
    }

    void TearDown() override
    {
        if (m_dlg)
            m_dlg->Destroy();
        DrainEvents();
        Preference::Release();
        ConfigStore::Close();
    }

    SuggServicePage& Open()
    {
        m_dlg = new SettingDlg(TestParentFrame(), wxID_ANY);
        m_dlg->AddSuggestionPresets({{"Kilo", "https://kilo.example/s?q={searchTerms}", ""},
                                     {"Not a template", "https://kilo.example/s", ""}});
        m_dlg->InitDialog();
        return *m_dlg->m_pSuggPage;
    }

    static wxString Chosen(const SuggServicePage::Row& row)
    {
        return row.service->GetStringSelection();
    }

    static void Choose(SuggServicePage::Row& row, const wxString& name)
    {
        ASSERT_TRUE(row.service->SetStringSelection(name)) << name;
        wxCommandEvent event(wxEVT_CHOICE, row.service->GetId());
        event.SetInt(row.service->GetSelection());
        event.SetEventObject(row.service);
        row.service->ProcessWindowEvent(event);
    }

    bool PressOK()
    {
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        m_dlg->ProcessWindowEvent(event);
        return m_dlg->GetReturnCode() == wxID_OK;
    }

    wxString Result(SuggServicePage::Row& row, const std::function<bool()>& done)
    {
        wxCommandEvent event(wxEVT_BUTTON, row.test->GetId());
        event.SetEventObject(row.test);
        row.test->ProcessWindowEvent(event);
        WaitUntil(done, 10000);
        return m_dlg->m_pSuggPage->m_pResult->GetLabel();
    }

    TestSandbox m_sandbox;
    ScopedEnv m_ca{"SSL_CERT_FILE", TestTls::Get().CaFile().c_str()};
    wxConfigBase* m_store = nullptr;
    SettingDlg* m_dlg = nullptr;
};
} // namespace

TEST_F(SuggServicePageTest, ShowsAndStoresTheServiceOfEachLanguage)
{
    m_store->Write("/sugg_url_zh-CN", kBaidu);
    m_store->Write("/sugg_url_ja-JP", "http://127.0.0.1:9/ac?q={searchTerms}");
    SuggServicePage& page = Open();
    ASSERT_EQ(page.m_rows.size(), 3u);
    auto& en = page.m_rows[0];
    auto& zh = page.m_rows[1];
    auto& ja = page.m_rows[2];
    {
        SCOPED_TRACE("the store as loaded: classic, a preset, a custom address");
        EXPECT_EQ(Chosen(en), "Classic service");
        EXPECT_FALSE(en.url->IsEnabled());
        EXPECT_EQ(Chosen(zh), "Baidu");
        EXPECT_EQ(zh.url->GetValue(), kBaidu);
        EXPECT_FALSE(zh.url->IsEditable());
        EXPECT_EQ(Chosen(ja), "Custom address");
        EXPECT_TRUE(ja.url->IsEditable());
        EXPECT_EQ(ja.url->GetValue(), "http://127.0.0.1:9/ac?q={searchTerms}");
    }
    {
        SCOPED_TRACE("presets: the built-in ones by language, and those added");
        EXPECT_NE(en.service->FindString("Kilo"), wxNOT_FOUND);
        EXPECT_EQ(en.service->FindString("Not a template"), wxNOT_FOUND);
        for (const char* name : {"Bing", "DuckDuckGo", "Baidu", "Wikipedia"})
            EXPECT_NE(ja.service->FindString(name), wxNOT_FOUND) << name;
        Choose(ja, "Wikipedia");
        EXPECT_TRUE(ja.url->GetValue().StartsWith("https://ja.wikipedia.org/"));
    }
    {
        SCOPED_TRACE("a custom address that is no template keeps the dialog open");
        Choose(en, "Custom address");
        EXPECT_EQ(en.url->GetValue(), "");
        en.url->SetValue("https://ac.example/complete");
        wxTEST_DIALOG(EXPECT_FALSE(PressOK()),
                      ExpectConfirm("The suggestion address for English must be an http or "
                                    "https address holding {searchTerms}."));
        EXPECT_FALSE(m_store->HasEntry("/sugg_url_en"));
    }
    {
        SCOPED_TRACE("OK writes what changed; the classic service removes the key");
        en.url->SetValue(" https://ac.example/complete?q={searchTerms} ");
        Choose(zh, "Classic service");
        ASSERT_TRUE(PressOK());
        EXPECT_TRUE(m_dlg->SuggestionServicesChanged());
        EXPECT_EQ(m_store->Read("/sugg_url_en", ""), "https://ac.example/complete?q={searchTerms}");
        EXPECT_FALSE(m_store->HasEntry("/sugg_url_zh-CN"));
        EXPECT_TRUE(m_store->Read("/sugg_url_ja-JP", "").StartsWith("https://ja.wikipedia.org/"));
    }
}

TEST_F(SuggServicePageTest, TestAsksTheServiceForOneWord)
{
    TestHttpServer service(
        [](const HttpRequest& r) {
            HttpResponse out;
            out.status = r.target.rfind("/missing", 0) == 0 ? 404 : 200;
            out.body = "[\"q\", [\"" + r.target.substr(r.target.find("q=") + 2) + " now\"]]";
            return out;
        },
        TestHttpServer::Transport::Tls);
    SuggServicePage& page = Open();
    auto& en = page.m_rows[0];
    Choose(en, "Custom address");
    en.url->SetValue(service.Url("/ac?q={searchTerms}"));
    EXPECT_EQ(Result(en, [&] { return service.RequestCount() == 1 &&
                                      page.m_pResult->GetLabel().Contains("suggests"); }),
              "English: the service suggests \"weather now\".");
    en.url->SetValue(service.Url("/missing?q={searchTerms}"));
    EXPECT_EQ(Result(en, [&] { return page.m_pResult->GetLabel().Contains("cannot"); }),
              "English: the service cannot be used (HTTP status 404).");
    en.url->SetValue("not an address");
    EXPECT_EQ(Result(en, [] { return true; }),
              "English: the address must be an http or https address holding {searchTerms}.");
    // Nothing is stored by a test.
    EXPECT_FALSE(m_store->HasEntry("/sugg_url_en"));
}
