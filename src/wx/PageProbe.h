#pragma once

#include "outcome/PageOutcome.h"
#include "outcome/PageSignals.h"

#include <functional>
#include <string>

typedef struct _GCancellable GCancellable;

// Collects what the classifier needs about the page a browser view shows:
// the main resource's status and Cloudflare's challenge header (told by the
// view, which sees the answer first), the challenge providers among the
// sub-resources the page requests, and, once the page has loaded, what one
// probe script in a world of its own sees on screen and what the consent
// framework says in the page's world. The verdict follows within a short
// bound of the load's end, whatever the page's scripts do.
class PageProbe
{
public:
    // webView: the WebKitWebView, which outlives the probe.
    explicit PageProbe(void* webView);
    ~PageProbe();
    PageProbe(const PageProbe&) = delete;
    PageProbe& operator=(const PageProbe&) = delete;

    // A main-frame load began: what was known belongs to the page before.
    void LoadStarted(const std::string& url);
    void MainResponse(int status, bool challengeHeader);
    // The load ended with no page (our error page stands in): failed at once.
    void LoadFailed();
    // The page has loaded; usualLinks as the classifier takes it.
    void LoadFinished(int usualLinks);
    // Drops a probe under way, leaving the last verdict.
    void Cancel();
    // While a page waits for the person (a bot check, a consent wall), it
    // is looked at again every second for a while after its verdict and
    // after each click or key in it, so that a check passed in place or a
    // wall taken away shows; a new verdict follows only when it differs.
    void SetWatching(bool watch) { m_bWatch = watch; }
    void PersonActed();

    // A first look is under way (not a look again at a page waiting for the person).
    bool IsPending() const { return m_pending != 0 && !m_bLookingAgain; }
    // A verdict on the page on show (none while it loads, or for pages that
    // are not web pages).
    bool HasVerdict() const { return m_bCurrent; }
    // Counts the verdicts, so that a poller sees a new one.
    unsigned GetVerdictCount() const { return m_nVerdicts; }
    const PageVerdict& GetVerdict() const { return m_verdict; }
    const PageSignals& GetSignals() const { return m_signals; }
    int GetResultLinks() const { return m_nResultLinks; }
    // Milliseconds from the load's end to the verdict, and spent classifying.
    double GetVerdictMillis() const { return m_verdictMs; }
    double GetClassifyMillis() const { return m_classifyMs; }

    // Heard on each new verdict.
    std::function<void()> m_onVerdict;

    // Called from WebKit's callbacks; not for other use.
    void OnResourceStarted(const char* uri);
    void OnProbeReport(const std::string& json);
    void OnConsentReport(const std::string& status);
    void OnTimeout();
    bool OnWatchTick();

private:
    void Decide();
    void RunScripts();
    void Watch();

    void* m_view;
    unsigned long m_resourceHandler = 0;
    GCancellable* m_cancel = nullptr;
    unsigned m_timeoutSource = 0;
    int m_pending = 0;  // script answers still awaited
    int m_nUsualLinks = 0;
    PageSignals m_signals;
    PageVerdict m_verdict;
    int m_nResultLinks = 0;
    unsigned m_nVerdicts = 0;
    bool m_bCurrent = false;
    double m_finishedAt = 0;
    double m_verdictMs = 0;
    double m_classifyMs = 0;
    bool m_bWatch = true;
    bool m_bLookingAgain = false;
    unsigned m_watchSource = 0;
    double m_watchUntil = 0;
};
