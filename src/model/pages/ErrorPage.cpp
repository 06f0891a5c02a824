#include "pages/ErrorPage.h"

#include <wx/intl.h>

wxString ErrorPage::Escape(const wxString& text)
{
    wxString escaped = text;
    escaped.Replace("&", "&amp;");
    escaped.Replace("<", "&lt;");
    escaped.Replace(">", "&gt;");
    escaped.Replace("\"", "&quot;");
    escaped.Replace("'", "&#39;");
    return escaped;
}

wxString ErrorPage::Build(const wxString& engineName, const wxString& url, const wxString& reason)
{
    const wxString lower = url.Lower();
    const bool canRetry = lower.StartsWith("http://") || lower.StartsWith("https://");
    // TRANSLATORS: heading of the page shown when a search engine's page failed to load
    const wxString heading = engineName.empty()
                                 ? wxString(_("The page could not be loaded"))
                                 : wxString::Format(_("%s could not be loaded"), engineName);
    wxString page;
    page << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" << Escape(heading)
         << "</title><style>"
            "body{font-family:sans-serif;margin:3em auto;max-width:40em;padding:0 1em;color:#2e3436}"
            "h1{font-size:1.4em;color:#a40000}"
            ".url{font-family:monospace;word-break:break-all;color:#555753}"
            "a.retry{display:inline-block;margin-top:1em;padding:.4em 1em;border:1px solid #888a85;"
            "border-radius:4px;text-decoration:none;color:#204a87;background:#f3f3f3}"
            "</style></head><body><h1>"
         << Escape(heading) << "</h1><p class=\"reason\">" << Escape(reason)
         << "</p><p class=\"url\">" << Escape(url) << "</p>";
    if (canRetry)
        page << "<a class=\"retry\" href=\"" << Escape(url) << "\">" << Escape(_("Try again")) << "</a>";
    page << "</body></html>";
    return page;
}
