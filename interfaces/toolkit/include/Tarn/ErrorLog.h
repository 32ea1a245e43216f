#pragma once

#include <wxUtils/Export.h>

#include <foundations/ErrorReporter.h>

#include <cstddef>
#include <string>
#include <vector>

namespace Tarn
{

/// The application core's error reporter: writes each report to stderr and
/// keeps it, so that tests can see what was reported.
class DBUI_TOOLKIT_EXPORT ErrorLog : public ErrorReporter
{
public:
    /// One report, as made.
    struct Entry
    {
        int severity;         ///< 0 informational, 1 a warning, 2 an error
        std::wstring message; ///< the reporter's text
    };

    void report(int severity, const std::wstring& message) override;

    /// Every report kept, oldest first.
    const std::vector<Entry>& getEntries() const { return m_entries; }
    /// How many reports are kept.
    std::size_t getCount() const { return m_entries.size(); }
    /// Forgets the kept reports.
    void clear() { m_entries.clear(); }

    /// Silences stderr output (the entries are still kept).
    void setEcho(bool echo) { m_echo = echo; }

private:
    std::vector<Entry> m_entries;
    bool m_echo = true;
};

} // namespace Tarn
