// A host's registered widget as the cell editor of a NodeTable column.

#include "NodeTableCells.h"

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetFactory.h>

#include <wxUtils/WindowUtils.h>

#include <wx/grid.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <algorithm>
#include <utility>

namespace dbui::detail
{

namespace
{

/// Forgets what was typed into the text boxes within `window`: the widget then has nothing to apply.
void discardTyping(wxWindow& window)
{
    wxUtils::forEachDescendant(window,
                               [](wxWindow& child)
                               {
                                   if (auto* box = dynamic_cast<wxTextCtrl*>(&child))
                                       box->DiscardEdits();
                               });
}

/// The widget is bound only while an edit is open, to the attributes of the
/// cells it edits, and writes them itself as it would in the inspector: one
/// undo step per user action over every bound node, mixed values shown as
/// such. The grid's own end of the edit writes nothing, so nothing is written twice.
class WidgetCellEditor : public wxGridCellEditor
{
public:
    WidgetCellEditor(db::AttributeDef& def, const db::NodeDef* nodeType, CellAttributes attributesOf)
        : m_def(def), m_nodeType(nodeType), m_attributesOf(std::move(attributesOf))
    {
    }

    ~WidgetCellEditor() override { letGo(); }

    void Create(wxWindow* parent, wxWindowID, wxEvtHandler* evtHandler) override
    {
        // The grid's key and focus handler would see only the widget's own
        // panel, never the controls inside it: keys are caught below instead.
        delete evtHandler;
        m_widget = makeAttributeWidget(m_def, parent, m_nodeType);
        wxASSERT_MSG(m_widget, "makeAttributeWidget made nothing for a column of whole values");
        m_widget->Hide();
        m_widget->Bind(wxEVT_CHAR_HOOK, &WidgetCellEditor::onCharHook, this);
        SetWindow(m_widget);
    }

    void Destroy() override { letGo(); }

    /// A widget is as wide and tall as it needs, over the cell and its neighbours if it must.
    void SetSize(const wxRect& rect) override
    {
        const wxSize best = m_widget->GetBestSize();
        wxGridCellEditor::SetSize(
            wxRect(rect.GetPosition(), wxSize(std::max(rect.width, best.x), std::max(rect.height, best.y))));
    }

    void BeginEdit(int row, int col, wxGrid* grid) override
    {
        m_grid = grid;
        m_widget->setAttributes(m_attributesOf(row, col));
        m_widget->SetFocus();
    }

    /// The key that opened the editor is the first of what is typed into the widget's box.
    void StartingKey(wxKeyEvent& event) override
    {
        auto* box = dynamic_cast<wxTextCtrl*>(wxWindow::FindFocus());
        const int typed = event.GetUnicodeKey();
        if (!box || typed == static_cast<int>(WXK_NONE))
        {
            event.Skip();
            return;
        }
        box->SetValue(wxString(static_cast<wxChar>(typed)));
        box->SetInsertionPointEnd();
    }

    bool EndEdit(int, int, const wxGrid* grid, const wxString&, wxString*) override
    {
        // Unbinding applies what is still typed, through the widget: the
        // attributes it was typed for, whatever row shows them now. Rows that
        // went took their attributes with them, and the widget writes nothing there.
        if (!m_widget)
            return false;
        m_widget->clearAttributes();
        // A hidden editor left in the grid's window is moved by GTK on every
        // scroll, and GTK complains of each move: the next edit makes a new
        // widget. Its own event may still be running, so it goes once that is done.
        const wxWeakRef<AttributeWidget> widget(m_widget.get());
        SetWindow(nullptr);
        m_widget = nullptr;
        const_cast<wxGrid*>(grid)->CallAfter(
            [widget]
            {
                if (widget)
                    widget->Destroy();
            });
        return false;
    }

    void ApplyEdit(int, int, wxGrid*) override {}
    void Reset() override
    {
        if (m_widget)
            m_widget->clearAttributes();
    }
    wxString GetValue() const override { return wxString(); }
    wxGridCellEditor* Clone() const override { return new WidgetCellEditor(m_def, m_nodeType, m_attributesOf); }

private:
    /// Gives the widget up when the grid or the column goes; the grid's window may have taken it already.
    void letGo()
    {
        if (m_widget)
            m_widget->Destroy();
        m_widget = nullptr;
        SetWindow(nullptr);
    }

    /// Keys reach the widget's own controls, never the grid's editor handler:
    /// Escape (dropping what was typed) and Tab close the edit here, and so does Enter once the widget has taken it.
    void onCharHook(wxKeyEvent& event)
    {
        if (!m_grid)
        {
            event.Skip();
            return;
        }
        const int key = event.GetKeyCode();
        auto* box = dynamic_cast<wxTextCtrl*>(wxWindow::FindFocus());
        const bool newLine = box && box->IsMultiLine();
        if (key == WXK_ESCAPE || key == WXK_TAB || ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && !newLine))
        {
            wxGrid* grid = m_grid;
            const bool backwards = key == WXK_TAB && event.ShiftDown();
            const bool tab = key == WXK_TAB;
            grid->CallAfter(
                [grid, tab, backwards]
                {
                    if (!grid->IsCellEditControlEnabled())
                        return;
                    grid->DisableCellEditControl();
                    if (tab)
                        backwards ? grid->MoveCursorLeft(false) : grid->MoveCursorRight(false);
                });
            // Escape drops the edit, as in the grid's own editors.
            if (key == WXK_ESCAPE && m_widget)
                discardTyping(*m_widget);
            if (key == WXK_ESCAPE || key == WXK_TAB)
                return;
        }
        event.Skip();
    }

    db::AttributeDef& m_def;
    const db::NodeDef* m_nodeType;
    CellAttributes m_attributesOf;
    wxWeakRef<AttributeWidget> m_widget;
    wxGrid* m_grid = nullptr;
};

} // namespace

wxGridCellEditor* makeWidgetEditor(db::AttributeDef& def, const db::NodeDef* nodeType, CellAttributes attributesOf)
{
    return new WidgetCellEditor(def, nodeType, std::move(attributesOf));
}

} // namespace dbui::detail
