#pragma once

#include <dbui/Export.h>
#include <dbui/StringWidget.h>

#include <functional>

class wxButton;

namespace db
{
class Database;
}

namespace dbui
{

/// Edits string attributes that hold a file's path: the text box and a button
/// that browses for the file. A file below the document's folder is written
/// relative to it, so that the document and its files move together.
class DBUI_EXPORT FileWidget : public StringWidget
{
public:
    /// Shows a file dialog offering `filter` ("*.png;*.jpg", or empty for any
    /// file), starting at `path`, and writes the choice into it; false when cancelled.
    using FileChooser = std::function<bool(wxWindow* parent, const wxString& filter, wxString& path)>;
    /// The folder of the document that `database` is loaded from; empty when it has none.
    using DocumentFolder = std::function<wxString(const db::Database* database)>;

    /// An unbound widget offering files of `filter`; `validator` checks what is typed in the box.
    FileWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator, const wxString& name,
               const wxString& filter);
    ~FileWidget() override;

    /// The browse button, for hosts and tests.
    wxButton* getBrowseButton() const { return m_browse; }

    /// Replaces the system's file dialog (tests answer it without a modal
    /// window); an empty chooser brings the dialog back.
    static void setFileChooser(FileChooser chooser);
    /// Tells the widgets where documents lie; without it paths are written whole.
    static void setDocumentFolder(DocumentFolder folder);

private:
    void onBrowse(wxCommandEvent& event);
    /// The folder relative paths of the bound attributes start from, or empty.
    wxString documentFolder() const;

    wxButton* m_browse = nullptr;
    wxString m_filter;
};

} // namespace dbui
