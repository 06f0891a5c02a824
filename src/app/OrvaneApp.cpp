#include "OrvaneApp.h"

#include "OrvaneFrame.h"

wxIMPLEMENT_APP(OrvaneApp);

bool OrvaneApp::OnInit()
{
    SetVendorName("Keldrin");
    SetAppName("Orvane");
    auto* frame = new OrvaneFrame(nullptr, wxID_ANY);
    frame->Show();
    SetTopWindow(frame);
    return true;
}
