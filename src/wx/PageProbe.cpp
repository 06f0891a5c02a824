#include "PageProbe.h"

#include "ScriptAnswer.h"
#include "outcome/OutcomeClassifier.h"

#include <webkit2/webkit2.h>

#include <chrono>

namespace
{
// Run in a world of its own: the page's scripts can neither see it nor
// change what it reads. Only what is on screen counts: visible links,
// visible frames and challenge widgets with their rendered size, and the
// fixed layers found at a few points of the view with their buttons.
const char ProbeScript[] = R"JS((function(){
var vw=window.innerWidth||0,vh=window.innerHeight||0;
function box(e){var r=e.getBoundingClientRect();if(r.width<1||r.height<1)return null;
if(e.checkVisibility&&!e.checkVisibility({checkOpacity:true,checkVisibilityCSS:true}))return null;return r;}
function name(e){var c=typeof e.className==='string'?e.className.trim():'';
return e.tagName.toLowerCase()+(e.id?'#'+e.id:'')+(c?'.'+c.split(/\s+/).join('.'):'');}
function fixedOf(e){for(;e&&e.nodeType===1;e=e.parentElement){var p=getComputedStyle(e).position;
if(p==='fixed'||p==='sticky')return e;}return null;}
function label(b){return String(b.innerText||b.value||b.getAttribute('aria-label')||'').trim().slice(0,80);}
var r={url:location.href,links:[],chrome:[],frames:[],widgets:[],overlay:0,overlayButtons:[],pageButtons:[]},i,b,e;
var t0=Date.now();function late(n){return (n&255)===255&&Date.now()-t0>150;}
var a=document.links,seen2=[],rows={},sy=window.scrollY||0;
for(i=0;i<20000&&(e=a[i])&&r.links.length<400&&!late(i);i++){b=box(e);if(!b)continue;
r.links.push(e.href);var y=Math.round(b.top+sy);seen2.push([e,y]);(rows[y]=rows[y]||[]).push(e);}
var LM='header,nav,footer,aside,[role=banner],[role=navigation],[role=contentinfo],[role=complementary]';
var dh=Math.max(document.documentElement.scrollHeight||0,vh);
function strip(y){var row=rows[y];if(row.length<3||(y>=150&&y<=dh-250))return false;
for(var k=0;k<row.length;k++)if(String(row[k].innerText||'').trim().length>30)return false;return true;}
for(i=0;i<seen2.length;i++){e=seen2[i][0];if(e.closest(LM)||strip(seen2[i][1]))r.chrome.push(e.href);}
var f=document.getElementsByTagName('iframe');
for(i=0;i<f.length&&r.frames.length<50;i++){b=box(f[i]);if(b)r.frames.push({what:f[i].src,w:Math.round(b.width),h:Math.round(b.height)});}
var w=document.querySelectorAll('[id*=captcha i],[class*=captcha i],[id*=turnstile i],[class*=turnstile i],[id*=challenge i],[class*=challenge i]');
for(i=0;i<w.length&&i<2000&&r.widgets.length<50;i++){b=box(w[i]);if(b)r.widgets.push({what:name(w[i]),w:Math.round(b.width),h:Math.round(b.height)});}
var seen=[],pts=[[.5,.5],[.2,.2],[.8,.2],[.2,.8],[.8,.8],[.5,.92]];
for(i=0;i<pts.length&&vw*vh>0;i++){var x=fixedOf(document.elementFromPoint(vw*pts[i][0],vh*pts[i][1]));
if(!x||seen.indexOf(x)>=0)continue;seen.push(x);b=x.getBoundingClientRect();
var cw=Math.max(0,Math.min(b.right,vw)-Math.max(b.left,0)),ch=Math.max(0,Math.min(b.bottom,vh)-Math.max(b.top,0));
r.overlay=Math.max(r.overlay,cw*ch/(vw*vh));
var bs=x.querySelectorAll('button,input[type=submit],input[type=button],[role=button],a');
for(var j=0;j<bs.length&&r.overlayButtons.length<30;j++)if(box(bs[j]))r.overlayButtons.push(label(bs[j]));}
var pb=document.querySelectorAll('button,input[type=submit],input[type=button],[role=button]');
for(i=0;i<pb.length&&i<2000&&r.pageButtons.length<30;i++)if(box(pb[i])&&!fixedOf(pb[i]))r.pageButtons.push(label(pb[i]));
return JSON.stringify(r);})())JS";

// The consent framework's own answer lives in the page's world. Most
// frameworks answer a ping at once; one that does not is not waited for.
const char ConsentScript[] = R"JS((function(){var s='';try{if(typeof __tcfapi==='function')
__tcfapi('ping',2,function(p){if(p&&typeof p.displayStatus==='string')s=p.displayStatus;});}catch(e){}
return String(s).slice(0,16);})())JS";

// The verdict is due this soon after the load's end; a probe report still
// missing by then (a machine busy with many pages) gets longer, up to
// ProbeLimitMs, after which the page's own scripts are taken to hold it.
const unsigned VerdictDueMs = 250;
const unsigned ProbeGraceMs = 1500;
const unsigned ProbeLimitMs = 6000;
// A page waiting for the person is looked at again this often, for this
// long after its verdict or the person's last click or key in it.
const unsigned WatchEveryMs = 1000;
const unsigned WatchForMs = 30000;

double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

extern "C" {
void OnResourceLoadStarted(WebKitWebView*, WebKitWebResource*, WebKitURIRequest* request, gpointer data)
{
    static_cast<PageProbe*>(data)->OnResourceStarted(request ? webkit_uri_request_get_uri(request) : nullptr);
}

void OnProbeDone(GObject* view, GAsyncResult* result, gpointer data)
{
    std::string text;
    if (ScriptAnswer::Read(view, result, text))
        static_cast<PageProbe*>(data)->OnProbeReport(text);
}

void OnConsentDone(GObject* view, GAsyncResult* result, gpointer data)
{
    std::string text;
    if (ScriptAnswer::Read(view, result, text))
        static_cast<PageProbe*>(data)->OnConsentReport(text);
}

gboolean OnProbeTimeout(gpointer data)
{
    static_cast<PageProbe*>(data)->OnTimeout();
    return G_SOURCE_REMOVE;
}

gboolean OnWatchTimeout(gpointer data)
{
    return static_cast<PageProbe*>(data)->OnWatchTick() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}
} // extern "C"
} // namespace

PageProbe::PageProbe(void* webView) : m_view(webView)
{
    m_resourceHandler = g_signal_connect(m_view, "resource-load-started", G_CALLBACK(OnResourceLoadStarted), this);
}

PageProbe::~PageProbe()
{
    Cancel();
    if (m_watchSource)
        g_source_remove(m_watchSource);
    if (m_resourceHandler)
        g_signal_handler_disconnect(m_view, m_resourceHandler);
}

void PageProbe::Cancel()
{
    if (m_cancel)
    {
        g_cancellable_cancel(m_cancel);
        g_object_unref(m_cancel);
        m_cancel = nullptr;
    }
    if (m_timeoutSource)
        g_source_remove(m_timeoutSource);
    m_timeoutSource = 0;
    m_pending = 0;
    m_bLookingAgain = false;
}

void PageProbe::LoadStarted(const std::string& url)
{
    Cancel();
    if (m_watchSource)
        g_source_remove(m_watchSource);
    m_watchSource = 0;
    m_bCurrent = false;
    m_signals = PageSignals();
    m_signals.pageUrl = url;
}

void PageProbe::MainResponse(int status, bool challengeHeader)
{
    m_signals.status = status;
    m_signals.challengeHeader = challengeHeader;
}

void PageProbe::OnResourceStarted(const char* uri)
{
    if (uri && OutcomeClassifier::IsChallengeResource(uri))
        ++m_signals.challengeResources;
}

void PageProbe::LoadFailed()
{
    Cancel();
    m_finishedAt = NowMs();
    m_signals.answered = false;
    Decide();
}

void PageProbe::LoadFinished(int usualLinks)
{
    Cancel();
    m_finishedAt = NowMs();
    m_nUsualLinks = usualLinks;
    m_signals.answered = true;
    const gchar* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(m_view));
    if (uri)
        m_signals.pageUrl = uri;
    RunScripts();
}

void PageProbe::RunScripts()
{
    m_cancel = g_cancellable_new();
    m_pending = 2;
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_view), ProbeScript, -1, "orvane-probe", nullptr,
                                        m_cancel, OnProbeDone, this);
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_view), ConsentScript, -1, nullptr, nullptr, m_cancel,
                                        OnConsentDone, this);
    m_timeoutSource = g_timeout_add(VerdictDueMs, OnProbeTimeout, this);
}

void PageProbe::PersonActed()
{
    if (m_bCurrent && NeedsPerson(m_verdict.outcome))
        Watch();
}

void PageProbe::Watch()
{
    if (!m_bWatch)
        return;
    m_watchUntil = NowMs() + WatchForMs;
    if (!m_watchSource)
        m_watchSource = g_timeout_add(WatchEveryMs, OnWatchTimeout, this);
}

bool PageProbe::OnWatchTick()
{
    if (!m_bCurrent || !NeedsPerson(m_verdict.outcome) || NowMs() > m_watchUntil)
    {
        m_watchSource = 0;
        return false;
    }
    // A look still under way (a page busy in its scripts) is not piled on.
    if (m_pending == 0 && !webkit_web_view_is_loading(WEBKIT_WEB_VIEW(m_view)))
    {
        m_bLookingAgain = true;
        m_signals.consentStatus.clear();
        RunScripts();
    }
    return true;
}

void PageProbe::OnProbeReport(const std::string& json)
{
    if (!m_pending)
        return;
    m_signals.ReadProbe(json);
    --m_pending;
    // Without a report there is nothing to wait for the consent answer for.
    if (m_pending == 0 || !m_signals.probed)
        Decide();
}

void PageProbe::OnConsentReport(const std::string& status)
{
    if (!m_pending)
        return;
    m_signals.consentStatus = status;
    if (--m_pending == 0)
        Decide();
}

void PageProbe::OnTimeout()
{
    m_timeoutSource = 0;
    if (!m_pending)
        return;
    // A look again that does not answer in time changes nothing.
    if (m_bLookingAgain)
    {
        if (m_signals.probed)
            Decide();
        else
            Cancel();
        return;
    }
    // The consent answer is not waited for; the probe report for a while.
    if (!m_signals.probed && NowMs() - m_finishedAt < ProbeLimitMs)
    {
        m_timeoutSource = g_timeout_add(ProbeGraceMs, OnProbeTimeout, this);
        return;
    }
    Decide();
}

void PageProbe::Decide()
{
    const bool again = m_bLookingAgain;
    Cancel();
    const double start = NowMs();
    const PageVerdict verdict = OutcomeClassifier::Classify(m_signals, m_nUsualLinks);
    if (again && verdict.outcome == m_verdict.outcome)
        return;
    m_verdict = verdict;
    m_nResultLinks = m_signals.probed ? OutcomeClassifier::CountResultLinks(m_signals.links, m_signals.pageUrl) : 0;
    const double end = NowMs();
    m_classifyMs = end - start;
    if (!again)
        m_verdictMs = end - m_finishedAt;
    ++m_nVerdicts;
    m_bCurrent = true;
    if (NeedsPerson(m_verdict.outcome) && !again)
        Watch();
    if (m_onVerdict)
        m_onVerdict();
}
