#pragma once

#include <wx/vlbox.h>

#include <vector>

// The merged results as an owner-drawn virtual list: only the rows on show
// are drawn, so thousands stay smooth. Each row: the title, the address as
// shown (shortened in the middle), one line of snippet and who found it;
// rows found by more than one engine carry a coloured mark and bold count.
// Typing finds a row by its title. Texts are drawn as plain text.
class ResultList : public wxVListBox
{
public:
    struct Row
    {
        wxString title;
        wxString address;  // host and path
        wxString snippet;
        wxString foundBy;  // "3 engines: Alpha #1, Beta #2, Gamma #4"
        int engines = 0;
        wxString key;      // what keeps a row selected across updates
    };

    explicit ResultList(wxWindow* parent, wxWindowID id = wxID_ANY);

    // New rows; the selected row stays selected (wherever it went) and the
    // first row on show stays the first one on show.
    void SetRows(std::vector<Row> rows);
    const std::vector<Row>& Rows() const { return m_rows; }
    const Row* SelectedRow() const;

    // The row whose title starts with (else holds) the text, from `from` on.
    static int FindByTitle(const std::vector<Row>& rows, const wxString& text, size_t from);

protected:
    void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override;
    wxCoord OnMeasureItem(size_t n) const override;
    void OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const override;

private:
    void OnChar(wxKeyEvent& event);

    std::vector<Row> m_rows;
    wxString m_typed;
    wxLongLong m_typedAt = 0;
    int m_lineHeight = 0;
};
