#pragma once

#include <wxUtils/Export.h>

#include <wx/string.h>

#include <memory>

class wxConfigBase;
class wxFileHistory;
class wxMenu;

namespace wxUtils
{

/// The recent-files list: most recent first, without duplicates, at most
/// getMaxFiles() entries, saved to the application's wxConfig (under
/// `configGroup`) after every change and read back on construction.
class DBUI_TOOLKIT_EXPORT OrkFileHistory2
{
public:
    /// Where the list lives besides memory.
    enum Storage
    {
        /// Nothing is read or written: for tests and for hosts without settings.
        MemoryOnly,
    };

    /// `config` null means wxConfigBase::Get() at each load and save.
    explicit OrkFileHistory2(const wxString& configGroup = "RecentFiles", std::size_t maxFiles = 9,
                             wxConfigBase* config = nullptr);
    /// A list of at most `maxFiles` entries that only lives in memory.
    explicit OrkFileHistory2(Storage storage, std::size_t maxFiles = 9);
    ~OrkFileHistory2();
    OrkFileHistory2(const OrkFileHistory2&) = delete;
    OrkFileHistory2& operator=(const OrkFileHistory2&) = delete;

    /// Puts `fileName` first (moving it there if it was listed already).
    void addFileToHistory(const wxString& fileName);
    /// Removes the entry at `index`; out of range does nothing.
    void removeFileFromHistory(std::size_t index);
    /// The entry at `index` (0 is the most recent); empty when out of range.
    wxString getHistoryFile(std::size_t index) const;
    /// How many entries there are.
    std::size_t getCount() const;
    /// How many entries the list keeps at most; adding more drops the oldest.
    std::size_t getMaxFiles() const;
    /// Removes every entry.
    void clear();

    /// Keeps `menu`'s items in step with the list (ids wxID_FILE1...).
    void useMenu(wxMenu* menu);
    /// Stops keeping `menu` in step.
    void removeMenu(wxMenu* menu);

    /// Replaces the entries with those saved in the configuration.
    void load();
    /// Writes the entries to the configuration (done after every change already).
    void save() const;

private:
    wxConfigBase* config() const;

    wxString m_group;
    wxConfigBase* m_config;
    bool m_persistent = true;
    std::unique_ptr<wxFileHistory> m_history;
};

} // namespace wxUtils
