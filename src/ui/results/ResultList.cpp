#include "results/ResultList.h"

#include <wx/control.h>
#include <wx/dc.h>
#include <wx/settings.h>
#include <wx/time.h>

namespace
{
constexpr int Margin = 6;
constexpr int MarkWidth = 4;
constexpr long TypeAheadMs = 1000;

// A mark that reads on light and dark themes alike.
const wxColour AgreedColour(0x20, 0x9a, 0x50);
} // namespace

ResultList::ResultList(wxWindow* parent, wxWindowID id)
    : wxVListBox(parent, id, wxDefaultPosition, wxDefaultSize, wxLB_SINGLE | wxWANTS_CHARS)
{
    m_lineHeight = GetCharHeight() + 2;
    Bind(wxEVT_CHAR, &ResultList::OnChar, this);
    SetItemCount(0);
}

void ResultList::SetRows(std::vector<Row> rows)
{
    const Row* selected = SelectedRow();
    const wxString selectedKey = selected ? selected->key : wxString();
    const size_t top = GetVisibleRowsBegin();
    m_rows = std::move(rows);
    SetItemCount(m_rows.size());
    int selection = wxNOT_FOUND;
    if (!selectedKey.empty())
        for (size_t i = 0; i < m_rows.size() && selection == wxNOT_FOUND; ++i)
            if (m_rows[i].key == selectedKey)
                selection = static_cast<int>(i);
    SetSelection(selection);
    if (top < m_rows.size())
        ScrollToRow(top);
    RefreshAll();
}

const ResultList::Row* ResultList::SelectedRow() const
{
    const int selection = GetSelection();
    return selection >= 0 && static_cast<size_t>(selection) < m_rows.size() ? &m_rows[selection] : nullptr;
}

int ResultList::FindByTitle(const std::vector<Row>& rows, const wxString& text, size_t from)
{
    const wxString wanted = text.Lower();
    if (wanted.empty() || rows.empty())
        return wxNOT_FOUND;
    for (int pass = 0; pass < 2; ++pass)
        for (size_t step = 0; step < rows.size(); ++step)
        {
            const size_t i = (from + step) % rows.size();
            const wxString title = rows[i].title.Lower();
            if (pass == 0 ? title.StartsWith(wanted) : title.Find(wanted) != wxNOT_FOUND)
                return static_cast<int>(i);
        }
    return wxNOT_FOUND;
}

void ResultList::OnChar(wxKeyEvent& event)
{
    const wxChar c = event.GetUnicodeKey();
    if (c < ' ' || c == WXK_NONE || (event.GetModifiers() & ~wxMOD_SHIFT) != 0)
    {
        event.Skip();
        return;
    }
    const wxLongLong now = wxGetLocalTimeMillis();
    if (now - m_typedAt > TypeAheadMs)
        m_typed.clear();
    m_typedAt = now;
    m_typed += c;
    // A longer text may still match the row on show; a first letter moves on.
    const int current = GetSelection();
    const size_t from = current < 0 ? 0 : static_cast<size_t>(current) + (m_typed.length() == 1 ? 1 : 0);
    const int found = FindByTitle(m_rows, m_typed, from);
    if (found == wxNOT_FOUND)
        return;
    SetSelection(found);
    wxCommandEvent selected(wxEVT_LISTBOX, GetId());
    selected.SetEventObject(this);
    selected.SetInt(found);
    ProcessWindowEvent(selected);
}

wxCoord ResultList::OnMeasureItem(size_t) const
{
    return 4 * m_lineHeight + 2 * Margin;
}

void ResultList::OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const
{
    wxVListBox::OnDrawBackground(dc, rect, n);
    if (n < m_rows.size() && m_rows[n].engines >= 2)
    {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(AgreedColour));
        dc.DrawRectangle(rect.x, rect.y + 2, MarkWidth, rect.height - 4);
    }
    // A thin rule between rows.
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT)));
    dc.DrawLine(rect.x, rect.GetBottom(), rect.GetRight() + 1, rect.GetBottom());
}

void ResultList::OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const
{
    if (n >= m_rows.size())
        return;
    const Row& row = m_rows[n];
    const bool selected = IsSelected(n);
    const wxColour text = selected ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)
                                   : wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT);
    const wxColour quiet = selected ? text : wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    const int x = rect.x + Margin + MarkWidth;
    const int width = std::max(10, rect.width - 2 * Margin - MarkWidth);
    int y = rect.y + Margin;

    wxFont font = GetFont();
    wxFont bold = font.Bold();
    auto line = [&](const wxString& value, const wxFont& f, const wxColour& colour, wxEllipsizeMode mode) {
        dc.SetFont(f);
        dc.SetTextForeground(colour);
        dc.DrawText(wxControl::Ellipsize(value, dc, mode, width), x, y);
        y += m_lineHeight;
    };
    line(row.title.empty() ? row.address : row.title, bold, text, wxELLIPSIZE_END);
    line(row.address, font, quiet, wxELLIPSIZE_MIDDLE);
    line(row.snippet, font, quiet, wxELLIPSIZE_END);
    line(row.foundBy, row.engines >= 2 ? bold : font, row.engines >= 2 && !selected ? AgreedColour : quiet,
         wxELLIPSIZE_END);
}
