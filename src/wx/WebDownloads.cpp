#include "WebDownloads.h"

#include "base/UniqueFileName.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <webkit2/webkit2.h>

#include <algorithm>

struct WebDownloads::Item
{
    WebDownloads* owner = nullptr;
    WebKitDownload* download = nullptr;  // one reference held
    wxString path;                        // chosen destination, empty until then
    wxString name;
    unsigned long long lastReported = 0;
    bool failed = false;
    std::vector<unsigned long> handlers;
};

namespace
{
// WebKit writes into this file and renames it when the download is complete.
const char* const PartialSuffix = ".wkdownload";

void RemovePartialFiles(const wxString& path)
{
    if (path.empty())
        return;
    for (const wxString& file : {path + PartialSuffix, path})
    {
        if (wxFileExists(file))
            wxRemoveFile(file);
    }
}

extern "C" {

void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data)
{
    static_cast<WebDownloads*>(data)->OnStarted(download);
}

gboolean OnNativeDecideDestination(WebKitDownload*, gchar* suggested, gpointer data)
{
    auto* item = static_cast<WebDownloads::Item*>(data);
    return item->owner->OnDecideDestination(item, wxString::FromUTF8(suggested ? suggested : ""));
}

void OnReceivedData(WebKitDownload*, guint64, gpointer data)
{
    auto* item = static_cast<WebDownloads::Item*>(data);
    item->owner->OnReceived(item);
}

void OnDownloadFailed(WebKitDownload*, GError* error, gpointer data)
{
    auto* item = static_cast<WebDownloads::Item*>(data);
    const bool cancelled = g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER);
    item->owner->OnFailed(item, wxString::FromUTF8(error ? error->message : ""), cancelled);
}

void OnDownloadFinished(WebKitDownload*, gpointer data)
{
    auto* item = static_cast<WebDownloads::Item*>(data);
    item->owner->OnFinished(item);
}

} // extern "C"
} // namespace

WebDownloads::WebDownloads()
{
    m_startedHandler = g_signal_connect(webkit_web_context_get_default(), "download-started",
                                        G_CALLBACK(OnDownloadStarted), this);
}

WebDownloads::~WebDownloads()
{
    g_signal_handler_disconnect(webkit_web_context_get_default(), m_startedHandler);
    // Closing cancels what is still running; nothing half written stays.
    while (!m_items.empty())
    {
        Item* item = m_items.back().get();
        for (unsigned long handler : item->handlers)
            g_signal_handler_disconnect(item->download, handler);
        item->handlers.clear();
        webkit_download_cancel(item->download);
        RemovePartialFiles(item->path);
        Forget(item);
    }
}

wxString WebDownloads::Folder()
{
    const wxString home = wxFileName::GetHomeDir();
    wxString folder = wxStandardPaths::Get().GetUserDir(wxStandardPaths::Dir_Downloads);
    // The toolkit answers the home folder when the desktop names none.
    if (folder.empty() || wxFileName::DirName(folder).SameAs(wxFileName::DirName(home)))
        folder = wxDirExists(home + "/Downloads") ? home + "/Downloads" : home;
    return folder;
}

size_t WebDownloads::CountRunning() const
{
    return m_items.size();
}

void WebDownloads::OnStarted(void* native)
{
    auto* download = static_cast<WebKitDownload*>(native);
    auto item = std::make_unique<Item>();
    item->owner = this;
    item->download = WEBKIT_DOWNLOAD(g_object_ref(download));
    Item* raw = item.get();
    raw->handlers = {
        g_signal_connect(download, "decide-destination", G_CALLBACK(OnNativeDecideDestination), raw),
        g_signal_connect(download, "received-data", G_CALLBACK(OnReceivedData), raw),
        g_signal_connect(download, "failed", G_CALLBACK(OnDownloadFailed), raw),
        g_signal_connect(download, "finished", G_CALLBACK(OnDownloadFinished), raw),
    };
    m_items.push_back(std::move(item));
}

bool WebDownloads::IsTaken(const wxString& path) const
{
    if (wxFileExists(path) || wxDirExists(path) || wxFileExists(path + PartialSuffix))
        return true;
    return std::any_of(m_items.begin(), m_items.end(),
                       [&](const std::unique_ptr<Item>& item) { return item->path == path; });
}

bool WebDownloads::OnDecideDestination(Item* item, const wxString& suggested)
{
    const wxString folder = Folder();
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    item->path = UniqueFileName::Make(folder, UniqueFileName::Sanitize(suggested),
                                      [this](const wxString& path) { return IsTaken(path); });
    item->name = wxFileName(item->path).GetFullName();
    // Should another program take the name meanwhile, the download fails
    // rather than overwrite it.
    webkit_download_set_allow_overwrite(item->download, FALSE);
    const wxString uri = wxFileName::FileNameToURL(wxFileName(item->path));
    webkit_download_set_destination(item->download, uri.utf8_str());
    return true;
}

void WebDownloads::OnReceived(Item* item)
{
    const unsigned long long received = webkit_download_get_received_data_length(item->download);
    WebKitURIResponse* response = webkit_download_get_response(item->download);
    const unsigned long long total = response ? webkit_uri_response_get_content_length(response) : 0;
    // About a hundred reports per download, not one per network packet.
    const unsigned long long step = std::max<unsigned long long>(total / 100, 64 * 1024);
    if (received < item->lastReported + step && received != total)
        return;
    item->lastReported = received;
    if (m_onProgress)
        m_onProgress(item->name, received, total);
}

void WebDownloads::OnFailed(Item* item, const wxString& reason, bool cancelled)
{
    item->failed = true;
    RemovePartialFiles(item->path);
    if (m_onFailed)
        m_onFailed(item->name, cancelled ? wxString(_("The download was cancelled.")) : reason);
}

void WebDownloads::OnFinished(Item* item)
{
    // WebKit also reports a failed download as finished, after the failure.
    const bool ok = !item->failed;
    const wxString path = item->path;
    for (unsigned long handler : item->handlers)
        g_signal_handler_disconnect(item->download, handler);
    item->handlers.clear();
    Forget(item);
    if (ok && m_onFinished)
        m_onFinished(path);
}

void WebDownloads::Forget(Item* item)
{
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [item](const std::unique_ptr<Item>& held) { return held.get() == item; });
    if (it == m_items.end())
        return;
    g_object_unref(item->download);
    m_items.erase(it);
}
