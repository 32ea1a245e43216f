#include <wxUtils/PanelBuilder.h>

#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/OrkScriptControl.h>
#include <wxUtils/OrkScrollWindow.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>
#include <wxUtils/OrkSplitter.h>
#include <wxUtils/OrkStaticText.h>

#include <wx/sizer.h>

namespace wxUtils
{

// The builder keeps a stack of frames. The bottom frame is the window being
// built; a Panel frame is a panel begun inside it; Sizer frames hold the
// sizer items go into; a Splitter frame collects its two panes.

PanelBuilder::PanelBuilder(wxWindow* window, int border) : m_window(window), m_border(border)
{
    wxASSERT_MSG(window, "PanelBuilder needs a window to build");
    wxWindow* content = window;
    if (auto* panel = dynamic_cast<OrkPanel*>(window))
        content = panel->getContentWindow();
    m_frames.push_back(Frame(Frame::Kind::Panel, content));
}

PanelBuilder::~PanelBuilder()
{
    wxASSERT_MSG(m_frames.size() == 1, "PanelBuilder destroyed with sizers, splitters or panels still open");
}

PanelBuilder::Frame* PanelBuilder::top()
{
    return &m_frames.back();
}

const PanelBuilder::Frame* PanelBuilder::top() const
{
    return &m_frames.back();
}

wxWindow* PanelBuilder::getParentWindow() const
{
    return top()->parent;
}

wxSizer* PanelBuilder::getCurrentSizer() const
{
    return top()->kind == Frame::Kind::Sizer ? top()->sizer : nullptr;
}

int PanelBuilder::centredVertically(int flags) const
{
    // Only where the sizer can honour it: wxWidgets asserts on vertical
    // alignment in a vertical box and on alignment together with wxEXPAND.
    if (flags & (wxALIGN_BOTTOM | wxALIGN_CENTER_VERTICAL | wxEXPAND))
        return flags;
    auto* box = dynamic_cast<wxBoxSizer*>(getCurrentSizer());
    if (box && box->GetOrientation() == wxVERTICAL)
        return flags;
    if (!getCurrentSizer())
        return flags;
    return flags | wxALIGN_CENTER_VERTICAL;
}

int PanelBuilder::itemFlags(int flags) const
{
    return m_border > 0 ? (flags | wxALL) : flags;
}

wxSizer* PanelBuilder::beginSizer(wxSizer* sizer, int proportion, int flags)
{
    Frame* frame = top();
    switch (frame->kind)
    {
    case Frame::Kind::Sizer:
        frame->sizer->Add(sizer, proportion, itemFlags(flags), m_border);
        break;
    case Frame::Kind::Panel:
        // The panel's first sizer is its own; a second one at the same level
        // replaces the first (rebuilding a panel from scratch).
        wxASSERT_MSG(!frame->hasTopSizer, "a panel takes one top-level sizer; end it before beginning another");
        frame->hasTopSizer = true;
        frame->parent->SetSizer(sizer, true);
        break;
    case Frame::Kind::Splitter:
        wxFAIL_MSG("a splitter's panes are windows: begin a panel in it, then the sizer");
        delete sizer;
        return nullptr;
    }
    Frame child(Frame::Kind::Sizer, frame->parent);
    child.sizer = sizer;
    m_frames.push_back(child);
    return sizer;
}

wxSizer* PanelBuilder::beginHSizer(int proportion, int flags)
{
    return beginSizer(new wxBoxSizer(wxHORIZONTAL), proportion, flags);
}

wxSizer* PanelBuilder::beginVSizer(int proportion, int flags)
{
    return beginSizer(new wxBoxSizer(wxVERTICAL), proportion, flags);
}

wxFlexGridSizer* PanelBuilder::beginFlexGridSizer(int rows, int cols, int proportion, int flags, int hgap, int vgap)
{
    wxASSERT_MSG(cols > 0, "a grid needs at least one column");
    const wxWindow* parent = getParentWindow();
    auto* grid = new wxFlexGridSizer(rows, std::max(cols, 1), parent->FromDIP(vgap), parent->FromDIP(hgap));
    grid->SetFlexibleDirection(wxBOTH);
    grid->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
    return beginSizer(grid, proportion, flags) ? grid : nullptr;
}

void PanelBuilder::columnExpands(int col, int proportion)
{
    auto* grid = dynamic_cast<wxFlexGridSizer*>(getCurrentSizer());
    wxASSERT_MSG(grid, "columnExpands needs an open flex grid sizer");
    if (grid && !grid->IsColGrowable(static_cast<std::size_t>(col)))
        grid->AddGrowableCol(static_cast<std::size_t>(col), proportion);
}

void PanelBuilder::rowExpands(int row, int proportion)
{
    auto* grid = dynamic_cast<wxFlexGridSizer*>(getCurrentSizer());
    wxASSERT_MSG(grid, "rowExpands needs an open flex grid sizer");
    if (grid && !grid->IsRowGrowable(static_cast<std::size_t>(row)))
        grid->AddGrowableRow(static_cast<std::size_t>(row), proportion);
}

void PanelBuilder::endSizer()
{
    Frame* frame = top();
    if (frame->kind == Frame::Kind::Splitter)
    {
        wxASSERT_MSG(frame->panes.size() == 2, "a splitter needs exactly two panes before it ends");
        if (frame->panes.size() == 2)
        {
            if (frame->splitHorizontally)
                frame->splitter->splitHorizontally(frame->panes[0], frame->panes[1], OrkSplitter::SashProportional,
                                                   frame->gravity);
            else
                frame->splitter->splitVertically(frame->panes[0], frame->panes[1], OrkSplitter::SashProportional,
                                                 frame->gravity);
        }
        m_frames.pop_back();
        return;
    }
    wxASSERT_MSG(frame->kind == Frame::Kind::Sizer, "endSizer without an open sizer");
    if (frame->kind != Frame::Kind::Sizer)
        return;
    m_frames.pop_back();
    if (top()->kind == Frame::Kind::Panel)
        finishLayout(top()->parent);
}

void PanelBuilder::finishLayout(wxWindow* window)
{
    // Built after the window got its size: lay it out now rather than at the
    // next resize.
    if (auto* scrolled = dynamic_cast<wxScrollHelperBase*>(window))
    {
        (void)scrolled;
        window->FitInside();
    }
    window->Layout();
}

OrkSplitter* PanelBuilder::beginSplitter(bool horizontal, int proportion, int flags, const wxSize& size, long style,
                                         double gravity)
{
    auto* splitter = new OrkSplitter(getParentWindow(), wxID_ANY, wxDefaultPosition, size, style);
    place(splitter, proportion, flags);
    Frame frame(Frame::Kind::Splitter, splitter->getContentWindow());
    frame.splitter = splitter;
    frame.splitHorizontally = horizontal;
    frame.gravity = gravity;
    m_frames.push_back(frame);
    return splitter;
}

OrkSplitter* PanelBuilder::beginVSplitter(int proportion, int flags, const wxSize& size, long style, double sashGravity)
{
    return beginSplitter(false, proportion, flags, size, style, sashGravity);
}

OrkSplitter* PanelBuilder::beginHSplitter(int proportion, int flags, const wxSize& size, long style, double sashGravity)
{
    return beginSplitter(true, proportion, flags, size, style, sashGravity);
}

OrkPanel* PanelBuilder::beginPanel(int proportion, int flags, const wxSize& size, long style)
{
    auto* panel = new OrkPanel(getParentWindow(), wxID_ANY, wxDefaultPosition, size, style);
    place(panel, proportion, flags);
    m_frames.push_back(Frame(Frame::Kind::Panel, panel->getContentWindow()));
    return panel;
}

void PanelBuilder::endPanel()
{
    wxASSERT_MSG(top()->kind == Frame::Kind::Panel && m_frames.size() > 1,
                 "endPanel without an open panel (or with its sizers still open)");
    if (top()->kind != Frame::Kind::Panel || m_frames.size() <= 1)
        return;
    m_frames.pop_back();
}

void PanelBuilder::place(wxWindow* window, int proportion, int flags)
{
    Frame* frame = top();
    switch (frame->kind)
    {
    case Frame::Kind::Sizer:
        frame->sizer->Add(window, proportion, itemFlags(flags), m_border);
        break;
    case Frame::Kind::Splitter:
        wxASSERT_MSG(frame->panes.size() < 2, "a splitter takes two panes only");
        if (frame->panes.size() < 2)
            frame->panes.push_back(window);
        break;
    case Frame::Kind::Panel:
        wxFAIL_MSG("begin a sizer before adding windows");
        break;
    }
}

wxWindow* PanelBuilder::addWindow(wxWindow* window, int proportion, int flags)
{
    wxASSERT_MSG(window, "addWindow needs a window");
    if (window)
        place(window, proportion, flags);
    return window;
}

OrkSimpleTextCtrl* PanelBuilder::addTextBox(int proportion, int flags, const wxSize& size, long style)
{
    auto* box = new OrkSimpleTextCtrl(getParentWindow(), wxID_ANY, wxEmptyString, wxDefaultPosition, size, style);
    place(box, proportion, flags);
    return box;
}

OrkCheckBox* PanelBuilder::addCheckBox(const wxString& label, int proportion, int flags, const wxSize& size, long style)
{
    auto* box = new OrkCheckBox(getParentWindow(), wxID_ANY, label, wxDefaultPosition, size, style);
    place(box, proportion, centredVertically(flags));
    return box;
}

OrkComboBox* PanelBuilder::addComboBox(int proportion, int flags, const wxSize& size, long style)
{
    auto* box = new OrkComboBox(getParentWindow(), wxID_ANY, wxDefaultPosition, size, style);
    place(box, proportion, flags);
    return box;
}

OrkSpinButton* PanelBuilder::addSpinButton(int proportion, int flags, const wxSize& size, long style)
{
    auto* spin = new OrkSpinButton(getParentWindow(), wxID_ANY, wxDefaultPosition, size, style);
    place(spin, proportion, flags);
    return spin;
}

OrkButton* PanelBuilder::addButton(const wxString& label, const wxString& help, int proportion, int flags,
                                   const wxSize& size, long style)
{
    auto* button = new OrkButton(getParentWindow(), wxID_ANY, label, wxDefaultPosition, size, style);
    if (!help.empty())
        button->SetToolTip(help);
    place(button, proportion, flags);
    return button;
}

OrkStaticText* PanelBuilder::addStaticText(const wxString& text, int proportion, int flags, const wxSize& size,
                                           long style, int wrapWidth)
{
    auto* label = new OrkStaticText(getParentWindow(), wxID_ANY, text, wxDefaultPosition, size, style, wrapWidth);
    // Labels sit level with the control beside them.
    place(label, proportion, centredVertically(flags));
    return label;
}

OrkScriptControl* PanelBuilder::addScriptControl(int proportion, int flags, const wxSize& size, long style)
{
    auto* editor = new OrkScriptControl(getParentWindow(), wxID_ANY, wxDefaultPosition, size, style);
    place(editor, proportion, flags);
    return editor;
}

void PanelBuilder::addSpacer(int size)
{
    if (wxSizer* sizer = getCurrentSizer())
        sizer->AddSpacer(getParentWindow()->FromDIP(size));
    else
        wxFAIL_MSG("addSpacer needs an open sizer");
}

void PanelBuilder::addStretchSpacer(int proportion)
{
    if (wxSizer* sizer = getCurrentSizer())
        sizer->AddStretchSpacer(proportion);
    else
        wxFAIL_MSG("addStretchSpacer needs an open sizer");
}

} // namespace wxUtils
