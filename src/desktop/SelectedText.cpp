#include "SelectedText.h"

#include "instance/DesktopQuery.h"

#include <gtk/gtk.h>

#include <string>

#include <cerrno>
#include <chrono>
#include <csignal>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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

// In the child: GTK's display connection and its locale handling stay out of
// the process that may become the window.
std::string ReadWords(CommandLine::Source source)
{
    if (!gtk_init_check(nullptr, nullptr))
        return std::string();
    wxString words;
    if (source == CommandLine::Source::Selection)
        words = DesktopQuery::CleanText(ClipboardText(GDK_SELECTION_PRIMARY));
    if (words.empty())
        words = DesktopQuery::CleanText(ClipboardText(GDK_SELECTION_CLIPBOARD));
    const wxScopedCharBuffer utf8 = words.utf8_str();
    return std::string(utf8.data(), utf8.length());
}
} // namespace

wxString SelectedText::Read(CommandLine::Source source, bool* unreadable)
{
    if (unreadable)
        *unreadable = false;
    if (source == CommandLine::Source::Arguments)
        return wxString();
    int fds[2];
    if (::pipe(fds) != 0)
        return wxString();
    const pid_t child = ::fork();
    if (child < 0)
    {
        ::close(fds[0]);
        ::close(fds[1]);
        return wxString();
    }
    if (child == 0)
    {
        ::close(fds[0]);
        const std::string words = ReadWords(source);
        size_t done = 0;
        while (done < words.size())
        {
            const ssize_t n = ::write(fds[1], words.data() + done, words.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    // The words are cut already; anything far beyond that is not from our child.
    constexpr size_t Limit = DesktopQuery::MaxChars * 4;
    std::string bytes;
    char buffer[4096];
    // The owner is another program: one that never answers, or trickles an
    // endless transfer, must not hold the start for minutes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeLimitMs);
    bool timedOut = false;
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd ready{fds[0], POLLIN, 0};
        const int polled = left > 0 ? ::poll(&ready, 1, static_cast<int>(left)) : 0;
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled == 0)
        {
            timedOut = true;
            bytes.clear();
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > Limit)
        {
            bytes.clear();
            break;
        }
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR)
    {
    }
    if (timedOut && unreadable)
        *unreadable = true;
    return wxString::FromUTF8(bytes.data(), bytes.size());
}
