#pragma once

// Both benchmark programs honour ORVANE_WEBKIT_SHARED=1: one shared web
// process for all views instead of WebKit's default, so that the two
// process models can be measured side by side.
#include <webkit2/webkit2.h>

#include <cstdlib>
#include <cstring>

inline const char* ApplyProcessModelFromEnvironment()
{
    const char* shared = std::getenv("ORVANE_WEBKIT_SHARED");
    if (!shared || std::strcmp(shared, "1") != 0)
        return "default";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    webkit_web_context_set_process_model(webkit_web_context_get_default(),
                                         WEBKIT_PROCESS_MODEL_SHARED_SECONDARY_PROCESS);
#pragma GCC diagnostic pop
    return "shared";
}
