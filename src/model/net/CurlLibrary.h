#pragma once

#include <curl/curl.h>

#include <string>

// libcurl, loaded on the first fetch. Linked in, it and the TLS, LDAP and
// SSH libraries behind it would be loaded and initialised at every start,
// whether anything is fetched or not. Thread-safe; never unloaded.
class CurlLibrary
{
public:
    // Null when the library could not be loaded; LoadError() says why.
    static const CurlLibrary* Get();
    static std::string LoadError();

    // Older versions load (every function we call exists) but do not know
    // the options that limit protocols and redirects, and would fetch
    // without those limits.
    static constexpr unsigned MinimumVersion = 0x075500;  // 7.85.0
    // Why a library reporting `info` cannot be used; "" when it can.
    static std::string VersionProblem(const curl_version_info_data* info);

    // The functions we call, under their own names without "curl_".
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_reset) easy_reset = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    decltype(&::curl_multi_wakeup) multi_wakeup = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_share_init) share_init = nullptr;
    decltype(&::curl_share_cleanup) share_cleanup = nullptr;
    decltype(&::curl_share_setopt) share_setopt = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    decltype(&::curl_url) url = nullptr;
    decltype(&::curl_url_cleanup) url_cleanup = nullptr;
    decltype(&::curl_url_set) url_set = nullptr;
    decltype(&::curl_url_get) url_get = nullptr;
    decltype(&::curl_free) free = nullptr;
    decltype(&::curl_version_info) version_info = nullptr;

private:
    CurlLibrary() = default;
    bool Load(std::string& error);
};
