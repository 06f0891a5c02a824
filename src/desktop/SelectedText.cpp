#include "SelectedText.h"

#include <gtk/gtk.h>

namespace
{
wxString ClipboardText(GdkAtom which)
{
    GtkClipboard* clipboard = gtk_clipboard_get(which);
    // Runs a nested loop until the owner answered (or GTK gave up).
    gchar* text = gtk_clipboard_wait_for_text(clipboard);
    if (!text)
        return wxString();
    const wxString result = wxString::FromUTF8(text);
    g_free(text);
    return result;
}
} // namespace

wxString SelectedText::Read(CommandLine::Source source)
{
    if (source == CommandLine::Source::Arguments)
        return wxString();
    // The toolkit initialises GTK again later (a second call does nothing)
    // and sets the locale itself: GTK must leave it alone, as it would then.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr))
        return wxString();
    if (source == CommandLine::Source::Selection)
    {
        const wxString selected = ClipboardText(GDK_SELECTION_PRIMARY);
        if (!selected.Strip(wxString::both).empty())
            return selected;
    }
    return ClipboardText(GDK_SELECTION_CLIPBOARD);
}
