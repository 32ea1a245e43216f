#pragma once

#include <db/Progress.h>

#include <wx/string.h>

#include <chrono>
#include <memory>

class wxGenericProgressDialog;

namespace dbui
{

/// What the user sees of a long load or save of a document: nothing at first,
/// then, once it has taken longer than a delay, a progress dialog, which an
/// open can be cancelled from. Meanwhile the windows go on repainting: every
/// report lets the event loop handle what the screen needs (never the user's
/// input, which could change the document under the load).
class FileProgress
{
public:
    /// `message` says what is being done ("Opening 'scene.xml'"); `cancellable` shows a Cancel button.
    FileProgress(const wxString& message, bool cancellable, std::chrono::milliseconds delay);
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

    wxString m_message;
    bool m_cancellable;
    Clock::time_point m_showFrom;
    Clock::time_point m_nextTurn;
    Clock::time_point m_nextDialogTurn;
    std::unique_ptr<wxGenericProgressDialog> m_dialog;
    bool m_cancelled = false;
};

} // namespace dbui
