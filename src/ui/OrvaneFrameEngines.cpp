// Placeholder until the engine manager panel lands.
#include "OrvaneFrame.h"

void OrvaneFrame::BindEngineManagerEvents() {}
void OrvaneFrame::RefillEngineList() {}
void OrvaneFrame::SetEngineButtonStates(bool) {}
void OrvaneFrame::ShowEngineCount() {}
void OrvaneFrame::KeepUserChoices() {}
void OrvaneFrame::OnEngineSelected(wxListEvent&) {}
void OrvaneFrame::OnEngineDeselected(wxListEvent&) {}
void OrvaneFrame::OnEngineColumnClick(wxListEvent&) {}
void OrvaneFrame::OnShowAll(wxCommandEvent&) {}
void OrvaneFrame::OnAddEngine(wxCommandEvent&) {}
void OrvaneFrame::OnEditEngine(wxCommandEvent&) {}
void OrvaneFrame::OnCopyEngine(wxCommandEvent&) {}
void OrvaneFrame::OnDeleteEngine(wxCommandEvent&) {}
void OrvaneFrame::OnEnableEngine(wxCommandEvent&) {}
void OrvaneFrame::OnEngineUp(wxCommandEvent&) {}
void OrvaneFrame::OnEngineDown(wxCommandEvent&) {}
