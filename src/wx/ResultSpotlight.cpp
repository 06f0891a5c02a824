#include "ResultSpotlight.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>

namespace
{
// Every byte percent-escaped: whatever a page put in a title cannot leave
// the string it is given as.
std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 3);
    char hex[4];
    for (unsigned char c : text)
    {
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += hex;
    }
    return out;
}

const char SpotScript[] = R"JS((function(){
function dec(s){try{return decodeURIComponent(s);}catch(e){return s;}}
var url=dec('%s'),title=dec('%s'),a=document.links,hit=null,i;
for(i=0;i<a.length&&!hit;i++)if(a[i].href===url)hit=a[i];
for(i=0;i<a.length&&!hit;i++)if(dec(a[i].href).indexOf(url)>=0)hit=a[i];
for(i=0;i<a.length&&!hit&&title;i++)if((a[i].innerText||'').replace(/\s+/g,' ').trim()===title)hit=a[i];
if(!hit)return false;
var b=hit.closest('li,article,tr,div')||hit;
b.scrollIntoView({block:'center'});
var o=b.style.outline,f=b.style.outlineOffset;
b.style.outline='3px solid #f0a020';b.style.outlineOffset='2px';
setTimeout(function(){b.style.outline=o;b.style.outlineOffset=f;},%u);
return true;})())JS";
} // namespace

std::string ResultSpotlight::Script(const std::string& url, const std::string& title)
{
    const std::string u = Escaped(url), t = Escaped(title);
    std::string script(sizeof(SpotScript) + u.size() + t.size() + 16, '\0');
    const int size = std::snprintf(&script[0], script.size(), SpotScript, u.c_str(), t.c_str(), HighlightMs);
    script.resize(size > 0 ? std::min(static_cast<size_t>(size), script.size() - 1) : 0);
    return script;
}

void ResultSpotlight::Show(void* webView, const std::string& url, const std::string& title)
{
    if (!webView)
        return;
    const std::string script = Script(url, title);
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(webView), script.c_str(), -1, "orvane-probe", nullptr,
                                        nullptr, nullptr, nullptr);
}
