#include "pages/NoticeBar.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>

namespace
{
NoticeBar::Opener& CurrentOpener()
{
    static NoticeBar::Opener opener;
    return opener;
}
} // namespace

NoticeBar::NoticeBar(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, "ID_PANEL_NOTICE")
{
    m_pIcon = new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(wxART_INFORMATION, wxART_MENU));
    m_pText = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxST_ELLIPSIZE_MIDDLE);
    m_pGauge = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, FromDIP(wxSize(160, -1)));
    m_pButtonOpen = new wxButton(this, wxID_ANY, _("Open"));
    m_pButtonShowFolder = new wxButton(this, wxID_ANY, _("Show in Folder"));
    m_pButtonCancel = new wxButton(this, wxID_ANY, _("Cancel"));
    m_pButtonCancel->SetToolTip(_("Stop this download and remove what it saved"));
    m_pButtonClose = new wxButton(this, wxID_ANY, _("Close"));
    m_pButtonClose->SetToolTip(_("Hide this bar; a download goes on"));
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_pIcon, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 6);
    // The text takes what the buttons leave; a long name is cut in the middle.
    row->Add(m_pText, 1, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM, 4);
    row->Add(m_pGauge, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    row->Add(m_pButtonOpen, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    row->Add(m_pButtonShowFolder, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    row->Add(m_pButtonCancel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    row->Add(m_pButtonClose, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 4);
    m_pGauge->Hide();
    m_pButtonOpen->Hide();
    m_pButtonShowFolder->Hide();
    m_pButtonCancel->Hide();
    SetSizerAndFit(row);
    m_pButtonCancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (m_onCancel && !m_strRunningName.empty())
            m_onCancel(m_strRunningName);
    });
    m_pButtonOpen->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OpenSaved(false); });
    m_pButtonShowFolder->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OpenSaved(true); });
    m_pButtonClose->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (m_onClose)
            m_onClose();
    });
}

void NoticeBar::SetOpener(Opener opener)
{
    CurrentOpener() = std::move(opener);
}

void NoticeBar::SetText(const wxString& text, bool problem)
{
    m_pIcon->SetBitmap(wxArtProvider::GetBitmap(problem ? wxART_WARNING : wxART_INFORMATION, wxART_MENU));
    m_pText->SetLabel(text);
    m_pText->SetToolTip(text);
}

void NoticeBar::ShowCancel(bool show)
{
    if (!show)
        m_strRunningName.clear();
    m_pButtonCancel->Show(show);
}

void NoticeBar::SetNotice(const wxString& text, bool problem)
{
    SetText(text, problem);
    ShowCancel(false);
    m_strSavedPath.clear();
    m_pGauge->Hide();
    m_pButtonOpen->Hide();
    m_pButtonShowFolder->Hide();
    Layout();
}

void NoticeBar::ShowProgress(const wxString& name, unsigned long long received, unsigned long long total)
{
    const bool known = total > 0;
    const int percent = known ? static_cast<int>(std::min(received, total) * 100 / total) : 0;
    SetText(known ? wxString::Format(_("Downloading %s: %d%%"), name, percent)
                  : wxString::Format(_("Downloading %s: %s"), name,
                                     wxFileName::GetHumanReadableSize(wxULongLong(received))),
            false);
    m_strSavedPath.clear();
    if (known)
        m_pGauge->SetValue(percent);
    else
        m_pGauge->Pulse();
    const bool relayout = !m_pGauge->IsShown() || m_pButtonOpen->IsShown() || !m_pButtonCancel->IsShown();
    m_strRunningName = name;
    ShowCancel(true);
    m_pGauge->Show();
    m_pButtonOpen->Hide();
    m_pButtonShowFolder->Hide();
    if (relayout)
        Layout();
}

void NoticeBar::ShowSaved(const wxString& path)
{
    const wxFileName file(path);
    // TRANSLATORS: a finished download; the file's name, then the folder it is in
    SetText(wxString::Format(_("Saved \"%s\" to %s"), file.GetFullName(), file.GetPath()), false);
    m_strSavedPath = path;
    ShowCancel(false);
    m_pGauge->Hide();
    m_pButtonOpen->Show();
    m_pButtonShowFolder->Show();
    Layout();
}

wxString NoticeBar::GetNotice() const
{
    return m_pText->GetLabel();
}

void NoticeBar::OpenSaved(bool folder)
{
    // Only what was saved, and only while it is still a plain file: never a
    // link or folder put in its place since.
    if (m_strSavedPath.empty() ||
        !wxFileName::Exists(m_strSavedPath, wxFILE_EXISTS_REGULAR | wxFILE_EXISTS_NO_FOLLOW))
    {
        SetNotice(wxString::Format(_("The file %s is no longer there."), m_strSavedPath), true);
        return;
    }
    const wxString target = folder ? wxFileName(m_strSavedPath).GetPath() : m_strSavedPath;
    const bool started = CurrentOpener() ? CurrentOpener()(target) : wxLaunchDefaultApplication(target);
    if (!started)
        SetNotice(wxString::Format(_("No program could be started to open %s."), target), true);
}
