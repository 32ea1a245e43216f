#include <wxUtils/OrkMessageBox.h>

#include <wx/msgdlg.h>
#include <wx/richmsgdlg.h>

namespace wxUtils
{

namespace
{
int answerFor(int id)
{
    switch (id)
    {
    case wxID_YES:
        return wxYES;
    case wxID_NO:
        return wxNO;
    case wxID_OK:
        return wxOK;
    default:
        return wxCANCEL;
    }
}

// Without any button style wxWidgets shows OK; make that explicit so the
// answer is predictable.
long withButtons(long style)
{
    if (!(style & (wxYES_NO | wxOK | wxCANCEL)))
        style |= wxOK;
    return style;
}
} // namespace

int OrkMessageBox(const wxString& message, const wxString& caption, long style, wxWindow* parent, int x, int y,
                  bool* dontAskAgain)
{
    style = withButtons(style);
    const wxPoint pos(x, y);
    if (dontAskAgain)
    {
        if (*dontAskAgain)
            return (style & wxYES_NO) ? wxYES : wxOK;
        wxRichMessageDialog dialog(parent, message, caption, style);
        dialog.ShowCheckBox("Don't show this message again");
        const int answer = answerFor(dialog.ShowModal());
        // A cancelled box has not been answered: ask again next time.
        *dontAskAgain = answer != wxCANCEL && dialog.IsCheckBoxChecked();
        return answer;
    }
    wxMessageDialog dialog(parent, message, caption, style, pos);
    return answerFor(dialog.ShowModal());
}

} // namespace wxUtils
