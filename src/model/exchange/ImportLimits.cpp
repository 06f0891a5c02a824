#include "exchange/ImportLimits.h"

#include "base/Utf8.h"

#include <wx/intl.h>

bool ImportLimits::Check(const Engine& engine, ImportMessage& problem)
{
    if (engine.m_strName.length() > MaxNameChars)
    {
        problem = ImportMessage(wxTRANSLATE("The name of \"%s\" is longer than 256 characters."),
                                ShortName(engine.m_strName));
        return false;
    }
    if (ToUtf8(engine.m_strUrl).size() > MaxAddressBytes ||
        ToUtf8(engine.m_strSuggestUrl).size() > MaxAddressBytes)
    {
        problem = ImportMessage(wxTRANSLATE("An address of \"%s\" is longer than 8 KB."), engine.m_strName);
        return false;
    }
    return true;
}

ImportMessage ImportLimits::TooManyEngines()
{
    return ImportMessage(wxTRANSLATE("Only the first 1,000 engines of a profile or file are read."));
}

wxString ImportLimits::ShortName(const wxString& name)
{
    if (name.length() <= MaxNameChars)
        return name;
    return name.Left(MaxNameChars) + wxString::FromUTF8("\xE2\x80\xA6");
}
