// Placeholder until the version check, settings and About dialogs land.
#include "OrvaneFrame.h"

wxString OrvaneFrame::s_strPageText;

void OrvaneFrame::StartVersionCheck() {}
void OrvaneFrame::StopVersionCheck() {}
void OrvaneFrame::SetLatestVersion(const wxString& version) {}
void OrvaneFrame::RefreshStartPage() {}
void OrvaneFrame::BuildStartPage() {}
void OrvaneFrame::LoadStartPageTemplate() {}
void OrvaneFrame::OnSetting(wxCommandEvent&) {}
void OrvaneFrame::OnCheckUpdate(wxCommandEvent&) {}
void OrvaneFrame::OnAbout(wxCommandEvent&) {}
