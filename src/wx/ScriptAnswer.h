#pragma once

#include <string>

typedef struct _GObject GObject;
typedef struct _GAsyncResult GAsyncResult;

// What a script run with webkit_web_view_evaluate_javascript answered, for
// the callbacks that read our scripts' reports.
namespace ScriptAnswer
{
// False when the run was cancelled: whoever started it may be gone, so the
// caller must not touch it. Otherwise text holds the answer when it was a
// string (isString, when given, says whether it was).
bool Read(GObject* view, GAsyncResult* result, std::string& text, bool* isString = nullptr);
} // namespace ScriptAnswer
