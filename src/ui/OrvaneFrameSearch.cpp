// Placeholder until the search flow lands.
#include "OrvaneFrame.h"

void OrvaneFrame::FillLanguageChoice() {}
void OrvaneFrame::FillCategoryChoice(const wxString&) {}
void OrvaneFrame::RebuildResultPages(const wxString&, const wxString&) {}
void OrvaneFrame::RemoveAllNotebookPages() {}
void OrvaneFrame::ConnectPageEvents(ZulIeCtrl*) {}
void OrvaneFrame::SetSearchingState(bool) {}
void OrvaneFrame::StartSearch() {}
void OrvaneFrame::OnStartSearch(wxCommandEvent&) {}
void OrvaneFrame::OnStopSearch(wxCommandEvent&) {}
void OrvaneFrame::OnTimer(wxTimerEvent&) {}
void OrvaneFrame::OnPageChanged(wxAuiNotebookEvent&) {}
void OrvaneFrame::OnNextPage(wxCommandEvent&) {}
void OrvaneFrame::OnPrevPage(wxCommandEvent&) {}
void OrvaneFrame::OnSelectLanguage(wxCommandEvent&) {}
void OrvaneFrame::OnSelectCategory(wxCommandEvent&) {}
void OrvaneFrame::OnLanguageChanged(wxCommandEvent&) {}
void OrvaneFrame::OnCategoryChanged(wxCommandEvent&) {}
void OrvaneFrame::OnClearResult(wxCommandEvent&) {}
void OrvaneFrame::OnNewSearching(wxCommandEvent&) {}
void OrvaneFrame::KeywordPrompt() {}
void OrvaneFrame::OnPageTitleChange(wxMSHTMLEvent&) {}
void OrvaneFrame::OnPageStatusTextChange(wxMSHTMLEvent&) {}
void OrvaneFrame::OnPageDocumentComplete(wxMSHTMLEvent&) {}
void OrvaneFrame::OnPageProgressChange(wxMSHTMLEvent&) {}
void OrvaneFrame::SaveOnClose() {}
