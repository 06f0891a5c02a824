#include "settings/SuggServicePage.h"

#include "store/Preference.h"
#include "net/SuggestionRequest.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/confbase.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

const long SuggServicePage::ID_PANEL_SUGG = wxNewId();
const long SuggServicePage::ID_STATICTEXT_SUGG_RESULT = wxNewId();

namespace
{
struct Language
{
    const char* code;
    const char* sample;  // a word worth completing, UTF-8
};
// The pop-up's languages, in its order.
const Language kLanguages[] = {
    {"en", "weather"}, {"zh-CN", "\xE5\xA4\xA9\xE6\xB0\x94"}, {"ja-JP", "\xE5\xA4\xA9\xE6\xB0\x97"}};

constexpr int kTestTimeoutSeconds = 10;
} // namespace

SuggServicePage::SuggServicePage(wxWindow* parent, wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, "ID_PANEL_SUGG"),
      m_presets(SuggestionPreset::BuiltIn()),
      m_testLink(std::make_shared<SuggFetchLink>(
          [this](unsigned number, SuggThread::Outcome outcome, const wxArrayString& list,
                 const wxString& detail) { OnTestDone(number, outcome, list, detail); }))
{
    const wxString labels[] = {_("English"), _("Chinese"), _("Japanese")};
    auto* grid = new wxFlexGridSizer(4, 4, 6);
    grid->AddGrowableCol(2, 1);
    for (size_t i = 0; i < WXSIZEOF(kLanguages); ++i)
    {
        Row row;
        row.code = kLanguages[i].code;
        row.label = labels[i];
        const wxString suffix = "_" + row.code;
        row.service = new wxChoice(this, wxNewId(), wxDefaultPosition, wxDefaultSize, 0, nullptr, 0,
                                   wxDefaultValidator, "ID_CHOICE_SUGG_SERVICE" + suffix);
        row.url = new wxTextCtrl(this, wxNewId(), wxEmptyString, wxDefaultPosition,
                                 wxSize(360, -1), 0, wxDefaultValidator,
                                 "ID_TEXTCTRL_SUGG_URL" + suffix);
        // TRANSLATORS: the button that asks a suggestion service for one word.
        row.test = new wxButton(this, wxNewId(), _("Test"), wxDefaultPosition, wxDefaultSize, 0,
                                wxDefaultValidator, "ID_BUTTON_SUGG_TEST" + suffix);
        grid->Add(new wxStaticText(this, wxID_ANY, row.label), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(row.service, 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(row.url, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
        grid->Add(row.test, 0, wxALIGN_CENTER_VERTICAL);
        row.service->Bind(wxEVT_CHOICE, [this, i](wxCommandEvent&) { OnServiceChosen(i); });
        row.test->Bind(wxEVT_BUTTON, [this, i](wxCommandEvent&) { OnTest(i); });
        m_rows.push_back(row);
        FillChoice(m_rows.back(), wxString());
    }
    m_pResult = new wxStaticText(this, ID_STATICTEXT_SUGG_RESULT, wxEmptyString, wxDefaultPosition,
                                 wxDefaultSize, wxST_NO_AUTORESIZE, "ID_STATICTEXT_SUGG_RESULT");

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                _("Where keyword suggestions come from, for each language:")),
               0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(grid, 0, wxEXPAND | wxALL, 6);
    sizer->Add(m_pResult, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    SetSizer(sizer);
}

SuggServicePage::~SuggServicePage()
{
    // A test still running is cancelled and waited for (it ends within 50 ms).
    m_testLink->Detach();
    m_testLink->WaitForWorkers(2000);
}

void SuggServicePage::AddPresets(const std::vector<SuggestionPreset>& presets)
{
    for (const SuggestionPreset& preset : presets)
    {
        if (SuggestionRequest::IsTemplate(preset.urlTemplate))
            m_presets.push_back(preset);
    }
    for (Row& row : m_rows)
        FillChoice(row, Value(row));
}

void SuggServicePage::Load(wxConfigBase& config)
{
    m_strClassicHost = config.Read(wxString("/") + PreferenceKey::SuggHost,
                                   wxString(PreferenceDefault::SuggHost));
    for (Row& row : m_rows)
    {
        const wxString key = wxString("/") + PreferenceKey::SuggUrlPrefix + row.code;
        row.stored = config.HasEntry(key) ? config.Read(key, wxString()).Trim(true).Trim(false)
                                          : wxString();
        FillChoice(row, row.stored);
    }
}

void SuggServicePage::FillChoice(Row& row, const wxString& value)
{
    row.service->Clear();
    row.entries.clear();
    row.service->Append(_("Classic service"));
    row.entries.push_back(Classic);
    int selected = value.empty() ? 0 : wxNOT_FOUND;
    for (size_t i = 0; i < m_presets.size(); ++i)
    {
        if (!m_presets[i].ServesLanguage(row.code))
            continue;
        if (selected == wxNOT_FOUND && m_presets[i].urlTemplate == value)
            selected = static_cast<int>(row.entries.size());
        row.service->Append(m_presets[i].name);
        row.entries.push_back(static_cast<int>(i));
    }
    row.service->Append(_("Custom address"));
    row.entries.push_back(Custom);
    if (selected == wxNOT_FOUND)
    {
        selected = static_cast<int>(row.entries.size()) - 1;
        row.url->ChangeValue(value);
    }
    row.service->SetSelection(selected);
    ShowEntry(row);
}

void SuggServicePage::ShowEntry(Row& row)
{
    const int entry = row.entries[row.service->GetSelection()];
    if (entry == Classic)
        row.url->ChangeValue(m_strClassicHost);
    else if (entry != Custom)
        row.url->ChangeValue(m_presets[entry].urlTemplate);
    // Only a custom address is typed; the others show what will be asked.
    row.url->SetEditable(entry == Custom);
    row.url->Enable(entry != Classic);
}

wxString SuggServicePage::Value(const Row& row) const
{
    const int entry = row.entries[row.service->GetSelection()];
    if (entry == Classic)
        return wxString();
    if (entry == Custom)
        return wxString(row.url->GetValue()).Trim(true).Trim(false);
    return m_presets[entry].urlTemplate;
}

void SuggServicePage::OnServiceChosen(size_t index)
{
    Row& row = m_rows[index];
    const bool custom = row.entries[row.service->GetSelection()] == Custom;
    // A custom address starts from the one shown, unless that was the classic host.
    if (custom && !row.url->IsEnabled())
        row.url->ChangeValue(wxString());
    ShowEntry(row);
    if (custom)
        row.url->SetFocus();
}

wxString SuggServicePage::FirstInvalidLanguage() const
{
    for (const Row& row : m_rows)
    {
        const wxString value = Value(row);
        if (!value.empty() && !SuggestionRequest::IsTemplate(value))
            return row.code;
    }
    return wxString();
}

wxString SuggServicePage::LanguageLabel(const wxString& code) const
{
    for (const Row& row : m_rows)
    {
        if (row.code == code)
            return row.label;
    }
    return code;
}

bool SuggServicePage::Store(wxConfigBase& config) const
{
    bool changed = false;
    for (const Row& row : m_rows)
    {
        const wxString value = Value(row);
        if (value == row.stored)
            continue;
        changed = true;
        const wxString key = wxString("/") + PreferenceKey::SuggUrlPrefix + row.code;
        // No key means the classic service, as in stores from before these keys.
        if (value.empty())
            config.DeleteEntry(key, false);
        else
            config.Write(key, value);
    }
    return changed;
}

void SuggServicePage::OnTest(size_t index)
{
    const Row& row = m_rows[index];
    SuggThread::Request request;
    request.number = ++m_nTest;
    request.keyword = wxString::FromUTF8(kLanguages[index].sample);
    request.lang = row.code;
    request.timeoutSeconds = kTestTimeoutSeconds;
    const wxString value = Value(row);
    bool valid;
    if (value.empty())
    {
        valid = SuggestionRequest::ParseServer(m_strClassicHost, request.service.host,
                                               request.service.port);
    }
    else
    {
        valid = SuggestionRequest::IsTemplate(value);
        request.service.classic = false;
        request.service.urlTemplate = value;
    }
    if (!valid)
    {
        m_pResult->SetLabel(wxString::Format(
            _("%s: the address must be an http or https address holding {searchTerms}."),
            row.label));
        return;
    }
    m_nTestRow = index;
    m_pResult->SetLabel(wxString::Format(_("%s: asking the service..."), row.label));
    // A detached thread deletes itself once it has run; until Run() succeeds it is ours.
    auto thread = std::make_unique<SuggThread>(m_testLink, request);
    if (thread->Create() != wxTHREAD_NO_ERROR || thread->Run() != wxTHREAD_NO_ERROR)
    {
        m_pResult->SetLabel(_("Can't start thread!"));
        return;
    }
    thread.release();
}

void SuggServicePage::OnTestDone(unsigned number, SuggThread::Outcome outcome,
                                 const wxArrayString& suggestions, const wxString& detail)
{
    if (number != m_nTest)
        return;  // an older test's answer
    const wxString& label = m_rows[m_nTestRow].label;
    wxString text;
    switch (outcome)
    {
        case SuggThread::Outcome::Suggestions:
            text = suggestions.empty()
                       ? wxString::Format(_("%s: the service answered without suggestions."), label)
                       : wxString::Format(_("%s: the service suggests \"%s\"."), label,
                                          suggestions[0]);
            break;
        case SuggThread::Outcome::TimedOut:
            text = wxString::Format(_("%s: the service did not answer within %d seconds."), label,
                                    kTestTimeoutSeconds);
            break;
        case SuggThread::Outcome::ConnectFailed:
        case SuggThread::Outcome::StatusFailed:
            text = wxString::Format(_("%s: the service cannot be used (%s)."), label, detail);
            break;
        case SuggThread::Outcome::Skipped:
        case SuggThread::Outcome::Error:
            text = wxString::Format(_("%s: the test did not finish."), label);
            break;
    }
    m_pResult->SetLabel(text);
    m_pResult->Wrap(GetClientSize().x - 12);
}
