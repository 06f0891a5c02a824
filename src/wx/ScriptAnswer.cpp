#include "ScriptAnswer.h"

#include <webkit2/webkit2.h>

bool ScriptAnswer::Read(GObject* view, GAsyncResult* result, std::string& text, bool* isString)
{
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
    const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
    const bool string = value && !cancelled && jsc_value_is_string(value);
    if (string)
    {
        gchar* chars = jsc_value_to_string(value);
        text = chars ? chars : "";
        g_free(chars);
    }
    if (isString)
        *isString = string;
    if (value)
        g_object_unref(value);
    if (error)
        g_error_free(error);
    return !cancelled;
}
