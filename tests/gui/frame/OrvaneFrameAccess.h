#pragma once

// The main window's widgets and state, for the tests that drive it. The
// window keeps them private and befriends this fixture; test bodies are
// subclasses, which friendship does not reach, so they use these accessors.
#include "GuiTest.h"

#include "common/DeferredStatusBar.h"
#include "frame/OrvaneFrame.h"
#include "pages/ResultNotebook.h"
#include "pages/ZulIeCtrl.h"

#include <wx/menu.h>

#include <wx/weakref.h>

#include <memory>

class OrvaneFrameAccess : public ::testing::Test
{
protected:
    // Destroys the window as closing it does (its destructor saves).
    void CloseFrame()
    {
        if (!m_frame)
            return;
        wxWeakRef<wxFrame> gone(m_frame);
        m_frame->Destroy();
        m_frame = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return !gone; }));
    }

    EngineManager& Engines() const { return m_frame->m_engineManager; }
    BrowserManager& Pages() const { return m_frame->m_browserManager; }
    Preference* Prefs() const { return m_frame->m_pPreference; }
    SuggDlg* SuggPopup() const { return m_frame->m_pSuggDlg; }
    const std::shared_ptr<VersionCheckLink>& VersionLink() const { return m_frame->m_pVersionLink; }
    wxImageList* ImageList() const { return m_frame->m_pImageList.get(); }
    wxAuiManager* AuiManager() const { return m_frame->m_pAuiManager.get(); }
    wxAuiNotebook* Notebook() const { return m_frame->m_pNotebook; }
    wxAuiToolBar* ToolBar() const { return m_frame->m_pToolBar; }
    DeferredStatusBar* StatusBar() const { return m_frame->m_pStatusBar; }
    wxChoice* LangChoice() const { return m_frame->m_pChoiceLang; }
    wxChoice* CategoryChoice() const { return m_frame->m_pChoiceCategory; }
    wxComboBox* KeywordBox() const { return m_frame->m_pKeywordBox; }
    wxPanel* EnginePanel() const { return m_frame->m_pEngineMgrPanel; }
    ResultsPane* AllResults() const { return m_frame->m_pResultsPane; }
    wxListCtrl* EngineList() const { return m_frame->m_pEngineList; }
    wxWindow* EngineListHeader() const { return m_frame->EngineListHeader(); }
    wxCheckBox* ShowAllBox() const { return m_frame->m_pCheckShowAll; }
    wxButton* ButtonAdd() const { return m_frame->m_pButtonAdd; }
    wxButton* ButtonEdit() const { return m_frame->m_pButtonEdit; }
    wxButton* ButtonDelete() const { return m_frame->m_pButtonDelete; }
    wxButton* ButtonCopy() const { return m_frame->m_pButtonCopy; }
    wxButton* ButtonEnable() const { return m_frame->m_pButtonEnable; }
    wxButton* ButtonUp() const { return m_frame->m_pButtonUp; }
    wxButton* ButtonDown() const { return m_frame->m_pButtonDown; }
    Engine* SelectedEngine() const { return m_frame->m_pSelectedEngine; }
    int Searching() const { return m_frame->m_nSearching; }
    int SearchPending() const { return m_frame->m_nSearchPending; }
    int CurPage() const { return m_frame->m_nCurPage; }
    bool VersionShown() const { return m_frame->m_nVersionShown; }
    int TabImage(size_t tab) const { return m_frame->GetTabImage(tab); }
    // File -> Import Engines after the file chooser.
    size_t ImportFiles(const wxArrayString& paths) const { return m_frame->ImportFiles(paths); }
    // "Add This Engine..." once the page's link is known.
    void FetchForTest(const wxString& url) const { m_frame->FetchDescription(url); }
    // Where the import and export choosers open, and what they remember.
    static wxString ChooserFolder() { return OrvaneFrame::ChooserFolder(); }
    static void KeepChooserFolder(const wxString& folder) { OrvaneFrame::KeepChooserFolder(folder); }
    FindBar* FindBarPanel() const { return m_frame->m_pFindBar; }
    NoticeBar* NoticeBarPanel() const { return m_frame->m_pNoticeBar; }
    WebDownloads* Downloads() const { return m_frame->m_pDownloads.get(); }
    // The tab menu as a right click on the page's tab would show it (the
    // click makes that tab the current one).
    std::unique_ptr<wxMenu> TabMenuFor(ZulIeCtrl* page) const
    {
        m_frame->m_pNotebook->SetSelection(m_frame->m_pNotebook->GetPageIndex(page));
        m_frame->m_nCurPage = m_frame->m_pNotebook->GetSelection();
        auto menu = std::make_unique<wxMenu>();
        m_frame->FillTabMenu(*menu);
        return menu;
    }

    OrvaneFrame* m_frame = nullptr;
};
