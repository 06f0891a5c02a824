#pragma once

#include "catalogue/Engine.h"
#include "catalogue/EngineObserver.h"
#include "catalogue/wxXmlDocumentEx.h"

#include <wx/arrstr.h>
#include <wx/string.h>

#include <memory>
#include <vector>

class wxXmlNode;

typedef std::vector<Engine*> EngineArray;

// The engine catalogue and its file conf/config.xml.
class EngineManager
{
public:
    EngineManager();
    virtual ~EngineManager();
    EngineManager(const EngineManager&) = delete;
    EngineManager& operator=(const EngineManager&) = delete;

    // The catalogue file, relative to the working directory unless absolute.
    void SetFileName(const wxString& fileName) { m_strFileName = fileName; }
    const wxString& GetFileName() const { return m_strFileName; }

    void Load();
    // The last Load found a file it could not read (malformed, another root).
    bool WasUnreadable() const { return m_bUnreadableFile; }
    // Writes the catalogue back when it changed; false when a write failed.
    bool Save();

    const EngineArray& GetEngines(const wxString& language, const wxString& category,
                                  bool includeDisabled);
    size_t GetEnabledCount() const;
    void GetLanguages(wxArrayString& languages) const;
    void GetCategories(wxArrayString& categories, const wxString& language) const;
    bool IndexExists(int index) const;
    int GetMaxIndex() const;
    void MarkAll(bool value);

    void AddEngine(std::unique_ptr<Engine> engine);
    // Appends several engines (an import) with one notification; all of them
    // are marked, the group of the last one becomes the current one.
    void AddEngines(std::vector<std::unique_ptr<Engine>> engines);
    void EngineChanged(Engine* engine);
    void RemoveEngine(Engine* engine);
    void SwapIndex(Engine* engine, Engine* neighbour);
    void ClearFiltered();
    void DeleteAll();

    wxXmlDocumentEx m_doc;
    wxXmlNode* m_pRoot = nullptr;
    bool m_bModified = false;
    wxString m_strCurLang;
    wxString m_strCurCategory;
    EngineObserver* m_pObserver = nullptr;
    std::vector<std::unique_ptr<Engine>> m_engines;  // catalogue order; owns the engines
    EngineArray m_filtered;                            // last GetEngines result

private:
    void NotifyChanged();

    wxString m_strFileName = "conf/config.xml";
    // The file existed but was malformed or had another root; kept aside as .bak (or .bak.N) on save.
    bool m_bUnreadableFile = false;
};
