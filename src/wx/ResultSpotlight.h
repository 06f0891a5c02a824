#pragma once

#include <string>

// Brings one result into view on its engine's page and marks it for a
// moment, with a script in the probe's world of its own (the page's
// scripts neither see nor answer it). The result is found by its target,
// also inside a redirect wrapper, else by its title. Nothing waits for it:
// a page that has changed since simply shows no mark.
class ResultSpotlight
{
public:
    static constexpr unsigned HighlightMs = 1600;

    // webView: the WebKitWebView.
    static void Show(void* webView, const std::string& url, const std::string& title);
    static std::string Script(const std::string& url, const std::string& title);
};
