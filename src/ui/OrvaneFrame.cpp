// Placeholder main window until the real layout lands.
#include "OrvaneFrame.h"

#include <wx/aui/auibook.h>
#include <wx/aui/aui.h>
#include <wx/imaglist.h>

#define ORVANE_DEFINE_ID(name) const long OrvaneFrame::name = wxNewId()
ORVANE_DEFINE_ID(ID_TOOL_BACK);
ORVANE_DEFINE_ID(ID_TOOL_FORWARD);
ORVANE_DEFINE_ID(ID_TOOL_REFRESH);
ORVANE_DEFINE_ID(ID_TOOL_STOPIE);
ORVANE_DEFINE_ID(ID_CHOICE_LANG);
ORVANE_DEFINE_ID(ID_CHOICE_CATEGORY);
ORVANE_DEFINE_ID(ID_TOOL_ENGINE_MGR);
ORVANE_DEFINE_ID(ID_TOOL_CLEAR);
ORVANE_DEFINE_ID(ID_COMBOBOX_KEYWORD);
ORVANE_DEFINE_ID(ID_TOOL_START_SEARCH);
ORVANE_DEFINE_ID(ID_TOOL_STOP_SEARCH);
ORVANE_DEFINE_ID(ID_TOOL_SETTING);
ORVANE_DEFINE_ID(ID_TOOL_FULLSCREEN);
ORVANE_DEFINE_ID(ID_NOTEBOOK_IE);
ORVANE_DEFINE_ID(ID_PANEL_ENGINE_MGR);
ORVANE_DEFINE_ID(ID_LISTCTRL_ENGINE);
ORVANE_DEFINE_ID(ID_CHECKBOX_SHOWALL);
ORVANE_DEFINE_ID(ID_STATICLINE1);
ORVANE_DEFINE_ID(ID_STATICLINE2);
ORVANE_DEFINE_ID(ID_BUTTON_ADD);
ORVANE_DEFINE_ID(ID_BUTTON_EDIT);
ORVANE_DEFINE_ID(ID_BUTTON_DELETE);
ORVANE_DEFINE_ID(ID_BUTTON_COPY);
ORVANE_DEFINE_ID(ID_BUTTON_ENABLE);
ORVANE_DEFINE_ID(ID_STATUSBAR1);
ORVANE_DEFINE_ID(ID_TIMER);
ORVANE_DEFINE_ID(ID_MENU_QUIT);
ORVANE_DEFINE_ID(ID_MENU_BACK);
ORVANE_DEFINE_ID(ID_MENU_FORWARD);
ORVANE_DEFINE_ID(ID_MENU_REFRESH);
ORVANE_DEFINE_ID(ID_MENU_STOPIE);
ORVANE_DEFINE_ID(ID_MENU_SELECT_LANG);
ORVANE_DEFINE_ID(ID_MENU_SELECT_CATEGORY);
ORVANE_DEFINE_ID(ID_MENU_NEW_SEARCHING);
ORVANE_DEFINE_ID(ID_MENU_START_SEARCH);
ORVANE_DEFINE_ID(ID_MENU_STOP_SEARCH);
ORVANE_DEFINE_ID(ID_MENU_NEXT_PAGE);
ORVANE_DEFINE_ID(ID_MENU_PREV_PAGE);
ORVANE_DEFINE_ID(ID_MENU_ENGINE_MGR);
ORVANE_DEFINE_ID(ID_MENU_FULLSCREEN);
ORVANE_DEFINE_ID(ID_MENU_SETTING);
ORVANE_DEFINE_ID(ID_MENU_UI_LANGUAGE);
ORVANE_DEFINE_ID(ID_MENU_CHECK_UPDATE);
ORVANE_DEFINE_ID(ID_MENU_ABOUT);

OrvaneFrame::OrvaneFrame(wxWindow* parent, wxWindowID id)
    : wxFrame(parent, id, _("Orvane"), wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE, "wxID_ANY")
{
    SetClientSize(893, 550);
    Centre(wxBOTH);
}

OrvaneFrame::~OrvaneFrame() = default;

void OrvaneFrame::OnEngineChanged() {}
void OrvaneFrame::SearchFor(const wxString&) {}
void OrvaneFrame::BuildNotebook() {}
void OrvaneFrame::BuildToolBar() {}
void OrvaneFrame::BuildEngineManagerPanel() {}
void OrvaneFrame::BuildMenuBar() {}
void OrvaneFrame::BuildStatusBar() {}
void OrvaneFrame::BuildImageList() {}
void OrvaneFrame::BindCommands() {}
wxFont OrvaneFrame::GetFrameFont(int) const { return wxFont(); }
void OrvaneFrame::OnBack(wxCommandEvent&) {}
void OrvaneFrame::OnForward(wxCommandEvent&) {}
void OrvaneFrame::OnRefresh(wxCommandEvent&) {}
void OrvaneFrame::OnStopIE(wxCommandEvent&) {}
void OrvaneFrame::OnToggleEngineManager(wxCommandEvent&) {}
void OrvaneFrame::OnPaneClose(wxAuiManagerEvent&) {}
void OrvaneFrame::OnFullScreen(wxCommandEvent&) {}
void OrvaneFrame::OnQuit(wxCommandEvent&) {}
void OrvaneFrame::OnUILanguage(wxCommandEvent&) {}
void OrvaneFrame::OnSize(wxSizeEvent&) {}
void OrvaneFrame::SetToolHighlighted(long, bool) {}
