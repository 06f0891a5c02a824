#include "WebSession.h"

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
    WebKitCookieManager* cookies = webkit_web_context_get_cookie_manager(webkit_web_context_get_default());
    webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
    if (!keepCookies)
    {
        // The user chose to start each run without cookies: an old store
        // must not come back should the choice be turned on again.
        if (wxFileExists(cookieFile))
            wxRemoveFile(cookieFile);
        return;
    }
    wxFileName::Mkdir(wxFileName(cookieFile).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    webkit_cookie_manager_set_persistent_storage(cookies, cookieFile.utf8_str(),
                                                 WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
}

void WebSession::ClearBrowsingData(std::function<void(bool cleared)> done)
{
    WebKitWebContext* context = webkit_web_context_get_default();
    // The manager is only usable once its context has started its network
    // side, which asking for the cookie store does; before any view exists
    // WebKit would crash here.
    webkit_web_context_get_cookie_manager(context);
    WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
    auto* callback = new DoneCallback(std::move(done));
    webkit_website_data_manager_clear(manager, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr, OnCleared, callback);
}
