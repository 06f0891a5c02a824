#include "ResultGatherer.h"

#include "ScriptAnswer.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>

namespace
{
// Facts only; ResultReader decides. Blocks are the repeated elements around
// a link (siblings of the same tag and classes), innermost first; large
// ones are named but not read. Hidden links (not rendered, transparent,
// clipped away) are not reported; nor is the text of short links in a
// block, which is navigation rather than a snippet. A table row or a
// heading brings the text of the rows or elements after it, up to the next
// link: results laid out as a title row and a snippet row, or as headings
// between paragraphs, keep their snippets. Walks up the tree stop
// after 64 levels: a page nested without end gets no deeper look.
const char GatherScript[] = R"JS((function(){
var t0=performance.now(),BUDGET=%u;
var de=document.documentElement,bd=document.body||de,sx=window.scrollX,sy=window.scrollY;
var r={url:location.href,vw:innerWidth,vh:innerHeight,dw:Math.max(de.scrollWidth,bd.scrollWidth),
dh:Math.max(de.scrollHeight,bd.scrollHeight),truncated:false,links:[],blocks:[]};
var HEAD='h1,h2,h3,h4,[role=heading]',sigs=new Map(),reps=new Map(),ids=new Map(),disp=new Map(),fix=new Map(),clip=new Map(),ltext=new Map(),leads=new Map(),vis=new Map();
function cut(s,n){s=String(s||'').replace(/\s+/g,' ').trim();return s.length>n?s.slice(0,n):s;}
function rect(e){var b=e.getBoundingClientRect();
if((b.width<1||b.height<1)&&e.firstElementChild)b=e.firstElementChild.getBoundingClientRect();
if(b.width<1||b.height<1)return null;
if(e.checkVisibility&&!e.checkVisibility({checkOpacity:true,checkVisibilityCSS:true}))return null;
return clipped(e.parentElement,b)?null:b;}
function clipped(p,b){for(var k=0;p&&p!==bd&&p!==de&&k<16;p=p.parentElement,k++){var c=clip.get(p);
if(c===undefined){c=getComputedStyle(p).overflow!=='visible'&&p.getBoundingClientRect();clip.set(p,c);}if(!c)continue;var q=c;
if(b.right<=q.left||b.left>=q.right||b.bottom<=q.top||b.top>=q.bottom)return true;}return false;}
function box(o,b){o.x=Math.round(b.left+sx);o.y=Math.round(b.top+sy);o.w=Math.round(b.width);o.h=Math.round(b.height);return o;}
function sig(e){var s=sigs.get(e);if(s!==undefined)return s;var c=typeof e.className==='string'?e.className.trim():'';
s=e.tagName.toLowerCase()+(c?'.'+c.split(/\s+/).sort().join('.'):'');sigs.set(e,s);return s;}
function rep(e){var n=reps.get(e);if(n!==undefined)return n;var p=e.parentElement,s=sig(e);n=1;
if(p&&p!==de){n=0;for(var c=p.firstElementChild;c;c=c.nextElementSibling)if(sig(c)===s)n++;}reps.set(e,n);return n;}
function inline(e){var d=disp.get(e);if(d===undefined){d=getComputedStyle(e).display.indexOf('inline')===0;disp.set(e,d);}return d;}
function fixed(e,k){if(!e||e===de||k>64)return false;var f=fix.get(e);if(f!==undefined)return f;var p=getComputedStyle(e).position;
f=p==='fixed'||p==='sticky'||fixed(e.parentElement,k+1);fix.set(e,f);return f;}
function landmark(e){for(var k=0;e&&e!==de&&k<64;e=e.parentElement,k++){var t=e.tagName.toLowerCase(),ro=e.getAttribute('role');
if(ro==='banner'||(t==='header'&&!e.parentElement.closest('article,aside,main,nav,section')))return 'header';
if(ro==='contentinfo'||(t==='footer'&&!e.parentElement.closest('article,aside,main,nav,section')))return 'footer';
if(ro==='navigation'||t==='nav')return 'nav';if(ro==='complementary'||t==='aside')return 'aside';
if(ro==='main'||t==='main')return 'main';}return '';}
function shown(p){var v=vis.get(p);if(v===undefined){v=p.getClientRects().length>0;vis.set(p,v);}return v;}
function lead(f){if(!f)return '';var t=leads.get(f);if(t===undefined){t='';
if(f.childElementCount<=4&&(f.textContent||'').length<=60){t=cut(f.innerText,30);if(t.length>24)t='';}leads.set(f,t);}return t;}
function level(h){var l=parseInt(h.getAttribute('aria-level')||h.tagName.slice(1),10);return l>=1&&l<=4?l:2;}
function block(e){var id=ids.get(e);if(id!==undefined)return id;id=r.blocks.length;ids.set(e,id);
var o=box({sig:sig(e),rep:rep(e),labels:[],texts:[],urls:[]},e.getBoundingClientRect());r.blocks.push(o);
if((e.textContent||'').length>4000)return id;
var al=e.getAttribute('aria-label');if(al)o.labels.push(cut(al,60));
var all=e.querySelectorAll('*'),i,j,first=e.querySelector('a[href]');
for(i=-1;i<all.length&&i<300;i++){var x=i<0?e:all[i];
for(j=0;j<x.attributes.length&&o.urls.length<4;j++){var at=x.attributes[j];
if(at.name!=='href'&&at.name!=='src'&&at.name!=='srcset'&&/^https?:\/\//i.test(at.value))o.urls.push(at.value.slice(0,2000));}
if(i>=0&&!x.firstElementChild&&o.labels.length<8&&!x.closest('a')){var lt=cut(x.textContent,30);
if(lt&&lt.length<=24&&rect(x))o.labels.push(lt);}}
var roots=[e];
if(e.tagName==='TR'||e.matches(HEAD))for(var sb=e.nextElementSibling,m=0;sb&&m<3&&!sb.querySelector('a[href]');sb=sb.nextElementSibling,m++)roots.push(sb);
var groups=new Map(),order=[],n;
for(var ri=0;ri<roots.length;ri++){var w=document.createTreeWalker(roots[ri],NodeFilter.SHOW_TEXT);
while((n=w.nextNode())){var p=n.parentElement;if(!p||!n.nodeValue.trim())continue;
if(p.closest('script,style,noscript,template,'+HEAD)||(first&&first.contains(n))||!shown(p))continue;
var la=p.closest('a[href]');if(la){if(!ltext.has(la))ltext.set(la,cut(la.innerText,60).length);if(ltext.get(la)<40)continue;}
var g=p;while(g!==roots[ri]&&inline(g))g=g.parentElement;
if(!groups.has(g)){groups.set(g,'');order.push(g);}groups.set(g,groups.get(g)+n.nodeValue);}}
for(i=0;i<order.length&&o.texts.length<12;i++){var s=cut(groups.get(order[i]),600);if(s)o.texts.push(s);}
return id;}
var a=document.links,i;
for(i=0;i<a.length;i++){
if(performance.now()-t0>BUDGET||r.links.length>=400){r.truncated=true;break;}
var l=a[i],href=l.href;if(!/^https?:/i.test(href))continue;var b=rect(l);if(!b)continue;
var h=l.querySelector(HEAD)||l.closest(HEAD),L=box({href:href,text:cut(l.innerText||l.getAttribute('aria-label')||l.title,400),
hd:h?level(h):0,fs:parseFloat(getComputedStyle(h||l).fontSize)||0,lm:landmark(l),fixed:fixed(l,0),ctx:[],chain:[]},b);
for(var e=l,k=0;e&&e!==bd&&e!==de&&k<12;e=e.parentElement,k++){
if(L.ctx.length<6){var lab=e.getAttribute('aria-label');if(lab&&e!==l)L.ctx.push(cut(lab,60));
var ft=lead(e.firstElementChild);if(ft&&!e.firstElementChild.contains(l))L.ctx.push(ft);}
if(L.chain.length<8&&rep(e)>=2)L.chain.push(block(e));}
if(!L.chain.length){for(e=l.parentElement;e&&e!==bd&&(inline(e)||e.matches(HEAD));)e=e.parentElement;
if(e&&e!==bd)L.chain.push(block(e));}
r.links.push(L);}
return JSON.stringify(r);})())JS";

extern "C" {
void OnGatherDone(GObject* view, GAsyncResult* result, gpointer data)
{
    std::string text;
    bool ok = false;
    // Cancelled: the gatherer may be gone, so it is not touched.
    if (ScriptAnswer::Read(view, result, text, &ok))
        static_cast<ResultGatherer*>(data)->OnReport(ok, text);
}

gboolean OnGatherGiveUp(gpointer data)
{
    static_cast<ResultGatherer*>(data)->OnGiveUp();
    return G_SOURCE_REMOVE;
}
} // extern "C"

} // namespace

ResultGatherer::ResultGatherer(void* webView) : m_view(webView) {}

ResultGatherer::~ResultGatherer()
{
    Cancel();
}

std::string ResultGatherer::Script(unsigned budgetMs)
{
    std::string script(sizeof(GatherScript) + 16, '\0');
    const int size = std::snprintf(&script[0], script.size(), GatherScript, budgetMs);
    script.resize(size > 0 ? std::min(static_cast<size_t>(size), script.size() - 1) : 0);
    return script;
}

void ResultGatherer::Cancel()
{
    if (m_cancel)
    {
        g_cancellable_cancel(m_cancel);
        g_object_unref(m_cancel);
        m_cancel = nullptr;
    }
    if (m_giveUpSource)
        g_source_remove(m_giveUpSource);
    m_giveUpSource = 0;
    m_done = nullptr;
}

void ResultGatherer::Start(Done done, unsigned budgetMs)
{
    Cancel();
    m_done = std::move(done);
    m_cancel = g_cancellable_new();
    // The probe's world: isolated from the page, shared with our other reads.
    const std::string script = Script(budgetMs);
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_view), script.c_str(), -1, "orvane-probe", nullptr,
                                        m_cancel, OnGatherDone, this);
    m_giveUpSource = g_timeout_add(budgetMs + GiveUpMs, OnGatherGiveUp, this);
}

void ResultGatherer::OnReport(bool ok, const std::string& report)
{
    if (m_cancel)
        Finish(ok, report);
}

void ResultGatherer::OnGiveUp()
{
    m_giveUpSource = 0;
    if (m_cancel)
        Finish(false, std::string());
}

void ResultGatherer::Finish(bool ok, const std::string& report)
{
    // The callback may start the next read: it is taken out first.
    Done done = std::move(m_done);
    Cancel();
    if (done)
        done(ok, report);
}
