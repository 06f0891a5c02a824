#include "WebSession.h"

#include "store/PrivateFolder.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <webkit2/webkit2.h>

#include <memory>

namespace
{
using DoneCallback = std::function<void(bool)>;

extern "C" void OnCleared(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<DoneCallback> done(static_cast<DoneCallback*>(data));
    GError* error = nullptr;
    const gboolean ok = webkit_website_data_manager_clear_finish(
        WEBKIT_WEBSITE_DATA_MANAGER(source), result, &error);
    if (error)
        g_error_free(error);
    if (*done)
        (*done)(ok != FALSE);
}

void ClearEverything(WebKitWebContext* context, std::function<void(bool)> done)
{
    // The manager is only usable once its context has started its network
    // side, which asking for the cookie store does; before any view exists
    // WebKit would crash here.
    webkit_web_context_get_cookie_manager(context);
    WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
    auto* callback = new DoneCallback(std::move(done));
    webkit_website_data_manager_clear(manager, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr, OnCleared, callback);
}
} // namespace

wxString WebSession::CookieFile()
{
    // Not GLib's user data folder: it is read once per process and never
    // follows a later change of the environment.
    wxString dataHome;
    if (!wxGetEnv("XDG_DATA_HOME", &dataHome) || dataHome.empty() || !wxIsAbsolutePath(dataHome))
        dataHome = wxGetHomeDir() + "/.local/share";
    return dataHome + "/orvane/cookies.sqlite";
}

void WebSession::Configure(bool keepCookies, const wxString& cookieFile)
{
    // WebKit keeps site storage and its caches in folders named after the
    // program; made here first, no other local user can look inside.
    const wxString program = wxString::FromUTF8(g_get_prgname() ? g_get_prgname() : "orvane");
    PrivateFolder::Make(wxString::FromUTF8(g_get_user_data_dir()) + "/" + program);
    PrivateFolder::Make(wxString::FromUTF8(g_get_user_cache_dir()) + "/" + program);

    WebKitWebContext* context = webkit_web_context_get_default();
    WebKitCookieManager* cookies = webkit_web_context_get_cookie_manager(context);
    webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
    if (!keepCookies)
    {
        // The user chose to start each run without cookies: an old store
        // must not come back should the choice be turned on again.
        if (wxFileExists(cookieFile))
            wxRemoveFile(cookieFile);
        // Nor may local storage, the caches or HSTS entries of an earlier
        // run let a site recognise the person: cookies stay in memory, and
        // every other kind of site data goes before the first page loads
        // (WebKit handles this request before any load asked for later).
        ClearEverything(context, {});
        return;
    }
    PrivateFolder::Make(wxFileName(cookieFile).GetPath());
    // SQLite gives its journal the mode of the database file.
    PrivateFolder::RestrictFile(cookieFile, true);
    webkit_cookie_manager_set_persistent_storage(cookies, cookieFile.utf8_str(),
                                                 WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
}

void WebSession::ClearBrowsingData(std::function<void(bool cleared)> done)
{
    ClearEverything(webkit_web_context_get_default(), std::move(done));
}
