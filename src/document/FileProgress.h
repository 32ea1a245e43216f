#pragma once

#include <db/Progress.h>

#include <wx/string.h>

#include <chrono>
#include <memory>

class wxEventLoopBase;
class wxGenericProgressDialog;
class wxStatusBar;

namespace dbui
{

class StatusBarProgress;

/// What the user sees of a long load or save of a document: nothing at first,
/// then, once it has taken longer than a delay, a progress dialog, or progress
/// in a status bar, which an open can be cancelled from. Meanwhile the windows
/// go on repainting: every report lets the event loop handle what the screen
/// needs (never input to other windows, which could change the document under
/// the load).
class FileProgress
{
public:
    /// `message` says what is being done ("Opening 'scene.xml'"); `cancellable` shows a Cancel button;
    /// `bar`, if any, shows the progress instead of a dialog.
    FileProgress(const wxString& message, bool cancellable, std::chrono::milliseconds delay,
                 wxStatusBar* bar = nullptr);
    ~FileProgress();

    FileProgress(const FileProgress&) = delete;
    FileProgress& operator=(const FileProgress&) = delete;

    /// `done` of `total`; false once the user cancelled.
    bool update(std::size_t done, std::size_t total);
    /// The same as a fraction from 0 to 1.
    bool update(double fraction);
    /// A callback for the database's loaders and savers.
    db::Progress callback();
    bool wasCancelled() const { return m_cancelled; }

private:
    using Clock = std::chrono::steady_clock;

    void show();
    /// The screen's turn, and the bar's own input.
    void turnInBar(int value);

    wxString m_message;
    bool m_cancellable;
    Clock::time_point m_showFrom;
    Clock::time_point m_nextTurn;
    Clock::time_point m_nextDialogTurn;
    std::unique_ptr<wxGenericProgressDialog> m_dialog;
    wxStatusBar* m_bar;
    std::unique_ptr<StatusBarProgress> m_inBar;
    /// Where no event loop runs yet (a document opened as the program starts),
    /// the one the progress runs while it shows.
    std::unique_ptr<wxEventLoopBase> m_loop;
    bool m_cancelled = false;
};

} // namespace dbui
