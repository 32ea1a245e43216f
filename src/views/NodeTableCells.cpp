#include "NodeTableCells.h"

#include "NodeTableColumn.h"

#include <db/Attribute.h>
#include <db/EnumAttributeDef.h>
#include <db/Node.h>

#include <wx/combobox.h>
#include <wx/dcmemory.h>
#include <wx/grid.h>
#include <wx/renderer.h>

#include <vector>

namespace dbui::detail
{

namespace
{

/// Cell editors that wait beside the cells while hidden: a hidden window in
/// the scrolling cell area makes GTK complain at every scroll. The grid
/// takes the editor back into the cells it edits next.
template <class Base> class AsideEditor : public Base
{
public:
    using Base::Base;

    void Show(bool show, wxGridCellAttr* attr = nullptr) override
    {
        Base::Show(show, attr);
        wxWindow* control = this->GetWindow();
        wxWindow* cells = control ? control->GetParent() : nullptr;
        if (!show && cells && dynamic_cast<wxGrid*>(cells->GetParent()))
            control->Reparent(cells->GetParent());
    }
};

/// Cell editors that report every edit, even of an unchanged text: typed
/// over a range, the current cell's own value is still meant for the others.
/// An edit given up (Escape) reports nothing.
template <class Base> class ReportingEditor : public AsideEditor<Base>
{
public:
    using AsideEditor<Base>::AsideEditor;

    void BeginEdit(int row, int col, wxGrid* grid) override
    {
        Base::BeginEdit(row, col, grid);
        // The base may reset the control to the cell's value as it begins.
        m_givenUp = false;
    }

    void Reset() override
    {
        m_givenUp = true;
        Base::Reset();
    }

    bool EndEdit(int row, int col, const wxGrid* grid, const wxString& oldval, wxString* newval) override
    {
        Base::EndEdit(row, col, grid, oldval, newval);
        if (newval)
            *newval = this->GetValue();
        return !m_givenUp;
    }

private:
    bool m_givenUp = false;
};

class TextEditor : public ReportingEditor<wxGridCellTextEditor>
{
public:
    wxGridCellEditor* Clone() const override { return new TextEditor; }
};

class BoolEditor : public AsideEditor<wxGridCellBoolEditor>
{
public:
    wxGridCellEditor* Clone() const override { return new BoolEditor; }
};

class ChoiceEditor : public ReportingEditor<wxGridCellChoiceEditor>
{
public:
    explicit ChoiceEditor(const wxArrayString& choices) : ReportingEditor(choices, true), m_choices(choices) {}
    wxGridCellEditor* Clone() const override { return new ChoiceEditor(m_choices); }

    /// The key that opened the editor is the first letter of what is typed, as in a text cell.
    void StartingKey(wxKeyEvent& event) override
    {
        const int typed = event.GetUnicodeKey();
        if (typed == static_cast<int>(WXK_NONE) || !Combo())
        {
            event.Skip();
            return;
        }
        Combo()->SetValue(wxString(static_cast<wxChar>(typed)));
        Combo()->SetInsertionPointEnd();
    }

private:
    wxArrayString m_choices;
};

/// Check boxes drawn once per state and background, then copied: GTK takes
/// milliseconds for each native one, and a screenful took a fifth of a second.
class CheckRenderer : public wxGridCellRenderer
{
public:
    void Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect, int row, int col,
              bool isSelected) override
    {
        // The base fills the background and leaves its brush in the DC.
        wxGridCellRenderer::Draw(grid, attr, dc, rect, row, col, isSelected);
        const wxBitmap& box = boxFor(grid, !grid.GetTable()->GetValue(row, col).empty(), dc.GetBrush().GetColour());
        dc.DrawBitmap(box, rect.x + (rect.width - box.GetWidth()) / 2, rect.y + (rect.height - box.GetHeight()) / 2);
    }

    wxSize GetBestSize(wxGrid& grid, wxGridCellAttr&, wxDC&, int, int) override
    {
        return wxRendererNative::Get().GetCheckBoxSize(&grid) + wxSize(4, 4);
    }

    wxGridCellRenderer* Clone() const override { return new CheckRenderer; }

private:
    struct Box
    {
        bool checked;
        wxColour background;
        wxBitmap bitmap;
    };

    const wxBitmap& boxFor(wxGrid& grid, bool checked, const wxColour& background)
    {
        for (const Box& box : m_boxes)
            if (box.checked == checked && box.background == background)
                return box.bitmap;
        const wxSize size = wxRendererNative::Get().GetCheckBoxSize(&grid);
        wxBitmap bitmap(size);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(wxBrush(background));
            dc.Clear();
            wxRendererNative::Get().DrawCheckBox(&grid, dc, wxRect(size), checked ? int(wxCONTROL_CHECKED) : 0);
        }
        m_boxes.push_back({checked, background, bitmap});
        return m_boxes.back().bitmap;
    }

    std::vector<Box> m_boxes;
};

wxArrayString enumChoices(db::Node& sample, const TableColumn& column)
{
    wxArrayString choices;
    const db::Attribute* attribute = column.resolve(sample);
    if (const db::EnumAttributeDef* def = attribute ? attribute->getDef().asEnumAttributeDef() : nullptr)
        for (unsigned int i = 0; i < def->getStringCount(); ++i)
            choices.Add(def->getString(i));
    return choices;
}

} // namespace

wxGridCellAttr* makeCellAttr(const TableColumn& column, db::Node* sample)
{
    auto* attr = new wxGridCellAttr;
    if (!column.isEditable())
        attr->SetReadOnly();
    const bool value = column.kind() == TableColumn::Kind::Value;
    if (value && column.type() == db::Bool)
    {
        attr->SetRenderer(new CheckRenderer);
        attr->SetEditor(new BoolEditor);
        attr->SetAlignment(wxALIGN_CENTRE, wxALIGN_CENTRE);
    }
    else if (value && column.type() == db::Enum && sample)
        attr->SetEditor(new ChoiceEditor(enumChoices(*sample, column)));
    else
    {
        attr->SetEditor(new TextEditor);
        if (column.isNumeric())
            attr->SetAlignment(wxALIGN_RIGHT, wxALIGN_CENTRE);
    }
    return attr;
}

} // namespace dbui::detail
