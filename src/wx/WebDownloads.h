#pragma once

#include <wx/string.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

// Saves what the browser views download (WebKit's download signals of the
// default web context that every view uses) into the user's download
// folder, each under a name no other file has. A page may start a download
// on its own only right after the person clicked or typed in it, and at
// most MaxUnaskedPerLoad times per page load; any other download waits for
// m_askSave. While it lives it reports progress and outcome, also of the
// downloads lost when WebKit's network process dies (WebKit itself says
// nothing of those); destroying it cancels the downloads still running and
// removes what they wrote.
class WebDownloads
{
public:
    // A click or key in the page this recently lets it start a download.
    static constexpr long GestureWindowMs = 1000;
    static constexpr int MaxUnaskedPerLoad = 3;

    WebDownloads();
    ~WebDownloads();
    WebDownloads(const WebDownloads&) = delete;
    WebDownloads& operator=(const WebDownloads&) = delete;

    // The XDG download folder ($XDG_CONFIG_HOME/user-dirs.dirs), else
    // ~/Downloads (made when the first file is saved).
    static wxString Folder();

    size_t CountRunning() const;
    // Cancels the running download saved under this file name; false when
    // there is none. Its partial file is removed; m_onFailed says so.
    bool Cancel(const wxString& name);

    // name: the file's name; total is 0 when the site did not tell.
    std::function<void(const wxString& name, unsigned long long received, unsigned long long total)> m_onProgress;
    std::function<void(const wxString& path)> m_onFinished;
    std::function<void(const wxString& name, const wxString& reason)> m_onFailed;
    // Asked, one at a time and never from inside WebKit's signals, whether a
    // download the page started on its own may be saved; site: the page's
    // host. Without it such downloads are refused.
    struct Question
    {
        wxString name;
        wxString site;
        unsigned long long size = 0;  // 0: the site did not tell
        wxString folder;              // where it will be saved
        void* view = nullptr;         // the WebKitWebView that asked, or null
    };
    std::function<bool(const Question& question)> m_askSave;

    // Called from WebKit's signals; not for other use.
    struct Item;
    void OnStarted(void* download);
    bool OnDecideDestination(Item* item, const wxString& suggested);
    void OnCreatedDestination(Item* item);
    void OnReceived(Item* item);
    void OnFailed(Item* item, const wxString& reason, bool cancelled);
    void OnFinished(Item* item);
    void AskWaiting();
    // Ends the downloads whose network process is gone; false once none is left.
    bool WatchNetwork();

private:
    void SetDestination(Item* item);
    // Reported failed (unless refused) and forgotten, never cancelled.
    void EndWithNetwork(Item* item);
    void DisconnectSignals(Item* item);
    // False when WebKit could not be asked: its network process is gone.
    bool Cancel(Item* item);
    void RemoveWrittenFiles(Item* item);
    // The complete file under its final name; false (and reported) when not.
    bool MoveIntoPlace(Item* item, wxString& path);
    void Forget(Item* item);
    Item* Find(unsigned long serial) const;
    bool IsTaken(const wxString& path) const;

    std::vector<unsigned long> m_hooks;  // emission hooks: gestures, page loads
    unsigned long m_startedHandler = 0;
    unsigned m_askSource = 0;
    unsigned m_watchSource = 0;
    bool m_bAsking = false;
    unsigned long m_nextSerial = 1;
    std::deque<unsigned long> m_waiting;  // serials of downloads to ask about
    std::vector<std::unique_ptr<Item>> m_items;
    // False once destroyed: a question still open then finds nothing to do.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
