#pragma once

#include <wx/string.h>

#include <functional>
#include <memory>
#include <vector>

// Saves what the browser views download (WebKit's download signals of the
// default web context that every view uses) into the user's download
// folder, each under a name no other file has. While it lives it reports
// progress and outcome; destroying it cancels the downloads still running
// and removes their partial files.
class WebDownloads
{
public:
    WebDownloads();
    ~WebDownloads();
    WebDownloads(const WebDownloads&) = delete;
    WebDownloads& operator=(const WebDownloads&) = delete;

    // The XDG download folder ($XDG_CONFIG_HOME/user-dirs.dirs), else
    // ~/Downloads when it exists, else the home folder.
    static wxString Folder();

    size_t CountRunning() const;

    // name: the file's name; total is 0 when the site did not tell.
    std::function<void(const wxString& name, unsigned long long received, unsigned long long total)> m_onProgress;
    std::function<void(const wxString& path)> m_onFinished;
    std::function<void(const wxString& name, const wxString& reason)> m_onFailed;

    // Called from WebKit's signals; not for other use.
    struct Item;
    void OnStarted(void* download);
    bool OnDecideDestination(Item* item, const wxString& suggested);
    void OnReceived(Item* item);
    void OnFailed(Item* item, const wxString& reason, bool cancelled);
    void OnFinished(Item* item);

private:
    void Forget(Item* item);
    bool IsTaken(const wxString& path) const;

    unsigned long m_startedHandler = 0;
    std::vector<std::unique_ptr<Item>> m_items;
};
