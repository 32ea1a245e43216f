#include "FileProgress.h"

#include "StatusBarProgress.h"

#include <Tarn/Tarn.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/progdlg.h>

#include <algorithm>

namespace dbui
{

namespace
{
/// The dialog's range: fine enough for a smooth bar.
constexpr int s_range = 1000;
/// How often the event loop gets a turn: often enough for smooth repainting,
/// rarely enough to cost the work nothing.
constexpr std::chrono::milliseconds s_turn{40};
/// How often the dialog moves its bar and reads its Cancel button. Each of its
/// updates costs the work as much as some thirty plain turns, and a bar moving five
/// times a second looks no less alive to the user.
constexpr std::chrono::milliseconds s_dialogTurn{200};
} // namespace

FileProgress::FileProgress(const wxString& message, bool cancellable, std::chrono::milliseconds delay, wxStatusBar* bar)
    : m_message(message), m_cancellable(cancellable), m_showFrom(Clock::now() + delay), m_nextTurn(Clock::now()),
      m_bar(bar)
{
}

FileProgress::~FileProgress()
{
    m_inBar.reset();
    if (m_loop)
        wxEventLoopBase::SetActive(nullptr);
}

bool FileProgress::update(std::size_t done, std::size_t total)
{
    return update(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0.0);
}

bool FileProgress::update(double fraction)
{
    if (m_cancelled)
        return false;
    const Clock::time_point now = Clock::now();
    if (now < m_nextTurn)
        return true;
    m_nextTurn = now + s_turn;
    const int value = std::clamp(static_cast<int>(fraction * s_range), 0, s_range - 1);
    if (!m_dialog && !m_inBar && now >= m_showFrom)
        show();
    if (m_inBar)
    {
        turnInBar(value);
        return !m_cancelled;
    }
    if (m_dialog && now >= m_nextDialogTurn)
    {
        m_nextDialogTurn = now + s_dialogTurn;
        // The dialog handles the events of the screen and of its own button.
        m_cancelled = !m_dialog->Update(value);
        return !m_cancelled;
    }
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
        loop->YieldFor(wxEVT_CATEGORY_UI);
    return true;
}

void FileProgress::show()
{
    if (!m_bar)
    {
        long style = wxPD_APP_MODAL | wxPD_SMOOTH | wxPD_ELAPSED_TIME | wxPD_REMAINING_TIME;
        if (m_cancellable)
            style |= wxPD_CAN_ABORT;
        m_dialog = std::make_unique<wxGenericProgressDialog>(gTarn.getEnvData().getAppDisplayName(), m_message, s_range,
                                                             wxTheApp ? wxTheApp->GetTopWindow() : nullptr, style);
        return;
    }
    // As the dialog does: without a loop, nothing would paint or press Cancel.
    if (!wxEventLoopBase::GetActive())
    {
        m_loop = std::make_unique<wxEventLoop>();
        wxEventLoopBase::SetActive(m_loop.get());
    }
    m_inBar = std::make_unique<StatusBarProgress>(*m_bar, m_message, m_cancellable, s_range);
}

void FileProgress::turnInBar(int value)
{
    m_inBar->setValue(value);
    // Input too: the bar's Cancel and Esc; everything else takes none while it shows.
    wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_UI | wxEVT_CATEGORY_USER_INPUT);
    m_cancelled = m_inBar->wasCancelled();
}

db::Progress FileProgress::callback()
{
    return [this](std::size_t done, std::size_t total) { return update(done, total); };
}

} // namespace dbui
