#include <dbui/FileWidget.h>

#include <db/Attribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/sizer.h>

namespace dbui
{

namespace
{

FileWidget::FileChooser s_chooser;
FileWidget::DocumentFolder s_documentFolder;

bool chooseWithDialog(wxWindow* parent, const wxString& filter, wxString& path)
{
    wxString wildcard = _("All files (*)|*");
    if (!filter.empty())
        wildcard = filter + "|" + filter + "|" + wildcard;
    const wxFileName start(path);
    wxFileDialog dialog(parent, _("Choose a file"), start.GetPath(), start.GetFullName(), wildcard,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    path = dialog.GetPath();
    return true;
}

/// `path` relative to `folder` when it lies below it, with forward slashes
/// whatever the system; otherwise unchanged.
wxString relativeBelow(const wxString& path, const wxString& folder)
{
    if (folder.empty())
        return path;
    wxFileName file(path);
    file.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE, folder);
    wxFileName base = wxFileName::DirName(folder);
    base.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    if (!file.GetFullPath().StartsWith(base.GetFullPath()))
        return path;
    file.MakeRelativeTo(base.GetFullPath());
    return file.GetFullPath(wxPATH_UNIX);
}

} // namespace

FileWidget::FileWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                       const wxString& name, const wxString& filter)
    : StringWidget(parent, size, style, validator, name), m_filter(filter)
{
    m_browse = new wxButton(this, wxID_ANY, _("Browse..."), wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    GetSizer()->Add(m_browse, 0, wxLEFT, FromDIP(4));
    Connect(m_browse->GetId(), wxEVT_BUTTON, wxCommandEventHandler(FileWidget::onBrowse));
}

FileWidget::~FileWidget()
{
    Disconnect(m_browse->GetId(), wxEVT_BUTTON, wxCommandEventHandler(FileWidget::onBrowse));
}

void FileWidget::setFileChooser(FileChooser chooser)
{
    s_chooser = std::move(chooser);
}

void FileWidget::setDocumentFolder(DocumentFolder folder)
{
    s_documentFolder = std::move(folder);
}

wxString FileWidget::documentFolder() const
{
    if (!s_documentFolder || getAttributes().empty())
        return wxString();
    return s_documentFolder(getAttributes().front()->getDatabase());
}

void FileWidget::onBrowse(wxCommandEvent&)
{
    if (getAttributes().empty())
        return;
    // The dialog starts at the file shown, found from the document's folder.
    const wxString folder = documentFolder();
    wxFileName shown(getTextBox()->getText());
    if (!folder.empty())
        shown.MakeAbsolute(folder);
    wxString path = getTextBox()->getText().empty() ? folder + wxFileName::GetPathSeparator() : shown.GetFullPath();
    const bool chosen = s_chooser ? s_chooser(this, m_filter, path) : chooseWithDialog(this, m_filter, path);
    if (!chosen || !isBoundToLiveAttributes())
        return;
    getTextBox()->setText(relativeBelow(path, folder));
    applyValue();
}

} // namespace dbui
