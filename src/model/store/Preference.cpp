#include "store/Preference.h"

#include "store/ConfigStore.h"

#include <wx/confbase.h>

#include <algorithm>

namespace
{
Preference* g_instance = nullptr;

// Integers are read and written as long: the store's native integer type.
int ReadInt(wxConfigBase* config, const char* key, int defaultValue)
{
    long value = defaultValue;
    config->Read(key, &value, static_cast<long>(defaultValue));
    return static_cast<int>(value);
}

void WriteInt(wxConfigBase* config, const char* key, int value)
{
    config->Write(key, static_cast<long>(value));
}
} // namespace

Preference* Preference::Get()
{
    if (!g_instance)
    {
        g_instance = new Preference;
        g_instance->Load();
    }
    return g_instance;
}

void Preference::Release()
{
    delete g_instance;  // the destructor forgets it
}

Preference::~Preference()
{
    if (g_instance == this)
        g_instance = nullptr;
}

void Preference::Load()
{
    namespace K = PreferenceKey;
    namespace D = PreferenceDefault;

    m_pConfig = ConfigStore::Get();
    wxConfigBase* config = m_pConfig;
    config->SetPath("/");

    m_nShowEngineManager = ReadInt(config, K::ShowEngineManager, D::ShowEngineManager);
    m_nPreserveLangCategory = ReadInt(config, K::PreserveLangCategory, D::PreserveLangCategory);
    if (m_nPreserveLangCategory > 0)
    {
        m_strLang = config->Read(K::Lang, m_strLang);
        m_strCategory = config->Read(K::Category, m_strCategory);
    }

    m_nPreserveKeyword = ReadInt(config, K::PreserveKeyword, D::PreserveKeyword);
    m_nKeywordNum = ReadInt(config, K::KeywordNum, D::KeywordNum);
    if (m_nPreserveKeyword > 0 && m_nKeywordNum != 0)
    {
        config->SetPath(K::KeywordGroup);
        // Never more entries than a save writes: a hand-edited huge count
        // must not make start-up read (and record) millions of keys.
        const int count = std::min(m_nKeywordNum, PreferenceDefault::MaxKeywords);
        for (int i = 0; i < count; ++i)
        {
            const wxString keyword = config->Read(wxString::Format("%d", i), wxString());
            if (!keyword.empty())
                m_arrKeywords.Add(keyword);
        }
    }
    config->SetPath("/");

    // Read without a default: a missing entry must not be recorded.
    m_arrRecentGroups.clear();
    config->SetPath(K::RecentGroupsGroup);
    for (int i = 0; i < PreferenceDefault::MaxRecentGroups; ++i)
    {
        wxString entry;
        if (!config->Read(wxString::Format("%d", i), &entry))
            break;
        m_arrRecentGroups.Add(entry);
    }
    config->SetPath("/");

    m_nHideMenuBar = ReadInt(config, K::HideMenuBar, D::HideMenuBar);
    m_nHideStatusBar = ReadInt(config, K::HideStatusBar, D::HideStatusBar);
    m_nEnableSuggestion = ReadInt(config, K::EnableSuggestion, D::EnableSuggestion);
    if (m_nEnableSuggestion > 0)
        m_strSuggLang = config->Read(K::SuggLang, m_strSuggLang);
    m_nKeepCookies = ReadInt(config, K::KeepCookies, D::KeepCookies);
    m_nPageTimeout = ReadInt(config, K::PageTimeout, D::PageTimeout);
    if (m_nPageTimeout <= 0)
        m_nPageTimeout = D::PageTimeout;
    m_nPageLayout = ReadInt(config, K::PageLayout, D::PageLayout);
    if (m_nPageLayout < 0 || m_nPageLayout > D::MaxPageLayout)
        m_nPageLayout = D::PageLayout;
    m_nScrollTogether = ReadInt(config, K::ScrollTogether, D::ScrollTogether) != 0 ? 1 : 0;
    m_nResultsPane = ReadInt(config, K::ResultsPane, D::ResultsPane) != 0 ? 1 : 0;
    m_strResultsPaneSide = config->Read(K::ResultsPaneSide, D::ResultsPaneSide) == "left" ? "left" : "right";
    m_nResultsPaneWidth =
        std::clamp(ReadInt(config, K::ResultsPaneWidth, D::ResultsPaneWidth), D::MinResultsPaneWidth, 4000);
}

void Preference::Save()
{
    namespace K = PreferenceKey;

    if (!m_pConfig)
        m_pConfig = ConfigStore::Get();
    wxConfigBase* config = m_pConfig;
    config->SetPath("/");

    WriteInt(config, K::ShowEngineManager, m_nShowEngineManager);
    WriteInt(config, K::PreserveLangCategory, m_nPreserveLangCategory);
    if (m_nPreserveLangCategory > 0)
    {
        config->Write(K::Lang, m_strLang);
        config->Write(K::Category, m_strCategory);
    }

    WriteInt(config, K::PreserveKeyword, m_nPreserveKeyword);
    if (m_nPreserveKeyword > 0)
    {
        // Entries blank after trimming are dropped and the rest numbered
        // without gaps, so a stale key beyond them can never be read back.
        wxArrayString entries;
        for (const wxString& keyword : m_arrKeywords)
        {
            if (static_cast<int>(entries.size()) == PreferenceDefault::MaxKeywords)
                break;
            wxString trimmed = keyword;
            trimmed.Trim(true);
            if (!trimmed.empty())
                entries.Add(trimmed);
        }
        m_nKeywordNum = static_cast<int>(entries.size());
        WriteInt(config, K::KeywordNum, m_nKeywordNum);
        config->SetPath(K::KeywordGroup);
        for (int i = 0; i < m_nKeywordNum; ++i)
            config->Write(wxString::Format("%d", i), entries[i]);
    }
    config->SetPath("/");

    config->DeleteGroup(K::RecentGroupsGroup);
    if (!m_arrRecentGroups.empty())
    {
        config->SetPath(K::RecentGroupsGroup);
        const size_t count =
            std::min(m_arrRecentGroups.size(), size_t(PreferenceDefault::MaxRecentGroups));
        for (size_t i = 0; i < count; ++i)
            config->Write(wxString::Format("%zu", i), m_arrRecentGroups[i]);
        config->SetPath("/");
    }

    WriteInt(config, K::HideMenuBar, m_nHideMenuBar);
    WriteInt(config, K::HideStatusBar, m_nHideStatusBar);
    WriteInt(config, K::EnableSuggestion, m_nEnableSuggestion);
    if (m_nEnableSuggestion > 0)
        config->Write(K::SuggLang, m_strSuggLang);
    WriteInt(config, K::KeepCookies, m_nKeepCookies);
    WriteInt(config, K::PageLayout, m_nPageLayout);
    WriteInt(config, K::ScrollTogether, m_nScrollTogether);
    WriteInt(config, K::ResultsPane, m_nResultsPane);
    config->Write(K::ResultsPaneSide, m_strResultsPaneSide);
    WriteInt(config, K::ResultsPaneWidth, m_nResultsPaneWidth);

    // Settings confirmed in the dialog survive a later crash.
    config->Flush();
}

void Preference::LoadFrameGeometry(FrameGeometry& frame)
{
    namespace K = PreferenceKey;
    namespace D = PreferenceDefault;

    if (!m_pConfig)
        m_pConfig = ConfigStore::Get();
    wxConfigBase* config = m_pConfig;
    config->SetPath("/");
    m_nPreserveFrameSizePos = ReadInt(config, K::PreserveFrameSizePos, D::PreserveFrameSizePos);

    int x = D::X, y = D::Y, w = D::W, h = D::H;
    if (m_nPreserveFrameSizePos >= 1)
    {
        x = ReadInt(config, K::X, x);
        y = ReadInt(config, K::Y, y);
        w = ReadInt(config, K::W, w);
        h = ReadInt(config, K::H, h);
    }
    frame.MoveTo(x, y);
    frame.SetClientArea(w, h);
}

void Preference::SaveFrameGeometry(const FrameGeometry& frame)
{
    namespace K = PreferenceKey;

    if (!m_pConfig)
        return;
    wxConfigBase* config = m_pConfig;
    config->SetPath("/");
    WriteInt(config, K::PreserveFrameSizePos, m_nPreserveFrameSizePos);
    if (m_nPreserveFrameSizePos > 0)
    {
        int w = 0, h = 0, x = 0, y = 0;
        frame.GetClientArea(w, h);
        frame.GetPosition(x, y);
        WriteInt(config, K::X, x);
        WriteInt(config, K::Y, y);
        WriteInt(config, K::W, w);
        WriteInt(config, K::H, h);
    }
}
