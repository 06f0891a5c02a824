#include "suggest/SuggDlg.h"

#include "store/ConfigStore.h"
#include "common/DialogFont.h"
#include "store/Preference.h"
#include "net/SuggestionRequest.h"
#include "catalogue/ShortcutQuery.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/settings.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <algorithm>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

const long SuggDlg::ID_LISTBOX_SUGG = wxNewId();
const long SuggDlg::ID_STATICTEXT1 = wxNewId();
const long SuggDlg::ID_CHOICE_SUGG_LANG = wxNewId();
const long SuggDlg::ID_STATICLINE1 = wxNewId();

namespace
{
int g_timeoutSeconds = 10;
// A service that fails to connect this many times in a row is off for the run.
constexpr int kFailuresBeforeOff = 3;

// GTK moves the focus into a shown window's first focusable child, and a tree
// view that gains the focus selects its first row: for the list that would be
// a choice nobody made. The focusable part of a GTK list box is its tree view.
void AllowFocus(wxListBox* list, bool allow)
{
#ifdef __WXGTK__
    gtk_widget_set_can_focus(GTK_WIDGET(list->m_treeview), allow);
#else
    list->SetCanFocus(allow);
#endif
}

// The languages offered, in the choice's order, with the codes the service takes.
const char* const kLangCodes[] = {"en", "zh-CN", "ja-JP"};

class LangCode : public wxClientData
{
public:
    explicit LangCode(const wxString& code) : m_code(code) {}
    const wxString& Code() const { return m_code; }

private:
    wxString m_code;
};
} // namespace

void SuggDlg::SetTimeoutForTesting(int seconds) { g_timeoutSeconds = seconds; }

SuggDlg::SuggDlg(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : m_link(std::make_shared<SuggFetchLink>(
          [this](unsigned number, SuggThread::Outcome outcome, const wxArrayString& list,
                 const wxString&) {
              OnFetchDone(number, outcome, list);
          }))
{
    // Position and size come from the content; the keyword handling places it.
    Create(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSIMPLE_BORDER, "id");
    SetFont(DialogFont(10));

    auto* column = new wxBoxSizer(wxVERTICAL);
    m_pListBox = new wxListBox(this, ID_LISTBOX_SUGG, wxDefaultPosition, wxSize(400, 160), 0,
                               nullptr, wxBORDER_NONE | wxLB_SINGLE, wxDefaultValidator,
                               "ID_LISTBOX_SUGG");
    column->Add(m_pListBox, 1, wxEXPAND);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->AddStretchSpacer(1);
    m_pPrompt = new wxStaticText(this, ID_STATICTEXT1, _("Select suggiestion language:"),
                                 wxDefaultPosition, wxDefaultSize, 0, "ID_STATICTEXT1");
    row->Add(m_pPrompt, 0, wxTOP | wxBOTTOM | wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
    m_pLangChoice = new wxChoice(this, ID_CHOICE_SUGG_LANG, wxDefaultPosition, wxDefaultSize, 0,
                                 nullptr, wxBORDER_NONE, wxDefaultValidator, "ID_CHOICE_SUGG_LANG");
    row->Add(m_pLangChoice, 0, wxALL | wxALIGN_CENTER_VERTICAL, 4);
    m_pSeparator = new wxStaticLine(this, ID_STATICLINE1, wxDefaultPosition, wxSize(1, -1),
                                    wxLI_VERTICAL, "ID_STATICLINE1");
    row->Add(m_pSeparator, 0, wxALL | wxEXPAND, 4);
    m_pCloseButton = new wxButton(this, wxID_CANCEL, _("&Close"), wxDefaultPosition,
                                  wxDefaultSize, 0, wxDefaultValidator, "wxID_CANCEL");
    row->Add(m_pCloseButton, 0, wxALL | wxALIGN_CENTER_VERTICAL, 4);
    column->Add(row, 0, wxEXPAND);

#ifdef __WXGTK__
    // GTK leaves an undecorated window without any edge, and the pop-up would
    // melt into the page below it: draw the simple border ourselves.
    auto* frame = new wxBoxSizer(wxVERTICAL);
    frame->Add(column, 1, wxEXPAND | wxALL, 1);
    column = frame;
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(this);
        dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(wxPoint(0, 0), GetClientSize());
    });
#endif
    SetSizer(column);
    column->Fit(this);
    column->SetSizeHints(this);

    m_pListBox->Bind(wxEVT_LISTBOX, &SuggDlg::OnSuggListSelected, this);
    m_pListBox->Bind(wxEVT_LISTBOX_DCLICK, &SuggDlg::OnSuggListActivated, this);
    m_pListBox->Bind(wxEVT_KEY_DOWN, &SuggDlg::OnListKeyDown, this);
    m_pListBox->Bind(wxEVT_LEFT_DOWN, &SuggDlg::OnListMouseDown, this);
    // The list takes the focus only when the Down key asks for it.
    AllowFocus(m_pListBox, false);
    m_pLangChoice->Bind(wxEVT_CHOICE, &SuggDlg::OnSuggLangSelected, this);
    // Escape reaches the cancel button too.
    m_pCloseButton->Bind(wxEVT_BUTTON, &SuggDlg::OnClose, this);

    m_pLangChoice->Append(_("English"), new LangCode(kLangCodes[0]));
    m_pLangChoice->Append(_("Chinese"), new LangCode(kLangCodes[1]));
    m_pLangChoice->Append(_("Japanese"), new LangCode(kLangCodes[2]));
    const wxString& preferred = Preference::Get()->m_strSuggLang;
    for (unsigned i = 0; i < WXSIZEOF(kLangCodes); ++i)
    {
        if (preferred.IsSameAs(kLangCodes[i], false))
            m_pLangChoice->SetSelection(i);
    }
}

SuggDlg::~SuggDlg()
{
    // Running fetches find nobody to deliver to and are cancelled; they end
    // within 50 ms, even in a name lookup. Waiting for them keeps detached
    // threads from outliving the toolkit's thread bookkeeping at exit.
    m_link->Detach();
    m_link->WaitForWorkers(2000);
}

void SuggDlg::FetchSuggestions(const wxString& keyword)
{
    if (!m_link->available)
        m_bSuggAvailable = false;
    if (!m_bSuggAvailable)
        return;
    m_strKeyword = keyword;
    const unsigned number = ++m_nLatestRequest;
    if (keyword.empty())
    {
        // Nothing to ask the service for: the list just empties.
        SetSuggestions(wxArrayString());
        return;
    }

    SuggThread::Request request;
    request.number = number;
    request.keyword = keyword;
    request.lang = Preference::Get()->m_strSuggLang;
    request.timeoutSeconds = g_timeoutSeconds;
    wxString setting;
    if (!SuggestionRequest::ReadService(*ConfigStore::Get(), request.lang, request.service, setting))
    {
        // Never fall back to another service: the keystrokes would go
        // somewhere the user did not choose.
        SetSuggestions(wxArrayString());
        TurnOff(_("Suggestions are off: the suggestion service address is not valid."));
        ShowError(wxString::Format(
            _("The suggestion service address \"%s\" is not valid; suggestions are off."), setting),
            wxString());
        return;
    }

    // A detached thread deletes itself once it has run; until Run() succeeds it is ours.
    auto thread = std::make_unique<SuggThread>(m_link, request);
    if (thread->Create() != wxTHREAD_NO_ERROR)
        wxMessageBox(_("Can't create thread!"), wxMessageBoxCaptionStr, wxOK | wxCENTRE);
    if (thread->Run() != wxTHREAD_NO_ERROR)
    {
        wxMessageBox(_("Can't start thread!"), wxMessageBoxCaptionStr, wxOK | wxCENTRE);
        return;
    }
    thread.release();
}

void SuggDlg::SetSuggestions(const wxArrayString& suggestions)
{
    m_pListBox->Clear();
    m_nSuggCount = suggestions.size();
    if (!suggestions.empty())
        m_pListBox->Append(suggestions);
}

void SuggDlg::OnFetchDone(unsigned requestNumber, SuggThread::Outcome outcome,
                          const wxArrayString& suggestions)
{
    // Only the newest fetch may change the list: an older reply that arrives
    // late would show completions of a keyword no longer in the box. Every
    // other outcome empties it.
    const bool latest = requestNumber == m_nLatestRequest;
    if (latest)
        SetSuggestions(outcome == SuggThread::Outcome::Suggestions ? suggestions : wxArrayString());
    switch (outcome)
    {
        case SuggThread::Outcome::Suggestions:
            m_nConnectFailures = 0;
            m_bFailureShown = false;
            break;
        case SuggThread::Outcome::Skipped:
            break;
        case SuggThread::Outcome::TimedOut:
            // Slow is not dead: this reply is dropped, suggestions stay on.
            if (m_bSuggAvailable)
                ShowStatus(_("The suggestion service did not answer in time."));
            break;
        case SuggThread::Outcome::StatusFailed:
            if (m_bSuggAvailable)
                TurnOff(_("Suggestions are off: the suggestion service refused the request."));
            break;
        case SuggThread::Outcome::ConnectFailed:
        {
            if (!m_bSuggAvailable || ++m_nConnectFailures < kFailuresBeforeOff)
                break;
            const wxString off = _("Suggestions are off: the suggestion service cannot be reached.");
            TurnOff(off);
            // Fetches that were already running fail the same way; once is enough.
            if (!m_bFailureShown)
            {
                m_bFailureShown = true;
                ShowError(wxString(_("An unknown error occurred while getting suggetions.")) +
                              _("\nPlease check your internet connection and try again."),
                          off);
            }
            break;
        }
        case SuggThread::Outcome::Error:
            if (!m_bFailureShown)
            {
                m_bFailureShown = true;
                ShowError(_("An unknown error occurred while getting suggetions."), wxString());
            }
            break;
    }
}

void SuggDlg::TurnOff(const wxString& status)
{
    m_bSuggAvailable = false;
    m_link->available = false;
    ShowStatus(status);
}

void SuggDlg::ResetService()
{
    m_bSuggAvailable = true;
    m_link->available = true;
    m_nConnectFailures = 0;
    m_bFailureShown = false;
}

void SuggDlg::ShowStatus(const wxString& text)
{
    if (m_onStatus)
    {
        m_onStatus(text);
        return;
    }
    auto* frame = wxDynamicCast(GetParent(), wxFrame);
    if (frame && frame->GetStatusBar())
        frame->SetStatusText(text, 0);
}

void SuggDlg::ShowError(const wxString& message, const wxString& status)
{
    // Not a message box: it would take the focus while the person types, and
    // the next keys would answer it instead of reaching the keyword box.
    wxString line = message;
    line.Replace("\n", " ");
    line.Trim();
    if (!status.empty())
        line << "  " << status;
    ShowStatus(line);
}

void SuggDlg::AttachKeywordBox(wxComboBox* keywordBox)
{
    m_pKeywordBox = keywordBox;
    if (m_pKeywordBox)
        m_pKeywordBox->Bind(wxEVT_KEY_DOWN, &SuggDlg::OnKeywordKeyDown, this);
}

void SuggDlg::KeywordChanged()
{
    if (!m_pKeywordBox)
        return;
    const wxString text = m_pKeywordBox->GetValue();
    size_t start = 0, end = 0;
    wxString prefix;
    if (m_pCatalogue && ShortcutQuery::ShortcutWordAt(text, text.length(), start, end, prefix))
    {
        ShowShortcuts(prefix, start, end);
        return;
    }
    LeaveShortcutList();
    if (Preference::Get()->m_nEnableSuggestion == 0)
    {
        Hide();
        return;
    }
    // The service is asked for the words, not for the shortcut tokens.
    wxString keyword = m_pCatalogue ? ShortcutQuery(*m_pCatalogue).Parse(text).keyword : text;
    keyword.Trim(true).Trim(false);
    if (keyword.empty())
    {
        Hide();
        return;
    }
    FetchSuggestions(keyword);
    // The fetch just started runs in the background: this is the previous list.
    if (m_nSuggCount == 0)
    {
        Hide();
        return;
    }
    PlaceAndShow();
}

void SuggDlg::PlaceAndShow()
{
    if (!IsShown())
    {
        wxPoint where = m_pKeywordBox->GetScreenPosition();
        where.y += m_pKeywordBox->GetClientSize().y;
        Move(where);
        // A pop-up that took the focus would swallow the next keystroke.
        ShowWithoutActivating();
    }
    if (!m_pKeywordBox->HasFocus())
        ReturnToKeywordBox();
}

void SuggDlg::ShowShortcuts(const wxString& prefix, size_t start, size_t end)
{
    // A suggestion reply still on its way is for other words: drop it.
    ++m_nLatestRequest;
    m_bShortcutList = true;
    m_nWordStart = start;
    m_nWordEnd = end;
    m_tokens.clear();
    wxArrayString rows;
    for (const Engine* engine : ShortcutQuery(*m_pCatalogue).Complete(prefix, MaxShortcutRows))
    {
        const wxString token = wxS("!") + engine->m_strShortcut;
        m_tokens.push_back(token);
        rows.Add(token + wxS("   ") + engine->m_strName);
    }
    SetSuggestions(rows);
    if (rows.empty())
    {
        Hide();
        return;
    }
    PlaceAndShow();
}

void SuggDlg::LeaveShortcutList()
{
    if (!m_bShortcutList)
        return;
    m_bShortcutList = false;
    m_tokens.clear();
    SetSuggestions(wxArrayString());
}

void SuggDlg::ReturnToKeywordBox()
{
    if (!m_pKeywordBox)
        return;
    if (wxWindow* top = wxGetTopLevelParent(m_pKeywordBox))
        top->Raise();
    m_pKeywordBox->SetFocus();
    // Focusing an entry selects its text; typing must extend it instead.
    m_pKeywordBox->SetInsertionPointEnd();
}

bool SuggDlg::Show(bool show)
{
    if (!show)
        SetKeyboardMode(false);
    return wxDialog::Show(show);
}

void SuggDlg::SetKeyboardMode(bool on)
{
    m_bKeyboardMode = on;
    AllowFocus(m_pListBox, on);
}

void SuggDlg::OnSuggListSelected(wxCommandEvent& event)
{
    if (m_bKeyboardMode)
        return;
    ChooseSuggestion(event.GetSelection());
}

void SuggDlg::OnSuggListActivated(wxCommandEvent& event)
{
    ChooseSuggestion(m_pListBox->GetSelection());
}

void SuggDlg::ChooseSuggestion(int index)
{
    if (index < 0 || static_cast<unsigned>(index) >= m_pListBox->GetCount())
        return;
    wxString text = m_pListBox->GetString(index);
    if (m_bShortcutList && m_pKeywordBox && static_cast<size_t>(index) < m_tokens.size())
    {
        // The shortcut replaces the word being typed, and typing goes on after it.
        const wxString typed = m_pKeywordBox->GetValue();
        const size_t end = std::min(m_nWordEnd, typed.length());
        const size_t start = std::min(m_nWordStart, end);
        wxString rest = typed.Mid(end);
        if (rest.empty() || !ShortcutQuery::IsSeparator(rest[0]))
            rest.insert(0, wxS(" "));
        text = typed.Left(start) + m_tokens[static_cast<size_t>(index)] + rest;
        // Out of the shortcut list without emptying the list box inside its
        // own selection handler; the next fetch refills it.
        m_bShortcutList = false;
        m_tokens.clear();
        m_nSuggCount = 0;
    }
    if (m_pKeywordBox)
        m_pKeywordBox->SetValue(text);
    Hide();
    ReturnToKeywordBox();
}

void SuggDlg::OnSuggLangSelected(wxCommandEvent& event)
{
    const int index = m_pLangChoice->GetSelection();
    if (index == wxNOT_FOUND)
        return;
    auto* code = static_cast<LangCode*>(m_pLangChoice->GetClientObject(index));
    Preference::Get()->m_strSuggLang = code->Code();
    // Shortcuts on show stay: the language is for the next suggestions.
    if (!m_bShortcutList)
        FetchSuggestions(m_strKeyword);
}

void SuggDlg::OnClose(wxCommandEvent& event)
{
    Hide();
    ReturnToKeywordBox();
}

void SuggDlg::OnKeywordKeyDown(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    if ((key == WXK_DOWN || key == WXK_NUMPAD_DOWN) && !event.HasAnyModifiers() && IsShown() &&
        m_pListBox->GetCount() > 0)
    {
        // Moving into the list only highlights; Enter or a click chooses.
        SetKeyboardMode(true);
        m_pListBox->SetSelection(0);
        Raise();
        m_pListBox->SetFocus();
        return;
    }
    if (key == WXK_ESCAPE && !event.HasAnyModifiers() && IsShown())
    {
        // Whatever the pop-up lists; the typing goes on in the box.
        Hide();
        return;
    }
    event.Skip();
}

void SuggDlg::OnListKeyDown(wxKeyEvent& event)
{
    switch (event.GetKeyCode())
    {
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            ChooseSuggestion(m_pListBox->GetSelection());
            return;
        case WXK_ESCAPE:
            Hide();
            ReturnToKeywordBox();
            return;
        default:
            event.Skip();
    }
}

void SuggDlg::OnListMouseDown(wxMouseEvent& event)
{
    // A click chooses again, even after the keyboard moved the highlight.
    SetKeyboardMode(false);
    event.Skip();
}
