#include <wxUtils/WindowFreezer.h>

#include <wx/window.h>

namespace wxUtils
{

WindowFreezer::WindowFreezer(wxWindow* window) : m_window(window)
{
    if (m_window)
        m_window->Freeze();
}

WindowFreezer::~WindowFreezer()
{
    if (m_window)
        m_window->Thaw();
}

} // namespace wxUtils
