#include "base/RelativeUrl.h"

namespace
{
struct Parts
{
    wxString scheme, authority, path, query, fragment;
    bool hasAuthority = false, hasQuery = false, hasFragment = false;
};

bool IsSchemeChar(wxUniChar c, bool first)
{
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first)
        return alpha;
    return alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The regular expression of RFC 3986 appendix B, by hand.
Parts Split(const wxString& url)
{
    Parts p;
    size_t pos = 0;
    const size_t colon = url.find_first_of(wxS(":/?#"));
    if (colon != wxString::npos && url[colon] == ':' && colon > 0)
    {
        bool ok = true;
        for (size_t i = 0; i < colon && ok; ++i)
            ok = IsSchemeChar(url[i], i == 0);
        if (ok)
        {
            p.scheme = url.substr(0, colon);
            pos = colon + 1;
        }
    }
    if (url.compare(pos, 2, wxS("//")) == 0)
    {
        const size_t end = url.find_first_of(wxS("/?#"), pos + 2);
        p.hasAuthority = true;
        p.authority = url.substr(pos + 2, (end == wxString::npos ? url.length() : end) - pos - 2);
        pos = end == wxString::npos ? url.length() : end;
    }
    size_t end = url.find_first_of(wxS("?#"), pos);
    p.path = url.substr(pos, (end == wxString::npos ? url.length() : end) - pos);
    pos = end == wxString::npos ? url.length() : end;
    if (pos < url.length() && url[pos] == '?')
    {
        end = url.find('#', pos);
        p.hasQuery = true;
        p.query = url.substr(pos + 1, (end == wxString::npos ? url.length() : end) - pos - 1);
        pos = end == wxString::npos ? url.length() : end;
    }
    if (pos < url.length() && url[pos] == '#')
    {
        p.hasFragment = true;
        p.fragment = url.substr(pos + 1);
    }
    return p;
}

// Section 5.2.4.
wxString RemoveDotSegments(wxString in)
{
    wxString out;
    while (!in.empty())
    {
        if (in.StartsWith(wxS("../")))
            in.erase(0, 3);
        else if (in.StartsWith(wxS("./")))
            in.erase(0, 2);
        else if (in.StartsWith(wxS("/./")))
            in.erase(0, 2);
        else if (in == wxS("/."))
            in = wxS("/");
        else if (in.StartsWith(wxS("/../")) || in == wxS("/.."))
        {
            in = in.length() == 3 ? wxString(wxS("/")) : in.substr(3);
            const size_t slash = out.rfind('/');
            out.erase(slash == wxString::npos ? 0 : slash);
        }
        else if (in == wxS(".") || in == wxS(".."))
            in.clear();
        else
        {
            const size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            out += in.substr(0, next);
            in.erase(0, next == wxString::npos ? in.length() : next);
        }
    }
    return out;
}

wxString Join(const Parts& p)
{
    wxString url;
    if (!p.scheme.empty())
        url << p.scheme << ':';
    if (p.hasAuthority)
        url << wxS("//") << p.authority;
    url << p.path;
    if (p.hasQuery)
        url << '?' << p.query;
    if (p.hasFragment)
        url << '#' << p.fragment;
    return url;
}
} // namespace

bool RelativeUrl::HasScheme(const wxString& reference)
{
    return !Split(reference).scheme.empty();
}

bool RelativeUrl::IsWebAddress(const wxString& url)
{
    const Parts p = Split(url);
    const wxString scheme = p.scheme.Lower();
    return (scheme == wxS("http") || scheme == wxS("https")) && p.hasAuthority &&
           !p.authority.empty();
}

wxString RelativeUrl::Resolve(const wxString& base, const wxString& reference)
{
    const Parts r = Split(reference);
    const Parts b = Split(base);
    Parts t;
    // Section 5.2.2, strict form.
    if (!r.scheme.empty())
    {
        t = r;
        t.path = RemoveDotSegments(r.path);
    }
    else
    {
        if (r.hasAuthority)
        {
            t.hasAuthority = true;
            t.authority = r.authority;
            t.path = RemoveDotSegments(r.path);
            t.hasQuery = r.hasQuery;
            t.query = r.query;
        }
        else
        {
            if (r.path.empty())
            {
                t.path = b.path;
                t.hasQuery = r.hasQuery || b.hasQuery;
                t.query = r.hasQuery ? r.query : b.query;
            }
            else
            {
                if (r.path[0] == '/')
                    t.path = RemoveDotSegments(r.path);
                else
                {
                    // Section 5.2.3.
                    wxString merged;
                    if (b.hasAuthority && b.path.empty())
                        merged = wxS("/") + r.path;
                    else
                    {
                        const size_t slash = b.path.rfind('/');
                        merged = (slash == wxString::npos ? wxString() : b.path.substr(0, slash + 1)) +
                                 r.path;
                    }
                    t.path = RemoveDotSegments(merged);
                }
                t.hasQuery = r.hasQuery;
                t.query = r.query;
            }
            t.hasAuthority = b.hasAuthority;
            t.authority = b.authority;
        }
        t.scheme = b.scheme;
    }
    t.hasFragment = r.hasFragment;
    t.fragment = r.fragment;
    return Join(t);
}
