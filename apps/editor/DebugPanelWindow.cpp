#include "DebugPanelWindow.h"

#include <dbui/DatabaseDebugPanel.h>

#include <wx/sizer.h>

const char* const DebugPanelWindow::s_windowName = "DebugPanelWindow";

DebugPanelWindow::DebugPanelWindow(wxWindow* parent, db::Database* database)
    : wxFrame(parent, wxID_ANY, "Debug Panel", wxDefaultPosition, wxSize(1000, 720), wxDEFAULT_FRAME_STYLE,
              s_windowName)
{
    m_panel = new dbui::DatabaseDebugPanel(this);
    m_panel->setDatabase(database);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_panel, 1, wxEXPAND);
    SetSizer(sizer);
}
