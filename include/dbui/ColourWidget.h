#pragma once

#include <dbui/Export.h>
#include <dbui/Vector3AttributeWidget.h>

#include <functional>

class wxBitmapButton;
class wxColour;

namespace dbui
{

/// Edits vector3 attributes that hold a colour (components 0 to 1): the three
/// boxes of a vector, and beside them a swatch of the colour that opens the
/// colour dialog. The colour picked there is one undo step for every bound
/// attribute; differing colours show a crossed swatch.
class DBUI_EXPORT ColourWidget : public Vector3AttributeWidget
{
public:
    /// Shows a colour dialog starting at `colour` and writes the pick into it; false when cancelled.
    using ColourChooser = std::function<bool(wxWindow* parent, wxColour& colour)>;

    /// An unbound widget, created in one step; `validator` checks what is typed in the boxes.
    ColourWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator, const wxString& name);
    ~ColourWidget() override;

    /// The swatch, for hosts and tests.
    wxBitmapButton* getSwatch() const { return m_swatch; }

    /// Replaces the system's colour dialog (tests answer it without a modal
    /// window); an empty chooser brings the dialog back.
    static void setColourChooser(ColourChooser chooser);

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;

private:
    void showSwatch();
    void onSwatchClicked(wxCommandEvent& event);

    wxBitmapButton* m_swatch = nullptr;
};

} // namespace dbui
