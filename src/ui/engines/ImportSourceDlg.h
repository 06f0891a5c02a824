#pragma once

#include "exchange/BrowserProfiles.h"

#include <wx/dialog.h>

#include <vector>

class wxListCtrl;
class wxRadioButton;

// Where File -> Import Engines takes engines from: files (the file chooser
// follows), or one of the browser profiles found, listed with its browser,
// profile name and number of engines.
class ImportSourceDlg : public wxDialog
{
public:
    ImportSourceDlg(wxWindow* parent, const std::vector<BrowserProfiles::Profile>& profiles,
                    const std::vector<size_t>& engineCounts);

    // The chosen profile's position, or -1 for files.
    int GetProfile() const;

    wxRadioButton* GetFilesButton() const { return m_pFiles; }
    wxRadioButton* GetBrowserButton() const { return m_pBrowser; }
    wxListCtrl* GetList() const { return m_pList; }

    enum Column
    {
        COLUMN_BROWSER = 0,
        COLUMN_PROFILE,
        COLUMN_ENGINES
    };

private:
    void UpdateControls();

    wxRadioButton* m_pFiles = nullptr;
    wxRadioButton* m_pBrowser = nullptr;
    wxListCtrl* m_pList = nullptr;
};
