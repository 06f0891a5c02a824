#include "OpenDialogs.h"

#include <wx/app.h>
#include <wx/dialog.h>

#include <gtk/gtk.h>

#include <algorithm>

OpenDialogs::OpenDialogs()
{
    Register();
}

OpenDialogs::~OpenDialogs()
{
    Unregister();
}

void OpenDialogs::CancelAll(std::function<void()> then)
{
    m_bRefusing = true;
    if (m_open.empty())
    {
        if (then)
            then();
        return;
    }
    m_then = std::move(then);
    // Innermost first: an outer dialog's loop returns only after the inner one's.
    for (auto it = m_open.rbegin(); it != m_open.rend(); ++it)
        Cancel(*it);
}

void OpenDialogs::Cancel(wxDialog* dialog)
{
    if (dialog->IsModal())
    {
        dialog->EndModal(wxID_CANCEL);
        return;
    }
    // The toolkit's message boxes run GTK's own dialog loop, which ends only
    // on a response.
    GtkWidget* widget = static_cast<GtkWidget*>(dialog->GetHandle());
    if (widget && GTK_IS_DIALOG(widget))
    {
        gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_CANCEL);
        return;
    }
    // A stand-in with no window: GTK's own dialog it counts for (a page's
    // print dialog) is one of the modal dialogs on screen.
    if (!widget)
    {
        GList* windows = gtk_window_list_toplevels();
        for (GList* l = windows; l; l = l->next)
        {
            GtkWidget* window = GTK_WIDGET(l->data);
            if (GTK_IS_DIALOG(window) && gtk_window_get_modal(GTK_WINDOW(window)) && gtk_widget_get_visible(window))
                gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
        }
        g_list_free(windows);
    }
}

int OpenDialogs::Enter(wxDialog* dialog)
{
    if (m_bRefusing)
        return wxID_CANCEL;
    m_open.push_back(dialog);
    return wxID_NONE;
}

void OpenDialogs::Exit(wxDialog* dialog)
{
    auto it = std::find(m_open.begin(), m_open.end(), dialog);
    if (it != m_open.end())
        m_open.erase(it);
    if (m_open.empty() && m_then && wxTheApp)
    {
        // The dialog's ShowModal has not returned yet: its caller's code
        // after it runs first.
        wxTheApp->CallAfter([then = std::move(m_then)] { then(); });
        m_then = nullptr;
    }
}
