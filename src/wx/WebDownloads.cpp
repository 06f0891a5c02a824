#include "WebDownloads.h"

#include "IEHtmlWin.h"
#include "base/UniqueFileName.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/stdpaths.h>
#include <wx/uri.h>
#include <wx/utils.h>

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

struct WebDownloads::Item
{
    WebDownloads* owner = nullptr;
    unsigned long serial = 0;
    WebKitDownload* download = nullptr;  // one reference held
    wxString path;                        // chosen final name, empty until then
    wxString working;                     // where WebKit writes, renamed to path at the end
    wxString name;                        // the final file name
    wxString suggested;                   // the site's name, made safe
    wxString site;                        // host of the page that started it
    unsigned long long lastReported = 0;
    bool failed = false;
    bool refused = false;
    bool cancelled = false;               // asked of WebKit once, never again
    bool wanted = false;                  // the page's person clicked or typed just before
    bool unseen = false;                  // started by a view nobody sees: never saved
    // WebKit's network processes when it started, by pid and start time.
    struct Process
    {
        long pid = 0;
        unsigned long long start = 0;
    };
    std::vector<Process> network;
    // WebKit's processes were not our children (a sandbox launches them):
    // then nothing tells whether its network process is gone.
    bool untracked = false;
    // What this download created, by identity: a file another program put
    // at the same path meanwhile is never removed. The descriptor keeps the
    // file's inode number from going to a new file while we compare.
    struct FileId
    {
        dev_t dev = 0;
        ino_t ino = 0;
        int fd = -1;
        bool known() const { return fd >= 0; }
        void Forget()
        {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    } created, partial;
    std::vector<unsigned long> handlers;

    ~Item()
    {
        created.Forget();
        partial.Forget();
    }
};

namespace
{
// WebKit writes into this file and renames it when the download is complete.
const char* const PartialSuffix = ".wkdownload";
// Kept on each web view, so they go with it.
const char* const GestureKey = "orvane-last-gesture-us";
const char* const LoadDownloadsKey = "orvane-downloads-this-load";

// What /proc tells of one process.
struct ProcessState
{
    long parent = 0;
    char state = 0;
    unsigned long flags = 0;
    unsigned long long start = 0;
    std::string name;
};

// False when the process is gone.
bool ReadProcess(long pid, ProcessState& process)
{
    FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "re");
    if (!file)
        return false;
    char line[1024];
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    // "pid (name) state parent ..." where the name may hold blanks and brackets.
    const char* open = read ? std::strchr(line, '(') : nullptr;
    const char* close = read ? std::strrchr(line, ')') : nullptr;
    if (!open || !close || close < open)
        return false;
    process.name.assign(open + 1, close);
    const char* p = close + 1;
    char* end = nullptr;
    while (*p == ' ')
        ++p;
    process.state = *p++;
    for (int column = 4; column <= 22; ++column)
    {
        const unsigned long long field = std::strtoull(p, &end, 10);
        if (end == p)
            return false;
        if (column == 4)
            process.parent = static_cast<long>(field);
        else if (column == 9)
            process.flags = static_cast<unsigned long>(field);
        else if (column == 22)
            process.start = field;
        p = end;
    }
    return true;
}

// The kernel's flags of a process that is ending: exiting, or dumping core
// or killed by a signal on the way there. Its socket to us may already be
// closed while /proc still shows it.
constexpr unsigned long EndingFlags = 0x4 /* PF_EXITING */ | 0x200 /* PF_DUMPCORE */ | 0x400 /* PF_SIGNALED */;

// WebKit's network processes among this process's children, and whether any
// of WebKit's processes is a child at all.
std::vector<WebDownloads::Item::Process> NetworkProcesses(bool& seesWebKit)
{
    std::vector<WebDownloads::Item::Process> found;
    seesWebKit = false;
    const long self = static_cast<long>(::getpid());
    wxDir proc;
    wxString entry;
    wxLogNull quiet;
    if (!proc.Open(wxS("/proc")))
        return found;
    for (bool more = proc.GetFirst(&entry, wxString(), wxDIR_DIRS); more; more = proc.GetNext(&entry))
    {
        long pid = 0;
        ProcessState process;
        if (!entry.ToLong(&pid) || !ReadProcess(pid, process) || process.parent != self ||
            process.name.rfind("WebKit", 0) != 0)
            continue;
        seesWebKit = true;
        if (process.name.rfind("WebKitNetwork", 0) == 0)
            found.push_back({pid, process.start});
    }
    return found;
}

bool IsRunning(const WebDownloads::Item::Process& known)
{
    ProcessState process;
    return ReadProcess(known.pid, process) && process.start == known.start && process.state != 'Z' &&
           process.state != 'X' && (process.flags & EndingFlags) == 0;
}

// True when WebKit's network processes are seen and none that the download
// may belong to runs any longer. A download can start after its network
// process died: WebKit sets it up before it learns of the death.
bool IsNetworkGone(const WebDownloads::Item& item)
{
    return !item.untracked && std::none_of(item.network.begin(), item.network.end(), IsRunning);
}

std::string Narrow(const wxString& path)
{
    return std::string(path.fn_str());
}

void Remember(WebDownloads::Item::FileId& id, const std::string& path)
{
    id.Forget();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st{};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    {
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.fd = fd;
    }
    else if (fd >= 0)
        ::close(fd);
}

void RemoveIfSame(const std::string& path, WebDownloads::Item::FileId& id)
{
    struct stat st{};
    if (id.known() && ::lstat(path.c_str(), &st) == 0 && st.st_dev == id.dev && st.st_ino == id.ino)
        ::unlink(path.c_str());
    id.Forget();
}

gint64 GetViewNumber(WebKitWebView* view, const char* key, gint64 fallback)
{
    const auto* value = static_cast<const gint64*>(g_object_get_data(G_OBJECT(view), key));
    return value ? *value : fallback;
}

void SetViewNumber(WebKitWebView* view, const char* key, gint64 number)
{
    g_object_set_data_full(G_OBJECT(view), key, g_memdup2(&number, sizeof number), g_free);
}

wxString HostOf(const char* uri)
{
    return uri ? wxURI(wxString::FromUTF8(uri)).GetServer() : wxString();
}

extern "C" {

// Sees every click and key press of every web view, before the page or the
// toolkit can stop it.
gboolean OnInputEmitted(GSignalInvocationHint*, guint count, const GValue* values, gpointer)
{
    if (count > 0 && WEBKIT_IS_WEB_VIEW(g_value_peek_pointer(&values[0])))
        SetViewNumber(WEBKIT_WEB_VIEW(g_value_peek_pointer(&values[0])), GestureKey, g_get_monotonic_time());
    return TRUE;
}

gboolean OnLoadChangedEmitted(GSignalInvocationHint*, guint count, const GValue* values, gpointer)
{
    // A new document starts with no click of its own and no downloads.
    if (count > 1 && WEBKIT_IS_WEB_VIEW(g_value_peek_pointer(&values[0])) &&
        g_value_get_enum(&values[1]) == WEBKIT_LOAD_COMMITTED)
    {
        g_object_set_data(G_OBJECT(g_value_peek_pointer(&values[0])), GestureKey, nullptr);
        g_object_set_data(G_OBJECT(g_value_peek_pointer(&values[0])), LoadDownloadsKey, nullptr);
    }
    return TRUE;
}

gboolean AskWaitingSoon(gpointer data)
{
    static_cast<WebDownloads*>(data)->AskWaiting();
    return G_SOURCE_REMOVE;
}

gboolean WatchNetworkNow(gpointer data)
{
    return static_cast<WebDownloads*>(data)->WatchNetwork() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data)
{
    static_cast<WebDownloads*>(data)->OnStarted(download);
}

gboolean OnNativeDecideDestination(WebKitDownload*, gchar* suggested, gpointer data)
{
    auto* item = static_cast<WebDownloads::Item*>(data);
    return item->owner->OnDecideDestination(item, wxString::FromUTF8(suggested ? suggested : ""));
}

void OnCreatedDestination(WebKitDownload*, gchar*, gpointer data)
{
    auto* item = static_cast<WebDownloads::Item*>(data);
    item->owner->OnCreatedDestination(item);
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

struct HookedSignal
{
    GType type;
    const char* name;
    GSignalEmissionHook hook;
};
const HookedSignal HookedSignals[] = {
    {GTK_TYPE_WIDGET, "button-press-event", OnInputEmitted},
    {GTK_TYPE_WIDGET, "key-press-event", OnInputEmitted},
    {WEBKIT_TYPE_WEB_VIEW, "load-changed", OnLoadChangedEmitted},
};
} // namespace

WebDownloads::WebDownloads()
{
    for (const HookedSignal& hooked : HookedSignals)
    {
        // Signals exist once their class is set up.
        g_type_class_unref(g_type_class_ref(hooked.type));
        m_hooks.push_back(g_signal_add_emission_hook(g_signal_lookup(hooked.name, hooked.type), 0, hooked.hook,
                                                     nullptr, nullptr));
    }
    m_startedHandler = g_signal_connect(webkit_web_context_get_default(), "download-started",
                                        G_CALLBACK(OnDownloadStarted), this);
}

WebDownloads::~WebDownloads()
{
    *m_alive = false;
    for (size_t i = 0; i < m_hooks.size(); ++i)
        g_signal_remove_emission_hook(g_signal_lookup(HookedSignals[i].name, HookedSignals[i].type), m_hooks[i]);
    if (m_askSource)
        g_source_remove(m_askSource);
    if (m_watchSource)
        g_source_remove(m_watchSource);
    g_signal_handler_disconnect(webkit_web_context_get_default(), m_startedHandler);
    // Closing cancels what is still running, each download once; nothing
    // half written stays.
    while (!m_items.empty())
    {
        Item* item = m_items.back().get();
        DisconnectSignals(item);
        Cancel(item);
        RemoveWrittenFiles(item);
        Forget(item);
    }
}

bool WebDownloads::Cancel(Item* item)
{
    // A download that failed or was cancelled is over for WebKit: a second
    // cancel reaches what WebKit has already released.
    if (item->cancelled || item->failed)
        return true;
    item->cancelled = true;
    // A page can make WebKit's network process crash; WebKit then reports
    // nothing of its downloads, and cancelling one crashes this process.
    // Their transfer ended with it.
    if (IsNetworkGone(*item))
        return false;
    // The signals the cancel emits may forget the item and drop our
    // reference while WebKit still works on the download.
    WebKitDownload* download = WEBKIT_DOWNLOAD(g_object_ref(item->download));
    webkit_download_cancel(download);
    g_object_unref(download);
    return true;
}

wxString WebDownloads::Folder()
{
    const wxString home = wxFileName::GetHomeDir();
    wxString folder = wxStandardPaths::Get().GetUserDir(wxStandardPaths::Dir_Downloads);
    // The toolkit answers the home folder when the desktop names none.
    if (folder.empty() || wxFileName::DirName(folder).SameAs(wxFileName::DirName(home)))
        folder = home + "/Downloads";
    return folder;
}

bool WebDownloads::Cancel(const wxString& name)
{
    for (const std::unique_ptr<Item>& item : m_items)
    {
        if (!item->path.empty() && item->name == name && !item->failed && !item->cancelled)
        {
            Item* cancelled = item.get();
            // WebKit will not say it ended: we do.
            if (!Cancel(cancelled))
            {
                OnFailed(cancelled, wxString(), true);
                Forget(cancelled);
            }
            return true;
        }
    }
    return false;
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
    item->serial = m_nextSerial++;
    item->download = WEBKIT_DOWNLOAD(g_object_ref(download));
    bool seesWebKit = false;
    item->network = NetworkProcesses(seesWebKit);
    item->untracked = !seesWebKit;
    // Judged as the download starts, as near to the click as WebKit tells.
    if (WebKitWebView* view = webkit_download_get_web_view(download))
    {
        item->site = HostOf(webkit_web_view_get_uri(view));
        const gint64 since = g_get_monotonic_time() - GetViewNumber(view, GestureKey, G_MININT64 / 2);
        const gint64 count = GetViewNumber(view, LoadDownloadsKey, 0) + 1;
        SetViewNumber(view, LoadDownloadsKey, count);
        item->unseen = g_object_get_data(G_OBJECT(view), wxIEHtmlWin::UnseenKey) != nullptr;
        item->wanted = !item->unseen && since >= 0 && since <= GestureWindowMs * 1000 && count <= MaxUnaskedPerLoad;
    }
    Item* raw = item.get();
    raw->handlers = {
        g_signal_connect(download, "decide-destination", G_CALLBACK(OnNativeDecideDestination), raw),
        g_signal_connect(download, "created-destination", G_CALLBACK(::OnCreatedDestination), raw),
        g_signal_connect(download, "received-data", G_CALLBACK(OnReceivedData), raw),
        g_signal_connect(download, "failed", G_CALLBACK(OnDownloadFailed), raw),
        g_signal_connect(download, "finished", G_CALLBACK(OnDownloadFinished), raw),
    };
    m_items.push_back(std::move(item));
    if (!m_watchSource)
        m_watchSource = g_timeout_add_seconds(1, WatchNetworkNow, this);
}

bool WebDownloads::WatchNetwork()
{
    std::vector<unsigned long> ended;
    for (const std::unique_ptr<Item>& item : m_items)
    {
        if (IsNetworkGone(*item))
            ended.push_back(item->serial);
    }
    for (unsigned long serial : ended)
    {
        // Reporting one may have ended another.
        if (Item* item = Find(serial))
            EndWithNetwork(item);
    }
    if (!m_items.empty())
        return true;
    m_watchSource = 0;
    return false;
}

void WebDownloads::EndWithNetwork(Item* item)
{
    if (!item->failed)
        OnFailed(item, _("The web engine's network process ended."), false);
    Forget(item);
}

void WebDownloads::DisconnectSignals(Item* item)
{
    for (unsigned long handler : item->handlers)
        g_signal_handler_disconnect(item->download, handler);
    item->handlers.clear();
}

bool WebDownloads::IsTaken(const wxString& path) const
{
    if (wxFileExists(path) || wxDirExists(path) || wxFileExists(path + PartialSuffix))
        return true;
    return std::any_of(m_items.begin(), m_items.end(),
                       [&](const std::unique_ptr<Item>& item) { return item->path == path; });
}

WebDownloads::Item* WebDownloads::Find(unsigned long serial) const
{
    for (const std::unique_ptr<Item>& item : m_items)
    {
        if (item->serial == serial)
            return item.get();
    }
    return nullptr;
}

bool WebDownloads::OnDecideDestination(Item* item, const wxString& suggested)
{
    item->suggested = item->name = UniqueFileName::Sanitize(suggested);
    if (item->site.empty())
        item->site = HostOf(webkit_uri_request_get_uri(webkit_download_get_request(item->download)));
    if (item->wanted)
    {
        SetDestination(item);
        return true;
    }
    // Asked later, outside WebKit's signal: the download waits meanwhile.
    m_waiting.push_back(item->serial);
    if (!m_askSource && !m_bAsking)
        m_askSource = g_idle_add(AskWaitingSoon, this);
    return true;
}

void WebDownloads::AskWaiting()
{
    m_askSource = 0;
    // Downloads that arrive while the question is open join the queue.
    if (m_bAsking)
        return;
    m_bAsking = true;
    while (!m_waiting.empty())
    {
        const unsigned long serial = m_waiting.front();
        m_waiting.pop_front();
        Item* item = Find(serial);
        if (!item)
            continue;
        // Its transfer ended with WebKit's network process: nothing to ask,
        // and WebKit must not be given a destination for it.
        if (IsNetworkGone(*item))
        {
            EndWithNetwork(item);
            continue;
        }
        Question question;
        question.name = item->name;
        question.site = item->site;
        question.folder = Folder();
        if (WebKitURIResponse* response = webkit_download_get_response(item->download))
            question.size = webkit_uri_response_get_content_length(response);
        question.view = webkit_download_get_web_view(item->download);
        const std::shared_ptr<bool> alive = m_alive;
        // A copy: the window's function may go with the window meanwhile.
        const auto ask = m_askSave;
        // Nobody is asked about what a page nobody sees started.
        const bool save = !item->unseen && ask && ask(question);
        // The window may have closed, or the download failed, while the
        // question was open.
        if (!*alive)
            return;
        item = Find(serial);
        if (!item)
            continue;
        if (save)
            SetDestination(item);
        else
        {
            item->refused = true;
            Cancel(item);
        }
    }
    m_bAsking = false;
}

void WebDownloads::SetDestination(Item* item)
{
    const wxString folder = Folder();
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    item->path = UniqueFileName::Make(folder, item->suggested, [this](const wxString& path) { return IsTaken(path); });
    item->name = wxFileName(item->path).GetFullName();
    // WebKit removes its destination by name when a download fails, even a
    // file another program has put there since: it writes under a name of
    // our own, which becomes the final one only when complete.
    char random[16];
    std::snprintf(random, sizeof random, ".%08x", g_random_int());
    item->working = item->path + random + ".part";
    webkit_download_set_allow_overwrite(item->download, FALSE);
    const wxString uri = wxFileName::FileNameToURL(wxFileName(item->working));
    webkit_download_set_destination(item->download, uri.utf8_str());
}

void WebDownloads::OnCreatedDestination(Item* item)
{
    // WebKit has just created both, exclusively: they are this download's.
    Remember(item->created, Narrow(item->working));
    Remember(item->partial, Narrow(item->working + PartialSuffix));
}

void WebDownloads::OnReceived(Item* item)
{
    if (!item->partial.known())
        Remember(item->partial, Narrow(item->working + PartialSuffix));
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

void WebDownloads::RemoveWrittenFiles(Item* item)
{
    if (item->working.empty())
        return;
    RemoveIfSame(Narrow(item->working + PartialSuffix), item->partial);
    RemoveIfSame(Narrow(item->working), item->created);
}

void WebDownloads::OnFailed(Item* item, const wxString& reason, bool cancelled)
{
    item->failed = true;
    RemoveWrittenFiles(item);
    // A download the person said no to is no failure to report.
    if (m_onFailed && !item->refused)
        m_onFailed(item->name, cancelled ? wxString(_("The download was cancelled.")) : reason);
}

void WebDownloads::OnFinished(Item* item)
{
    // WebKit also reports a failed download as finished, after the failure.
    bool ok = !item->failed;
    wxString path = item->path;
    if (ok)
        ok = MoveIntoPlace(item, path);
    Forget(item);
    if (ok && m_onFinished)
        m_onFinished(path);
}

bool WebDownloads::MoveIntoPlace(Item* item, wxString& path)
{
    const std::string working = Narrow(item->working);
    // Never over a file another program made meanwhile: then the next free name.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        if (attempt > 0)
        {
            item->path.clear();
            path = UniqueFileName::Make(wxFileName(path).GetPath(), item->suggested,
                                        [this](const wxString& p) { return IsTaken(p); });
        }
        const std::string target = Narrow(path);
        int result = ::renameat2(AT_FDCWD, working.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        // File systems without the exclusive rename: a hard link is exclusive too.
        if (result != 0 && (errno == EINVAL || errno == ENOSYS))
        {
            result = ::link(working.c_str(), target.c_str());
            if (result == 0)
                ::unlink(working.c_str());
        }
        if (result == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    RemoveWrittenFiles(item);
    if (m_onFailed)
        m_onFailed(item->name, wxString::FromUTF8(std::strerror(errno)));
    return false;
}

void WebDownloads::Forget(Item* item)
{
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [item](const std::unique_ptr<Item>& held) { return held.get() == item; });
    if (it == m_items.end())
        return;
    // WebKit may keep the download and report on it later.
    DisconnectSignals(item);
    g_object_unref(item->download);
    m_items.erase(it);
}
