#pragma once

#include <wx/dialog.h>

class wxRadioBox;

// Asks which engines to export (the selected one, named, or all) and in
// which form (an Orvane catalogue file, or one OpenSearch description per
// engine).
class EngineExportDlg : public wxDialog
{
public:
    // `selectedName` is empty when no engine is selected.
    EngineExportDlg(wxWindow* parent, const wxString& selectedName);

    bool AllEngines() const;
    bool AsOpenSearch() const;

    wxRadioBox* GetWhichBox() const { return m_pWhich; }
    wxRadioBox* GetFormatBox() const { return m_pFormat; }

private:
    wxRadioBox* m_pWhich = nullptr;
    wxRadioBox* m_pFormat = nullptr;
};
