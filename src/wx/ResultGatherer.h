#pragma once

#include <functional>
#include <string>

typedef struct _GCancellable GCancellable;

// Gathers what a result page shows for the result reader (links, their
// headings, boxes, landmarks, labels, the repeated blocks around them) with
// one script in the probe's world of its own, so the page's scripts can
// neither see nor change it. The script stops reading when its time budget
// is spent and reports what it has; a page that keeps the script from
// answering at all is given up after a bound. The answer comes by callback
// on the GUI thread, never from inside Start.
class ResultGatherer
{
public:
    // ok: false when the script failed or did not answer in time.
    using Done = std::function<void(bool ok, const std::string& report)>;

    // Milliseconds the script may spend reading by default, and how much
    // longer its answer is waited for.
    static constexpr unsigned BudgetMs = 150;
    static constexpr unsigned GiveUpMs = 3000;


    // webView: the WebKitWebView, which outlives the gatherer.
    explicit ResultGatherer(void* webView);
    ~ResultGatherer();
    ResultGatherer(const ResultGatherer&) = delete;
    ResultGatherer& operator=(const ResultGatherer&) = delete;

    // Starts a read of the page on show, dropping one under way (its
    // callback is never called). Tests that judge what is read, not how
    // fast, give a busy machine a larger budget.
    void Start(Done done, unsigned budgetMs = BudgetMs);
    void Cancel();
    bool IsRunning() const { return m_cancel != nullptr; }

    // The script itself, with its budget.
    static std::string Script(unsigned budgetMs = BudgetMs);

    // Called from WebKit's callbacks; not for other use.
    void OnReport(bool ok, const std::string& report);
    void OnGiveUp();

private:
    void Finish(bool ok, const std::string& report);

    void* m_view;
    GCancellable* m_cancel = nullptr;
    unsigned m_giveUpSource = 0;
    Done m_done;
};
