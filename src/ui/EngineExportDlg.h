#pragma once

#include <wx/dialog.h>

class wxRadioBox;

// Asks which engines to export (the selected one or all) and in which form
// (an Orvane catalogue file, or one OpenSearch description per engine).
class EngineExportDlg : public wxDialog
{
public:
    EngineExportDlg(wxWindow* parent, bool hasSelection);

    bool AllEngines() const;
    bool AsOpenSearch() const;

    wxRadioBox* GetWhichBox() const { return m_pWhich; }
    wxRadioBox* GetFormatBox() const { return m_pFormat; }

private:
    wxRadioBox* m_pWhich = nullptr;
    wxRadioBox* m_pFormat = nullptr;
};
