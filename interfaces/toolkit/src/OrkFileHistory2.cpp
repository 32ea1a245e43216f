#include <wxUtils/OrkFileHistory2.h>

#include <wx/config.h>
#include <wx/filehistory.h>

namespace wxUtils
{

OrkFileHistory2::OrkFileHistory2(const wxString& configGroup, std::size_t maxFiles, wxConfigBase* config)
    : m_group(configGroup), m_config(config), m_history(std::make_unique<wxFileHistory>(maxFiles))
{
    load();
}

OrkFileHistory2::OrkFileHistory2(Storage, std::size_t maxFiles)
    : m_config(nullptr), m_persistent(false), m_history(std::make_unique<wxFileHistory>(maxFiles))
{
}

OrkFileHistory2::~OrkFileHistory2() = default;

wxConfigBase* OrkFileHistory2::config() const
{
    if (!m_persistent)
        return nullptr;
    return m_config ? m_config : wxConfigBase::Get();
}

void OrkFileHistory2::addFileToHistory(const wxString& fileName)
{
    if (fileName.empty())
        return;
    m_history->AddFileToHistory(fileName);
    save();
}

void OrkFileHistory2::removeFileFromHistory(std::size_t index)
{
    if (index >= m_history->GetCount())
        return;
    m_history->RemoveFileFromHistory(index);
    save();
}

wxString OrkFileHistory2::getHistoryFile(std::size_t index) const
{
    return index < m_history->GetCount() ? m_history->GetHistoryFile(index) : wxString();
}

std::size_t OrkFileHistory2::getCount() const
{
    return m_history->GetCount();
}

std::size_t OrkFileHistory2::getMaxFiles() const
{
    return static_cast<std::size_t>(m_history->GetMaxFiles());
}

void OrkFileHistory2::clear()
{
    while (m_history->GetCount() > 0)
        m_history->RemoveFileFromHistory(0);
    save();
}

void OrkFileHistory2::useMenu(wxMenu* menu)
{
    m_history->UseMenu(menu);
    m_history->AddFilesToMenu(menu);
}

void OrkFileHistory2::removeMenu(wxMenu* menu)
{
    m_history->RemoveMenu(menu);
}

void OrkFileHistory2::load()
{
    wxConfigBase* cfg = config();
    if (!cfg)
        return;
    while (m_history->GetCount() > 0)
        m_history->RemoveFileFromHistory(0);
    const wxString oldPath = cfg->GetPath();
    cfg->SetPath("/" + m_group);
    m_history->Load(*cfg);
    cfg->SetPath(oldPath);
}

void OrkFileHistory2::save() const
{
    wxConfigBase* cfg = config();
    if (!cfg)
        return;
    // wxFileHistory leaves stale higher-numbered entries behind when the
    // list shrinks; start from an empty group.
    cfg->DeleteGroup("/" + m_group);
    const wxString oldPath = cfg->GetPath();
    cfg->SetPath("/" + m_group);
    m_history->Save(*cfg);
    cfg->SetPath(oldPath);
    cfg->Flush();
}

} // namespace wxUtils
