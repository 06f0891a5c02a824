#include "engines/EngineExportDlg.h"

#include "common/DialogFont.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>

EngineExportDlg::EngineExportDlg(wxWindow* parent, const wxString& selectedName)
{
    const bool hasSelection = !selectedName.empty();
    Create(parent, wxID_ANY, _("Export Engines"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE);
    SetFont(DialogFont(9));
    const int border = 4;
    auto* top = new wxBoxSizer(wxVERTICAL);

    // TRANSLATORS: %s is the name of the engine selected in the engine manager
    const wxString which[] = {hasSelection ? wxString::Format(_("The selected engine: %s"), selectedName)
                                           : _("The selected engine"),
                              _("All engines")};
    m_pWhich = new wxRadioBox(this, wxID_ANY, _("Engines"), wxDefaultPosition, wxDefaultSize,
                              WXSIZEOF(which), which, 1, wxRA_SPECIFY_COLS);
    m_pWhich->Enable(0, hasSelection);
    m_pWhich->SetSelection(hasSelection ? 0 : 1);
    top->Add(m_pWhich, 0, wxALL | wxEXPAND, border);

    const wxString format[] = {_("An Orvane catalogue file (everything the catalogue holds)"),
                               _("OpenSearch descriptions, one file per engine, into a folder")};
    m_pFormat = new wxRadioBox(this, wxID_ANY, _("Save as"), wxDefaultPosition, wxDefaultSize,
                               WXSIZEOF(format), format, 1, wxRA_SPECIFY_COLS);
    top->Add(m_pFormat, 0, wxALL | wxEXPAND, border);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, _("&OK"));
    buttons->Add(ok, 0, wxALL, border);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("&Cancel")), 0, wxALL, border);
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, border);
    ok->SetDefault();
    // The same margin as the engine dialog.
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(top, 1, wxALL | wxEXPAND, border);
    SetSizerAndFit(outer);
}

bool EngineExportDlg::AllEngines() const
{
    return m_pWhich->GetSelection() == 1;
}

bool EngineExportDlg::AsOpenSearch() const
{
    return m_pFormat->GetSelection() == 1;
}
