#include <dbui/ColourWidget.h>

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/Vector3Attribute.h>

#include <wx/bmpbuttn.h>
#include <wx/colordlg.h>
#include <wx/dcmemory.h>
#include <wx/sizer.h>

#include <algorithm>
#include <cmath>

namespace dbui
{

namespace
{

ColourWidget::ColourChooser s_chooser;

bool chooseWithDialog(wxWindow* parent, wxColour& colour)
{
    wxColourData data;
    data.SetColour(colour);
    wxColourDialog dialog(parent, &data);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    colour = dialog.GetColourData().GetColour();
    return true;
}

unsigned char toByte(float component)
{
    // NaN and components outside 0 to 1 (the boxes take any number) show clamped.
    const float clamped = std::isnan(component) ? 0.0f : std::clamp(component, 0.0f, 1.0f);
    return static_cast<unsigned char>(std::lround(clamped * 255.0f));
}

wxColour colourOf(const OrkP::Vector3& value)
{
    return wxColour(toByte(value.x), toByte(value.y), toByte(value.z));
}

/// The swatch's picture: the colour, or grey crossed out for no colour or several.
wxBitmap swatchBitmap(const wxColour* colour)
{
    const wxSize size(28, 18);
    wxBitmap bitmap(size);
    wxMemoryDC dc(bitmap);
    dc.SetPen(*wxGREY_PEN);
    dc.SetBrush(colour ? wxBrush(*colour) : *wxLIGHT_GREY_BRUSH);
    dc.DrawRectangle(wxPoint(0, 0), size);
    if (!colour)
    {
        dc.SetBrush(wxBrush(*wxBLACK, wxBRUSHSTYLE_CROSSDIAG_HATCH));
        dc.DrawRectangle(wxPoint(0, 0), size);
    }
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

} // namespace

ColourWidget::ColourWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                           const wxString& name)
    : Vector3AttributeWidget(parent, size, style, validator, name)
{
    m_swatch = new wxBitmapButton(this, wxID_ANY, swatchBitmap(nullptr));
    m_swatch->SetToolTip(_("Choose a colour"));
    // The boxes' grid and the swatch side by side, the swatch at the top.
    wxSizer* boxes = GetSizer();
    SetSizer(nullptr, false);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(boxes, 0, wxEXPAND);
    row->Add(m_swatch, 0, wxLEFT | wxTOP, 2);
    SetSizer(row);
    Connect(m_swatch->GetId(), wxEVT_BUTTON, wxCommandEventHandler(ColourWidget::onSwatchClicked));
}

ColourWidget::~ColourWidget()
{
    Disconnect(m_swatch->GetId(), wxEVT_BUTTON, wxCommandEventHandler(ColourWidget::onSwatchClicked));
}

void ColourWidget::setColourChooser(ColourChooser chooser)
{
    s_chooser = std::move(chooser);
}

void ColourWidget::clearWindow()
{
    Vector3AttributeWidget::clearWindow();
    m_swatch->SetBitmapLabel(swatchBitmap(nullptr));
}

void ColourWidget::populateFromData(bool immediate)
{
    Vector3AttributeWidget::populateFromData(immediate);
    showSwatch();
}

void ColourWidget::showSwatch()
{
    if (getAttributes().empty() || !isValueCommon())
    {
        m_swatch->SetBitmapLabel(swatchBitmap(nullptr));
        return;
    }
    const wxColour colour = colourOf(getAttributes().front()->asVector3Attribute()->getValue());
    m_swatch->SetBitmapLabel(swatchBitmap(&colour));
}

void ColourWidget::onSwatchClicked(wxCommandEvent&)
{
    if (getAttributes().empty())
        return;
    // Several colours start the dialog at the first one's.
    wxColour colour = colourOf(getAttributes().front()->asVector3Attribute()->getValue());
    const bool picked = s_chooser ? s_chooser(this, colour) : chooseWithDialog(this, colour);
    if (!picked || !isBoundToLiveAttributes())
        return;
    const OrkP::Vector3 value(colour.Red() / 255.0f, colour.Green() / 255.0f, colour.Blue() / 255.0f);
    db::ChangeBlock block(getDatabase(), L"Set colour");
    for (db::Attribute* attribute : getAttributes())
        attribute->asVector3Attribute()->setValue(value);
}

} // namespace dbui
