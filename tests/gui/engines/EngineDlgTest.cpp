// The engine dialog on its own: what it shows, the order of its input checks,
// and what it writes into the record.
#include "GuiTest.h"

#include "engines/EngineDlg.h"
#include "catalogue/EngineManager.h"
#include "base/KeywordEncoding.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include <climits>
#include <memory>
#include <ostream>

namespace
{
Engine* AddTo(EngineManager& manager, int index, const wxString& language,
              const wxString& category, const wxString& name)
{
    auto engine = std::make_unique<Engine>();
    engine->m_nIndex = index;
    engine->m_strLanguage = language;
    engine->m_strCategory = category;
    engine->m_strName = name;
    engine->m_strUrl = "http://127.0.0.1:9/" + name + "?q=*";
    engine->m_strEncoding = "UTF-8";
    Engine* raw = engine.get();
    manager.m_engines.push_back(std::move(engine));
    return raw;
}

class EngineDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AddTo(m_manager, 1, "English", "Web", "Alpha");
        AddTo(m_manager, 2, "english", "News", "Beta");
        AddTo(m_manager, 7, "Chinese", "Video", "Gamma");
        // The record being edited is part of the catalogue, as with Edit.
        m_engine = AddTo(m_manager, 3, "English", "Web", "Delta");
    }

    // A dialog set up as the panel does it, initialised as on showing.
    std::unique_ptr<EngineDlg> Open()
    {
        auto dlg = std::make_unique<EngineDlg>(TestParentFrame());
        dlg->m_pEngineManager = &m_manager;
        dlg->m_pEngine = m_engine;
        dlg->InitDialog();
        return dlg;
    }

    // Presses OK expecting the input to be accepted.
    static void Accept(EngineDlg& dlg)
    {
        wxTEST_DIALOG(PressOK(dlg), NoMessage().Optional());
        EXPECT_EQ(dlg.GetReturnCode(), wxID_OK);
    }

    static void PressOK(EngineDlg& dlg)
    {
        dlg.SetReturnCode(wxID_NONE);
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        event.SetEventObject(dlg.FindWindow(wxID_OK));
        dlg.ProcessWindowEvent(event);
    }

    static void ClickIndexBox(EngineDlg& dlg, bool ticked)
    {
        dlg.m_pCheckEnableIndex->SetValue(ticked);
        wxCommandEvent event(wxEVT_CHECKBOX, EngineDlg::ID_CHECKBOX_ENABLE_INDEX);
        event.SetInt(ticked ? 1 : 0);
        event.SetEventObject(dlg.m_pCheckEnableIndex);
        dlg.ProcessWindowEvent(event);
    }

    // Presses OK, expecting exactly the given refusal; the record stays as it was.
    void ExpectRefused(EngineDlg& dlg, const wxString& message)
    {
        const Engine before = *m_engine;
        {
            wxTEST_DIALOG(PressOK(dlg), ExpectMessage(message));
        }
        EXPECT_NE(dlg.GetReturnCode(), wxID_OK);
        EXPECT_EQ(m_engine->m_strLanguage, before.m_strLanguage);
        EXPECT_EQ(m_engine->m_strName, before.m_strName);
        EXPECT_EQ(m_engine->m_strUrl, before.m_strUrl);
        EXPECT_EQ(m_engine->m_nIndex, before.m_nIndex);
    }

    EngineManager m_manager;
    Engine* m_engine = nullptr;
};
} // namespace

TEST_F(EngineDlgTest, ShowsTheRecordAndTheCatalogueLists)
{
    m_engine->m_strEncoding = "utf-8";
    m_engine->m_bEnable = false;
    auto dlg = Open();

    SCOPED_TRACE("languages without case duplicates, categories of every language");
    ASSERT_EQ(dlg->m_pComboLang->GetCount(), 2u);
    EXPECT_EQ(dlg->m_pComboLang->GetString(0), "English");
    EXPECT_EQ(dlg->m_pComboLang->GetString(1), "Chinese");
    ASSERT_EQ(dlg->m_pComboCategory->GetCount(), 3u);
    EXPECT_EQ(dlg->m_pComboCategory->GetString(2), "Video");

    SCOPED_TRACE("fields");
    EXPECT_EQ(dlg->m_pComboLang->GetValue(), "English");
    EXPECT_EQ(dlg->m_pComboCategory->GetValue(), "Web");
    EXPECT_EQ(dlg->m_pTextName->GetValue(), "Delta");
    EXPECT_EQ(dlg->m_pTextUrl->GetValue(), "http://127.0.0.1:9/Delta?q=*");
    EXPECT_EQ(dlg->m_pTextIndex->GetValue(), "3");
    EXPECT_FALSE(dlg->m_pTextIndex->IsEnabled());
    EXPECT_FALSE(dlg->m_pCheckEnableIndex->GetValue());
    EXPECT_FALSE(dlg->m_pCheckEnable->GetValue());
    EXPECT_TRUE(dlg->m_pChoiceEncoding->IsEnabled());

    SCOPED_TRACE("the index box only toggles the field");
    dlg->m_pTextIndex->ChangeValue("42");
    ClickIndexBox(*dlg, true);
    EXPECT_TRUE(dlg->m_pTextIndex->IsEnabled());
    ClickIndexBox(*dlg, false);
    EXPECT_FALSE(dlg->m_pTextIndex->IsEnabled());
    EXPECT_EQ(dlg->m_pTextIndex->GetValue(), "42");
    dlg->m_pTextIndex->ChangeValue("3");

    SCOPED_TRACE("lower-case utf-8 selects UTF-8 and is stored as UTF-8");
    ASSERT_EQ(dlg->m_pChoiceEncoding->GetCount(), EncodingNamesCount);
    EXPECT_EQ(dlg->m_pChoiceEncoding->GetStringSelection(), "UTF-8");
    Accept(*dlg);
    EXPECT_EQ(m_engine->m_strEncoding, "UTF-8");
    EXPECT_FALSE(m_engine->m_bEnable);

    SCOPED_TRACE("a listed name in another case is stored in the list's spelling");
    m_engine->m_strEncoding = "big5-hkscs";
    auto listed = Open();
    Accept(*listed);
    EXPECT_EQ(m_engine->m_strEncoding, "Big5-HKSCS");

    SCOPED_TRACE("an unlisted name is shown and kept until the user picks another");
    m_engine->m_strEncoding = "shift-jis";
    auto other = Open();
    EXPECT_EQ(other->m_pChoiceEncoding->GetStringSelection(), "shift-jis");
    Accept(*other);
    EXPECT_EQ(m_engine->m_strEncoding, "shift-jis");
    auto picked = Open();
    picked->m_pChoiceEncoding->SetStringSelection("EUC-JP");
    Accept(*picked);
    EXPECT_EQ(m_engine->m_strEncoding, "EUC-JP");
}

TEST_F(EngineDlgTest, ChecksRunInOrderAndKeepTheDialogOpen)
{
    auto dlg = Open();
    {
        SCOPED_TRACE("everything empty: only the language is reported");
        dlg->m_pComboLang->SetValue("");
        dlg->m_pComboCategory->SetValue("");
        dlg->m_pTextName->ChangeValue("");
        dlg->m_pTextUrl->ChangeValue("");
        ExpectRefused(*dlg, "Please input language!");
    }
    {
        SCOPED_TRACE("a language of blanks");
        dlg->m_pComboLang->SetValue("   ");
        ExpectRefused(*dlg, "Please input language!");
    }
    dlg->m_pComboLang->SetValue("Japanese");
    {
        SCOPED_TRACE("category");
        dlg->m_pComboCategory->SetValue(" \t");
        ExpectRefused(*dlg, "Please input category!");
    }
    dlg->m_pComboCategory->SetValue("Web");
    {
        SCOPED_TRACE("name");
        ExpectRefused(*dlg, "Please input name!");
    }
    dlg->m_pTextName->ChangeValue("Epsilon");
    {
        SCOPED_TRACE("URL");
        dlg->m_pTextUrl->ChangeValue("  ");
        ExpectRefused(*dlg, "Please input URL!");
    }
    {
        SCOPED_TRACE("URL without a star");
        dlg->m_pTextUrl->ChangeValue("http://127.0.0.1:9/search?q=");
        ExpectRefused(*dlg, "The query keyword part of URL must be replaced with '*'!");
    }
    {
        SCOPED_TRACE("characters a catalogue file cannot hold");
        dlg->m_pTextUrl->ChangeValue("http://127.0.0.1:9/search?q=*\x1b");
        ExpectRefused(*dlg, "The name and the URL cannot contain control characters.");
        dlg->m_pTextUrl->ChangeValue("http://127.0.0.1:9/search?q=*");
        dlg->m_pTextName->ChangeValue(wxString("Eps") + wxUniChar(0xFFFF));
        ExpectRefused(*dlg, "The name and the URL cannot contain control characters.");
        dlg->m_pTextName->ChangeValue("Epsilon");
    }
    {
        SCOPED_TRACE("index of an engine of another language");
        ClickIndexBox(*dlg, true);
        dlg->m_pTextIndex->ChangeValue("7");
        ExpectRefused(*dlg, "The Index already existed. Please input another Index!");
    }
    {
        SCOPED_TRACE("no digits read as 0, free here");
        dlg->m_pTextIndex->ChangeValue("abc");
        Accept(*dlg);
        EXPECT_EQ(m_engine->m_nIndex, 0);
    }
}

TEST_F(EngineDlgTest, StoresTrimmedValuesAndTheParsedIndex)
{
    {
        SCOPED_TRACE("the engine's own index is accepted");
        auto dlg = Open();
        ClickIndexBox(*dlg, true);
        dlg->m_pTextIndex->ChangeValue(" +3");
        Accept(*dlg);
        EXPECT_EQ(m_engine->m_nIndex, 3);
    }
    {
        SCOPED_TRACE("12abc is stored as 12, blanks around texts removed, several stars");
        auto dlg = Open();
        dlg->m_pComboLang->SetValue("  French ");
        dlg->m_pComboCategory->SetValue("Images\t");
        dlg->m_pTextName->ChangeValue(" Zeta ");
        dlg->m_pTextUrl->ChangeValue(" http://127.0.0.1:9/?a=*&b=* \n");
        dlg->m_pCheckEnable->SetValue(false);
        ClickIndexBox(*dlg, true);
        dlg->m_pTextIndex->ChangeValue("12abc");
        Accept(*dlg);
        EXPECT_EQ(m_engine->m_strLanguage, "French");
        EXPECT_EQ(m_engine->m_strCategory, "Images");
        EXPECT_EQ(m_engine->m_strName, "Zeta");
        EXPECT_EQ(m_engine->m_strUrl, "http://127.0.0.1:9/?a=*&b=*");
        EXPECT_EQ(m_engine->m_nIndex, 12);
        EXPECT_FALSE(m_engine->m_bEnable);
    }
    {
        SCOPED_TRACE("an index beyond the int range saturates");
        auto dlg = Open();
        ClickIndexBox(*dlg, true);
        dlg->m_pTextIndex->ChangeValue("-99999999999");
        Accept(*dlg);
        EXPECT_EQ(m_engine->m_nIndex, INT_MIN);
    }
}

TEST_F(EngineDlgTest, LengthLimitsApplyToTypingOnly)
{
    {
        SCOPED_TRACE("typing stops at 16 and 256 characters");
        auto dlg = Open();
        dlg->m_pTextName->ChangeValue("");
        for (int i = 0; i < 20; ++i)
            dlg->m_pTextName->WriteText("n");
        EXPECT_EQ(dlg->m_pTextName->GetValue().length(), 16u);
        dlg->m_pTextUrl->ChangeValue("http://127.0.0.1:9/?q=*");
        dlg->m_pTextUrl->SetInsertionPoint(19);
        dlg->m_pTextUrl->WriteText(wxString('u', 300));
        wxYield();
        const wxString url = dlg->m_pTextUrl->GetValue();
        EXPECT_EQ(url.length(), 256u);
        EXPECT_TRUE(url.StartsWith("http://127.0.0.1:9/uuu")) << url;
        EXPECT_TRUE(url.EndsWith("u?q=*")) << url;
    }
    {
        SCOPED_TRACE("longer stored values are shown and kept whole");
        m_engine->m_strName = wxString('N', 20);
        m_engine->m_strUrl = "http://127.0.0.1:9/?q=*" + wxString('u', 300);
        const Engine before = *m_engine;
        auto dlg = Open();
        EXPECT_EQ(dlg->m_pTextName->GetValue(), before.m_strName);
        EXPECT_EQ(dlg->m_pTextUrl->GetValue(), before.m_strUrl);
        Accept(*dlg);
        EXPECT_EQ(m_engine->m_strName, before.m_strName);
        EXPECT_EQ(m_engine->m_strUrl, before.m_strUrl);
    }
}

TEST_F(EngineDlgTest, ShortcutFieldIsCheckedLastAndStoredTrimmed)
{
    m_manager.m_engines[0]->m_strShortcut = "w";
    m_engine->m_strShortcut = "bad one";  // as a hand-edited file may hold it
    auto dlg = Open();
    EXPECT_EQ(dlg->m_pTextShortcut->GetValue(), "bad one");
    {
        SCOPED_TRACE("a stored shortcut that breaks the rules is asked for again");
        ExpectRefused(*dlg, "A shortcut is 1 to 16 letters, digits, '-', '_' or '.'.");
        EXPECT_EQ(m_engine->m_strShortcut, "bad one");
    }
    {
        SCOPED_TRACE("another engine's, in any case");
        dlg->m_pTextShortcut->ChangeValue("W");
        ExpectRefused(*dlg, "The shortcut \"W\" is already used by \"Alpha\".");
    }
    {
        SCOPED_TRACE("earlier checks still come first");
        dlg->m_pTextName->ChangeValue("");
        ExpectRefused(*dlg, "Please input name!");
        dlg->m_pTextName->ChangeValue("Delta");
    }
    {
        SCOPED_TRACE("a free one, trimmed");
        dlg->m_pTextShortcut->ChangeValue(wxString::FromUTF8("  d\xC3\xA9 "));
        Accept(*dlg);
        EXPECT_EQ(m_engine->m_strShortcut, wxString::FromUTF8("d\xC3\xA9"));
    }
    {
        SCOPED_TRACE("emptied: no shortcut");
        auto again = Open();
        again->m_pTextShortcut->ChangeValue(" ");
        Accept(*again);
        EXPECT_EQ(m_engine->m_strShortcut, "");
    }
}
