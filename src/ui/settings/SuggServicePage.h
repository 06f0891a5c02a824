#pragma once

#include "suggest/SuggThread.h"
#include "net/SuggestionPreset.h"

#include <wx/panel.h>

#include <memory>
#include <vector>

class wxButton;
class wxChoice;
class wxConfigBase;
class wxStaticText;
class wxTextCtrl;

// The settings page that chooses the suggestion service of each suggestion
// language: the classic service, a preset, or a custom URL template, each
// with a "Test" button that asks the service for one word on a worker.
class SuggServicePage : public wxPanel
{
public:
    SuggServicePage(wxWindow* parent, wxWindowID id);
    ~SuggServicePage() override;

    // Offered besides the built-in presets (catalogue engines that name a
    // suggestion address, for example).
    void AddPresets(const std::vector<SuggestionPreset>& presets);

    // Shows the services the store names.
    void Load(wxConfigBase& config);
    // The code of the first language whose custom address is not a template;
    // empty when every row is valid.
    wxString FirstInvalidLanguage() const;
    // The language's name as the page shows it.
    wxString LanguageLabel(const wxString& code) const;
    // Writes every row; true when a service changed.
    bool Store(wxConfigBase& config) const;

    static const long ID_PANEL_SUGG;
    static const long ID_STATICTEXT_SUGG_RESULT;

    // One row per suggestion language.
    struct Row
    {
        wxString code;
        wxString label;
        wxChoice* service = nullptr;
        wxTextCtrl* url = nullptr;
        wxButton* test = nullptr;
        std::vector<int> entries;  // per choice item: a preset index, Classic or Custom
        wxString stored;           // as loaded: a template, or empty for the classic service
    };
    enum Entry { Classic = -1, Custom = -2 };

    std::vector<Row> m_rows;
    wxStaticText* m_pResult = nullptr;

private:
    void FillChoice(Row& row, const wxString& value);
    void ShowEntry(Row& row);
    wxString Value(const Row& row) const;
    void OnServiceChosen(size_t row);
    void OnTest(size_t row);
    void OnTestDone(unsigned number, SuggThread::Outcome outcome, const wxArrayString& suggestions,
                    const wxString& detail);

    std::vector<SuggestionPreset> m_presets;
    wxString m_strClassicHost;  // shown for the classic service
    std::shared_ptr<SuggFetchLink> m_testLink;
    unsigned m_nTest = 0;
    size_t m_nTestRow = 0;
};
