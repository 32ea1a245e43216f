#include <Tarn/Tarn.h>

#include <wx/app.h>

#include <cstdio>

Tarn::AppCore gTarn;

namespace Tarn
{

void ErrorLog::report(int severity, const std::wstring& message)
{
    m_entries.push_back({severity, message});
    if (m_echo)
    {
        static const char* const s_levels[] = {"info", "warning", "error"};
        const char* level = severity >= 0 && severity <= 2 ? s_levels[severity] : "report";
        std::fprintf(stderr, "%s: %ls\n", level, message.c_str());
    }
}

wxString EnvData::getAppDisplayName() const
{
    if (!m_appDisplayName.empty())
        return m_appDisplayName;
    if (wxTheApp && !wxTheApp->GetAppDisplayName().empty())
        return wxTheApp->GetAppDisplayName();
    return "Application";
}

} // namespace Tarn
