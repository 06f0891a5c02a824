#include "exchange/BrowserProfiles.h"

#include "exchange/ChromiumWebData.h"
#include "exchange/FirefoxSearchFile.h"
#include "exchange/ImportLimits.h"

#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// These small files are read whole; anything larger is not what we expect.
constexpr size_t MaxListBytes = 8 * 1024 * 1024;

// Only an ordinary file: a pipe or device put in its place would never end.
bool ReadSmall(const wxString& path, size_t limit, std::string& bytes)
{
    bytes.clear();
    const int fd = ::open(path.fn_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st{};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[64 * 1024];
    while (ok)
    {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ok = n == 0;
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > limit)
            ok = false;
    }
    ::close(fd);
    return ok;
}

// Chromium's "Local State": the display name of each profile folder, from
// profile.info_cache.<folder>.name and nothing else, so that a deep or huge
// file costs neither recursion nor memory.
std::map<std::string, std::string> ProfileNames(const std::string& state)
{
    using Json = nlohmann::json;
    auto keep = [](int depth, Json::parse_event_t event, Json& parsed) -> bool {
        switch (event)
        {
        case Json::parse_event_t::key:
        {
            const std::string& key = parsed.get_ref<const std::string&>();
            return depth == 3 || (depth == 1 && key == "profile") || (depth == 2 && key == "info_cache") ||
                   (depth == 4 && key == "name");
        }
        case Json::parse_event_t::object_start:
            return depth <= 3;
        case Json::parse_event_t::array_start:
            return false;
        default:
            return depth <= ImportLimits::MaxJsonDepth;
        }
    };
    std::map<std::string, std::string> names;
    const Json parsed = Json::parse(state, keep, false);
    if (!parsed.is_object())
        return names;
    const auto profile = parsed.find("profile");
    if (profile == parsed.end() || !profile->is_object())
        return names;
    const auto cache = profile->find("info_cache");
    if (cache == profile->end() || !cache->is_object())
        return names;
    for (auto entry = cache->begin(); entry != cache->end(); ++entry)
    {
        if (!entry->is_object())
            continue;
        const auto name = entry->find("name");
        if (name != entry->end() && name->is_string())
            names[entry.key()] = name->get<std::string>();
    }
    return names;
}

// `name` may itself hold folders ("snap/firefox/...").
wxString Join(wxString folder, const wxString& name)
{
    if (!folder.EndsWith(wxS("/")))
        folder += '/';
    return folder + name;
}

// profiles.ini: a [ProfileN] section per profile with Name, Path and IsRelative.
void FindFirefox(const wxString& root, std::vector<BrowserProfiles::Profile>& found)
{
    std::string ini;
    if (!ReadSmall(Join(root, wxS("profiles.ini")), MaxListBytes, ini))
        return;
    struct Section
    {
        wxString name, path;
        bool relative = true;
        bool profile = false;
    };
    std::vector<Section> sections;
    const wxString text = wxString::FromUTF8Unchecked(ini.data(), ini.size());
    size_t start = 0;
    while (start <= text.length())
    {
        size_t end = text.find('\n', start);
        if (end == wxString::npos)
            end = text.length();
        wxString line = text.substr(start, end - start);
        start = end + 1;
        line.Trim(true).Trim(false);
        if (line.StartsWith(wxS("[")) && line.EndsWith(wxS("]")))
        {
            sections.emplace_back();
            sections.back().profile = line.Mid(1, line.length() - 2).Lower().StartsWith(wxS("profile"));
            continue;
        }
        if (sections.empty() || line.find('=') == wxString::npos)
            continue;
        const wxString key = line.BeforeFirst('=').Trim();
        const wxString value = line.AfterFirst('=').Trim(false);
        if (key == wxS("Name"))
            sections.back().name = value;
        else if (key == wxS("Path"))
            sections.back().path = value;
        else if (key == wxS("IsRelative"))
            sections.back().relative = value != wxS("0");
    }
    for (const Section& section : sections)
    {
        if (!section.profile || section.path.empty())
            continue;
        wxFileName folder = wxFileName::DirName(section.path);
        if (section.relative || !folder.IsAbsolute())
            folder = wxFileName::DirName(Join(root, section.path));
        folder.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
        const wxString file = Join(folder.GetPath(), wxS("search.json.mozlz4"));
        if (!wxFileName::FileExists(file))
            continue;
        found.push_back({wxS("Firefox"),
                         ImportLimits::ShortName(section.name.empty() ? folder.GetDirs().Last() : section.name),
                         folder.GetPath(), file});
    }
}

// A user-data folder: every sub-folder with a "Web Data" file is a profile,
// named as "Local State" lists it.
void FindChromium(const wxString& browser, const wxString& root,
                  std::vector<BrowserProfiles::Profile>& found)
{
    wxLogNull noLog;
    if (!wxDir::Exists(root))
        return;
    std::map<std::string, std::string> names;
    std::string state;
    if (ReadSmall(Join(root, wxS("Local State")), MaxListBytes, state))
        names = ProfileNames(state);
    wxDir dir(root);
    if (!dir.IsOpened())
        return;
    std::vector<wxString> folders;
    wxString entry;
    for (bool more = dir.GetFirst(&entry, wxString(), wxDIR_DIRS); more; more = dir.GetNext(&entry))
        folders.push_back(entry);
    // "Default" first, then "Profile 1", "Profile 2", ... as the browser numbers them.
    std::sort(folders.begin(), folders.end(), [](const wxString& a, const wxString& b) {
        if ((a == wxS("Default")) != (b == wxS("Default")))
            return a == wxS("Default");
        if (a.length() != b.length())
            return a.length() < b.length();
        return a < b;
    });
    for (const wxString& folder : folders)
    {
        const wxString path = Join(root, folder);
        const wxString file = Join(path, wxS("Web Data"));
        if (!wxFileName::FileExists(file))
            continue;
        wxString name = folder;
        const auto named = names.find(folder.ToStdString(wxConvUTF8));
        if (named != names.end() && !named->second.empty())
            name = ImportLimits::ShortName(wxString::FromUTF8Unchecked(named->second.c_str()));
        found.push_back({browser, name, path, file});
    }
}
} // namespace

std::vector<BrowserProfiles::Profile> BrowserProfiles::Find(const wxString& home)
{
    std::vector<Profile> found;
    for (const char* root : {".mozilla/firefox", "snap/firefox/common/.mozilla/firefox",
                             ".var/app/org.mozilla.firefox/.mozilla/firefox"})
        FindFirefox(Join(home, root), found);

    struct Family
    {
        const char* browser;
        const char* folders[3];  // native, Flatpak, Snap (nullptr: none)
    };
    static const Family families[] = {
        {"Chromium",
         {".config/chromium", ".var/app/org.chromium.Chromium/config/chromium",
          "snap/chromium/common/chromium"}},
        {"Google Chrome",
         {".config/google-chrome", ".var/app/com.google.Chrome/config/google-chrome", nullptr}},
        {"Brave",
         {".config/BraveSoftware/Brave-Browser",
          ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
          "snap/brave/current/.config/BraveSoftware/Brave-Browser"}},
        {"Vivaldi", {".config/vivaldi", ".var/app/com.vivaldi.Vivaldi/config/vivaldi", nullptr}},
        {"Microsoft Edge",
         {".config/microsoft-edge", ".var/app/com.microsoft.Edge/config/microsoft-edge", nullptr}},
    };
    for (const Family& family : families)
        for (const char* folder : family.folders)
            if (folder)
                FindChromium(family.browser, Join(home, folder), found);

    // One profile reached by two roots (a linked folder) is listed once.
    std::vector<Profile> unique;
    for (Profile& profile : found)
    {
        const bool seen = std::any_of(unique.begin(), unique.end(), [&profile](const Profile& p) {
            return p.file == profile.file;
        });
        if (!seen)
            unique.push_back(std::move(profile));
    }
    return unique;
}

bool BrowserProfiles::Matches(const Profile& profile, const wxString& filter)
{
    const wxString needle = filter.Lower();
    return needle.empty() || profile.browser.Lower().Contains(needle) ||
           profile.name.Lower().Contains(needle);
}

size_t BrowserProfiles::CountEngines(const Profile& profile)
{
    std::vector<BrowserEngine> engines;
    ImportMessage error;
    std::string bytes;
    if (profile.file.EndsWith(wxS("search.json.mozlz4")))
    {
        if (!ReadSmall(profile.file, FirefoxSearchFile::MaxFileBytes, bytes) ||
            !FirefoxSearchFile::Read(bytes, engines, error))
            return 0;
    }
    else if (!ChromiumWebData::Read(profile.file, engines, error))
        return 0;
    return static_cast<size_t>(std::count_if(engines.begin(), engines.end(),
                                             [](const BrowserEngine& e) { return e.problem.IsEmpty(); }));
}
