#include "store/ConfigStore.h"
#include "GuiTest.h"
#include "TestEnvironment.h"
#include "settings/UILanguage.h"

#include <wx/choicdlg.h>
#include <wx/confbase.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/log.h>

#include <memory>

namespace
{
// What the language question showed, and the answer to give it.
struct LanguageQuestion
{
    wxString title;
    wxArrayString rows;
    int selected = -1;
};

class ExpectLanguageChoice
    : public wxExpectModalBase<wxSingleChoiceDialog, ExpectLanguageChoice>
{
public:
    // row < 0 cancels the dialog; NotAsked fails the test if it appears.
    static constexpr int NotAsked = -2;
    ExpectLanguageChoice(int row, std::shared_ptr<LanguageQuestion> seen = {})
        : m_row(row), m_seen(std::move(seen)) {}

protected:
    int OnInvoked(wxSingleChoiceDialog* dlg) const override
    {
        if (m_seen)
        {
            m_seen->title = dlg->GetTitle();
            m_seen->selected = dlg->GetSelection();
            for (wxWindow* child : dlg->GetChildren())
                if (auto* list = dynamic_cast<wxListBox*>(child))
                    m_seen->rows = list->GetStrings();
        }
        if (m_row == NotAsked)
            ADD_FAILURE() << "the language question was asked";
        if (m_row < 0)
            return wxID_CANCEL;
        dlg->SetSelection(m_row);
        return wxID_OK;
    }

private:
    int m_row;
    std::shared_ptr<LanguageQuestion> m_seen;
};

// Collects error messages while it is the active log target.
class ErrorCollector : public wxLog
{
public:
    ErrorCollector() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~ErrorCollector() override { wxLog::SetActiveTarget(m_previous); }

    wxArrayString m_errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override
    {
        if (level == wxLOG_Error)
            m_errors.Add(msg);
    }

private:
    wxLog* m_previous;
};

// Optional, so that not being asked passes, and failing when asked.
ExpectLanguageChoice NoQuestion()
{
    return ExpectLanguageChoice(ExpectLanguageChoice::NotAsked).Optional();
}

wxString CanonicalName(int language)
{
    return wxLocale::GetLanguageInfo(language)->CanonicalName;
}

class UILanguageTest : public ::testing::Test
{
protected:
    void SetUp() override { ConfigStore::Open(); }
    void TearDown() override { ConfigStore::Close(); }

    wxString Stored() const
    {
        wxConfigBase* config = ConfigStore::Get();
        config->SetPath("/");
        return config->HasEntry("ui_language") ? config->Read("ui_language", "") : "<absent>";
    }
    void Store(const wxString& value) { ConfigStore::Get()->Write("/ui_language", value); }

    TestSandbox m_sandbox;
};
} // namespace

TEST_F(UILanguageTest, StoredValueDecidesWithoutAsking)
{
    int language = -1;
    {
        SCOPED_TRACE("\"default\" is the system language");
        Store("default");
        wxTEST_DIALOG(language = GetUILanguage(), NoQuestion());
        EXPECT_EQ(language, wxLANGUAGE_DEFAULT);
    }
    for (int expected : {wxLANGUAGE_JAPANESE, wxLANGUAGE_CHINESE_TRADITIONAL,
                         wxLANGUAGE_CHINESE_SIMPLIFIED, wxLANGUAGE_ENGLISH})
    {
        SCOPED_TRACE("canonical name " + CanonicalName(expected).utf8_string());
        Store(CanonicalName(expected));
        ErrorCollector log;
        wxTEST_DIALOG(language = GetUILanguage(), NoQuestion());
        ASSERT_NE(wxLocale::GetLanguageInfo(language), nullptr);
        EXPECT_EQ(CanonicalName(language), CanonicalName(expected));
        EXPECT_TRUE(log.m_errors.empty());
    }
    {
        SCOPED_TRACE("unknown name: error logged, system language, value kept");
        Store("xx_NOWHERE");
        ErrorCollector log;
        wxTEST_DIALOG(language = GetUILanguage(), NoQuestion());
        EXPECT_EQ(language, wxLANGUAGE_DEFAULT);
        ASSERT_EQ(log.m_errors.size(), 1u);
        EXPECT_EQ(log.m_errors[0].utf8_string(), "Uknown locale code 'xx_NOWHERE' in registry.");
        EXPECT_EQ(Stored(), "xx_NOWHERE");
    }
    {
        SCOPED_TRACE("\"Default\" is not the keyword: it goes to the lookup and stays stored");
        Store("Default");
        ErrorCollector log;
        wxTEST_DIALOG(language = GetUILanguage(), NoQuestion());
        EXPECT_EQ(Stored(), "Default");
    }
}

TEST_F(UILanguageTest, FirstRunAsksAndStoresTheChoice)
{
    int language = -1;
    {
        SCOPED_TRACE("cancel: system language, nothing stored, asked again next time");
        wxTEST_DIALOG(language = GetUILanguage(), ExpectLanguageChoice(-1));
        EXPECT_EQ(language, wxLANGUAGE_DEFAULT);
        EXPECT_EQ(Stored(), "") << "recorded empty by the store, never a choice";
        wxTEST_DIALOG(language = GetUILanguage(), ExpectLanguageChoice(-1));
    }
    {
        SCOPED_TRACE("English: its canonical name stored, used at once, not asked again");
        auto seen = std::make_shared<LanguageQuestion>();
        wxTEST_DIALOG(language = GetUILanguage(), ExpectLanguageChoice(3, seen));
        EXPECT_EQ(language, wxLANGUAGE_ENGLISH);
        EXPECT_EQ(Stored(), CanonicalName(wxLANGUAGE_ENGLISH));
        EXPECT_EQ(seen->title, "Language selection");
        const wxString rows[] = {"(Use default language)", "Chinese (Traditional)",
                                 "Chinese (Simplified)", "English", "Japanese"};
        ASSERT_EQ(seen->rows.size(), std::size(rows));
        for (size_t i = 0; i < std::size(rows); ++i)
            EXPECT_EQ(seen->rows[i], rows[i]) << i;

        wxTEST_DIALOG(language = GetUILanguage(), NoQuestion());
        EXPECT_EQ(language, wxLANGUAGE_ENGLISH);
    }
    {
        SCOPED_TRACE("choosing the default row stores \"default\"");
        Store("");
        wxTEST_DIALOG(language = GetUILanguage(), ExpectLanguageChoice(0));
        EXPECT_EQ(language, wxLANGUAGE_DEFAULT);
        EXPECT_EQ(Stored(), "default");
    }
}

TEST_F(UILanguageTest, MenuChoiceIsSavedOnlyWhenMade)
{
    Store("default");
    int language = -1;
    wxTEST_DIALOG(language = ChooseUILanguage(), ExpectLanguageChoice(-1));
    EXPECT_EQ(language, wxLANGUAGE_UNKNOWN);
    SaveUILanguage(language);
    EXPECT_EQ(Stored(), "default") << "a cancelled choice changes nothing";

    for (int row = 1; row <= 4; ++row)
    {
        SCOPED_TRACE(row);
        wxTEST_DIALOG(language = ChooseUILanguage(), ExpectLanguageChoice(row));
        SaveUILanguage(language);
        EXPECT_EQ(Stored(), CanonicalName(language));
    }
    {
        SCOPED_TRACE("the choice is on disk at once, before any restart");
        wxTEST_DIALOG(language = ChooseUILanguage(), ExpectLanguageChoice(4));
        SaveUILanguage(language);
        const std::string file = ReadFileBytes(ConfigStore::FilePath().utf8_string());
        const std::string line = "ui_language=" + CanonicalName(wxLANGUAGE_JAPANESE).utf8_string();
        EXPECT_NE(file.find(line), std::string::npos) << file;
    }
}

TEST_F(UILanguageTest, TheLanguageInUseIsPreselected)
{
    const struct
    {
        wxString stored;
        int row;
    } cases[] = {{"default", 0},
                 {"", 0},
                 {CanonicalName(wxLANGUAGE_JAPANESE), 4},
                 {CanonicalName(wxLANGUAGE_CHINESE_TRADITIONAL), 1},
                 {CanonicalName(wxLANGUAGE_CHINESE_SIMPLIFIED), 2},
                 {CanonicalName(wxLANGUAGE_ENGLISH), 3}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.stored.utf8_string());
        Store(c.stored);
        auto seen = std::make_shared<LanguageQuestion>();
        int language = -1;
        wxTEST_DIALOG(language = ChooseUILanguage(), ExpectLanguageChoice(-1, seen));
        EXPECT_EQ(language, wxLANGUAGE_UNKNOWN);
        EXPECT_EQ(seen->selected, c.row);
    }
}
