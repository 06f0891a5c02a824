#include "net/CurlLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <type_traits>

namespace
{
// The soname of the library the headers came from (Debian's libcurl4).
const char* const kSoname = "libcurl.so.4";

std::once_flag g_once;
const CurlLibrary* g_library = nullptr;
std::string g_error;
} // namespace

const CurlLibrary* CurlLibrary::Get()
{
    std::call_once(g_once, [] {
        static CurlLibrary library;
        if (library.Load(g_error))
            g_library = &library;
    });
    return g_library;
}

std::string CurlLibrary::LoadError()
{
    Get();
    return g_error;
}

std::string CurlLibrary::VersionProblem(const curl_version_info_data* info)
{
    if (!info)
        return "libcurl does not tell its version";
    if (info->version_num >= MinimumVersion)
        return std::string();
    return std::string("libcurl ") + (info->version ? info->version : "?") + " is older than 7.85.0";
}

bool CurlLibrary::Load(std::string& error)
{
    void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
    {
        const char* why = dlerror();
        error = std::string("cannot load ") + kSoname + (why ? std::string(": ") + why : "");
        return false;
    }
    bool complete = true;
    auto resolve = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
        if (!function && complete)
        {
            complete = false;
            error = std::string(kSoname) + " lacks " + name;
        }
    };
    resolve(global_init, "curl_global_init");
    resolve(easy_init, "curl_easy_init");
    resolve(easy_cleanup, "curl_easy_cleanup");
    resolve(easy_reset, "curl_easy_reset");
    resolve(easy_setopt, "curl_easy_setopt");
    resolve(easy_getinfo, "curl_easy_getinfo");
    resolve(easy_strerror, "curl_easy_strerror");
    resolve(multi_init, "curl_multi_init");
    resolve(multi_cleanup, "curl_multi_cleanup");
    resolve(multi_add_handle, "curl_multi_add_handle");
    resolve(multi_remove_handle, "curl_multi_remove_handle");
    resolve(multi_perform, "curl_multi_perform");
    resolve(multi_poll, "curl_multi_poll");
    resolve(multi_wakeup, "curl_multi_wakeup");
    resolve(multi_info_read, "curl_multi_info_read");
    resolve(share_init, "curl_share_init");
    resolve(share_cleanup, "curl_share_cleanup");
    resolve(share_setopt, "curl_share_setopt");
    resolve(slist_append, "curl_slist_append");
    resolve(slist_free_all, "curl_slist_free_all");
    resolve(url, "curl_url");
    resolve(url_cleanup, "curl_url_cleanup");
    resolve(url_set, "curl_url_set");
    resolve(url_get, "curl_url_get");
    resolve(free, "curl_free");
    resolve(version_info, "curl_version_info");
    // The handle stays open for the rest of the run: handles made by the
    // library may live until exit.
    if (!complete)
        return false;
    error = VersionProblem(version_info(CURLVERSION_NOW));
    if (!error.empty())
        return false;
    if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    {
        error = "libcurl could not initialise";
        return false;
    }
    return true;
}
