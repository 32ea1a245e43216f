#pragma once

#include <wx/frame.h>

namespace db
{
class Database;
}
namespace dbui
{
class DatabaseDebugPanel;
}

/// A window of its own around the database debug panel, opened from the
/// View menu; it starts on the editor's database and offers every other one.
class DebugPanelWindow : public wxFrame
{
public:
    DebugPanelWindow(wxWindow* parent, db::Database* database);

    /// The window's name, by which the editor finds an open one.
    static const char* const s_windowName;

    dbui::DatabaseDebugPanel* getPanel() const { return m_panel; }

private:
    dbui::DatabaseDebugPanel* m_panel;
};
