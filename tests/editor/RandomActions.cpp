// Random user actions on the editor's window and the checks after each.
//
// Sections:
//   - actions as text, and drawing them
//   - answering every dialog and popup menu
//   - finding what to act on
//   - the actions
//   - what must hold

#include "RandomActions.h"

#include "EditorFrame.h"
#include "ViewsTestSupport.h"

#include <dbui/CommandPalette.h>
#include <dbui/CommonAttributeHolder.h>
#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>
#include <dbui/NodeTable.h>

#include <db/Attribute.h>
#include <db/AttributeType.h>
#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderXML.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/SaverXML.h>
#include <db/TypeRegistry.h>

#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMenuItem.h>
#include <wxUtils/OrkPopupMenu.h>
#include <wxUtils/OrkSimpleMultiOptionDialog.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/TreeItem.h>

#include <wx/filedlg.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

namespace randomui
{

// ---------------------------------------------------------------------------
// Actions as text, and drawing them
// ---------------------------------------------------------------------------

namespace
{

/// Texts a user might type anywhere: odd on purpose.
const std::vector<wxString>& oddTexts()
{
    static const std::vector<wxString> texts = {
        "",
        "0",
        "-1",
        "42",
        "3.5",
        "1e39",
        "-1e400",
        "99999999999999999999",
        "nan",
        "inf",
        "-inf",
        "0x10",
        " 7 ",
        "abc",
        wxString(L"\u00dcn\u00efc\u00f8d\u00e9 \u2713"),
        wxString(L"\u65e5\u672c\u8a9e"),
        "a\tb",
        wxString(10000, 'x'),
        "1,5",
        "true",
        "Group",
        "light",
        "L",
        "e",
        "a",
        "type:Light",
        "type:Mesh",
        "type:nosuch",
        "/",
        "/Scene",
        "  ",
        "\"quoted\"",
        "<xml>&amp;",
        "a/b",
        "-0",
        "2147483648",
        "-2147483649",
        "1e-45",
        "mesh",
    };
    return texts;
}

const wxString& oddText(std::uint32_t index)
{
    return oddTexts()[index % oddTexts().size()];
}

struct Weighted
{
    const char* kind;
    int weight;
};

const std::vector<Weighted>& weights()
{
    static const std::vector<Weighted> table = {
        {"click", 20},  {"menu", 16},  {"key", 10},   {"type", 12},  {"drag", 8},   {"context", 8},
        {"find", 5},    {"rename", 4}, {"undo", 6},   {"redo", 4},   {"toggle", 4}, {"button", 3},
        {"inspect", 4}, {"wheel", 2},  {"resize", 2}, {"header", 2}, {"table", 5},  {"palette", 4},
    };
    return table;
}

} // namespace

const std::vector<std::string>& actionKinds()
{
    static const std::vector<std::string> kinds = []
    {
        std::vector<std::string> names;
        for (const Weighted& w : weights())
            names.emplace_back(w.kind);
        return names;
    }();
    return kinds;
}

std::string Action::toLine() const
{
    std::ostringstream out;
    out << kind << ' ' << a << ' ' << b << ' ' << c << ' ' << text;
    return out.str();
}

bool Action::fromLine(const std::string& line, Action& action)
{
    std::istringstream in(line);
    Action read;
    if (!(in >> read.kind >> read.a >> read.b >> read.c >> read.text))
        return false;
    if (std::find(actionKinds().begin(), actionKinds().end(), read.kind) == actionKinds().end())
        return false;
    action = read;
    return true;
}

ActionList generateActions(std::uint64_t seed, std::size_t count)
{
    std::mt19937_64 random(seed);
    int total = 0;
    for (const Weighted& w : weights())
        total += w.weight;
    ActionList actions;
    actions.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        int pick = static_cast<int>(random() % static_cast<std::uint64_t>(total));
        const Weighted* chosen = &weights().front();
        for (const Weighted& w : weights())
        {
            if (pick < w.weight)
            {
                chosen = &w;
                break;
            }
            pick -= w.weight;
        }
        Action action;
        action.kind = chosen->kind;
        action.a = static_cast<std::uint32_t>(random() % 1000);
        action.b = static_cast<std::uint32_t>(random() % 1000);
        action.c = static_cast<std::uint32_t>(random() % 1000);
        action.text = static_cast<std::uint32_t>(random() % 1000);
        actions.push_back(action);
    }
    return actions;
}

std::string formatActions(const ActionList& actions)
{
    std::string text;
    for (const Action& action : actions)
        text += action.toLine() + "\n";
    return text;
}

ActionList parseActions(const std::string& text)
{
    ActionList actions;
    std::istringstream in(text);
    std::string line;
    Action action;
    while (std::getline(in, line))
        if (Action::fromLine(line, action))
            actions.push_back(action);
    return actions;
}

// ---------------------------------------------------------------------------
// Answering every dialog and popup menu
// ---------------------------------------------------------------------------

namespace
{

/// Answers whatever dialog an action opens, as a user clicking about would:
/// each answer drawn from the action's own number, so that a replay answers alike.
class AnswerEveryDialog : public wxModalDialogHook
{
public:
    explicit AnswerEveryDialog(const std::string& scratch) : m_scratch(wxString::FromUTF8(scratch)) {}

    void answerWith(std::uint32_t choice) { m_choice = choice; }

protected:
    int Enter(wxDialog* dialog) override
    {
        const std::uint32_t choice = m_choice++;
        if (auto* file = dynamic_cast<wxFileDialog*>(dialog))
            return answerFile(*file, choice);
        if (auto* message = dynamic_cast<wxMessageDialog*>(dialog))
            return answerMessage(*message, choice);
        if (auto* options = dynamic_cast<wxUtils::OrkSimpleMultiOptionDialog*>(dialog))
        {
            for (const wxString& name : options->getItemNames())
                if (options->getTextControl(name))
                    options->setTextValue(name, oddText(choice));
            return choice % 4 == 0 ? wxID_CANCEL : wxID_OK;
        }
        if (auto* entry = dynamic_cast<wxTextEntryDialog*>(dialog))
        {
            entry->SetValue(oddText(choice));
            return choice % 4 == 0 ? wxID_CANCEL : wxID_OK;
        }
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}

private:
    int answerFile(wxFileDialog& dialog, std::uint32_t choice) const
    {
        static const char* const s_names[] = {"doc.xml", "doc.dbb", "sub.xml", "sub.dbb", "missing.xml"};
        const wxString path = m_scratch + "/" + s_names[choice % 5];
        wxtest::fileChooserAnswered();
        dialog.SetPath(path);
        wxtest::pumpUntil([&] { return dialog.GetPath() == path; });
        return choice % 7 == 0 ? wxID_CANCEL : wxID_OK;
    }

    static int answerMessage(const wxMessageDialog& dialog, std::uint32_t choice)
    {
        std::vector<int> answers;
        const long style = dialog.GetMessageDialogStyle();
        if (style & wxYES_NO)
            answers.insert(answers.end(), {wxID_YES, wxID_NO});
        if (style & wxCANCEL)
            answers.push_back(wxID_CANCEL);
        if (answers.empty() || (style & wxOK))
            answers.push_back(wxID_OK);
        return answers[choice % answers.size()];
    }

    wxString m_scratch;
    std::uint32_t m_choice = 0;
};

void collectChoosable(const wxUtils::OrkMenu& menu, std::vector<const wxUtils::OrkMenuItem*>& items)
{
    for (std::size_t i = 0; i < menu.getItemCount(); ++i)
    {
        const wxUtils::OrkMenuItem* item = menu.getItem(i);
        if (item->getSubMenu())
            collectChoosable(*item->getSubMenu(), items);
        else if (!item->isSeparator() && item->isEnabled())
            items.push_back(item);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Finding what to act on
// ---------------------------------------------------------------------------

namespace
{

std::string readText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The first line where two texts differ, as "expected" and "found".
std::string firstDifference(const std::string& expected, const std::string& found)
{
    const auto [e, f] = std::mismatch(expected.begin(), expected.end(), found.begin(), found.end());
    auto lineAround = [](const std::string& text, std::string::const_iterator at)
    {
        const std::size_t offset = static_cast<std::size_t>(at - text.begin());
        const std::size_t start = text.rfind('\n', offset == 0 ? 0 : offset - 1);
        const std::size_t begin = start == std::string::npos ? 0 : start + 1;
        return text.substr(begin, std::min<std::size_t>(text.find('\n', offset) - begin, 300));
    };
    return "expected \"" + lineAround(expected, e) + "\", found \"" + lineAround(found, f) + "\"";
}

template <class T> void collectShown(wxWindow* window, std::vector<T*>& found)
{
    for (wxWindow* child : window->GetChildren())
    {
        if (!child->IsShown() || child->IsTopLevel())
            continue;
        if (auto* wanted = dynamic_cast<T*>(child); wanted && child->IsEnabled())
            found.push_back(wanted);
        collectShown(child, found);
    }
}

template <class T> T* pickShown(wxWindow* window, std::uint32_t index)
{
    std::vector<T*> found;
    collectShown(window, found);
    return found.empty() ? nullptr : found[index % found.size()];
}

/// A window scrolled so that `window` shows, as far as its parents allow.
void bringIntoView(wxWindow* window)
{
    for (wxWindow* parent = window->GetParent(); parent && !parent->IsTopLevel(); parent = parent->GetParent())
        if (auto* scrolled = dynamic_cast<wxScrolledWindow*>(parent))
        {
            int x = 0;
            int y = 0;
            scrolled->CalcUnscrolledPosition(window->GetPosition().x, window->GetPosition().y, &x, &y);
            int unitX = 1;
            int unitY = 1;
            scrolled->GetScrollPixelsPerUnit(&unitX, &unitY);
            if (unitY > 0)
                scrolled->Scroll(-1, y / unitY);
            break;
        }
}

const int s_menuCommands[] = {
    wxID_UNDO,
    wxID_REDO,
    wxID_CUT,
    wxID_COPY,
    wxID_PASTE,
    EditorFrame::ID_Duplicate,
    wxID_DELETE,
    wxID_EDIT,
    wxID_SELECTALL,
    wxID_FIND,
    EditorFrame::ID_FindNext,
    EditorFrame::ID_FindPrevious,
    EditorFrame::ID_ExpandBranches,
    EditorFrame::ID_CollapseBranches,
    wxID_SAVE,
    wxID_SAVEAS,
    EditorFrame::ID_SaveCopy,
    wxID_REVERT_TO_SAVED,
    wxID_NEW,
    wxID_OPEN,
    wxID_CLOSE,
    EditorFrame::ID_DebugPanel,
    EditorFrame::ID_Table,
    EditorFrame::ID_KeyboardShortcuts,
};

struct Keystroke
{
    int code;
    int modifiers;
};

const Keystroke s_keys[] = {
    {WXK_F2, wxMOD_NONE},
    {WXK_DELETE, wxMOD_NONE},
    {'C', wxMOD_CONTROL},
    {'X', wxMOD_CONTROL},
    {'V', wxMOD_CONTROL},
    {'D', wxMOD_CONTROL},
    {'Z', wxMOD_CONTROL},
    {'Y', wxMOD_CONTROL},
    {'Z', wxMOD_CONTROL | wxMOD_SHIFT},
    {'A', wxMOD_CONTROL},
    {'F', wxMOD_CONTROL},
    {WXK_F3, wxMOD_NONE},
    {WXK_F3, wxMOD_SHIFT},
    {WXK_UP, wxMOD_NONE},
    {WXK_DOWN, wxMOD_SHIFT},
    {WXK_LEFT, wxMOD_NONE},
    {WXK_RIGHT, wxMOD_NONE},
    {WXK_HOME, wxMOD_NONE},
    {WXK_END, wxMOD_SHIFT},
    {WXK_NUMPAD_MULTIPLY, wxMOD_NONE},
    {WXK_ESCAPE, wxMOD_NONE},
    {WXK_RETURN, wxMOD_NONE},
    {WXK_TAB, wxMOD_NONE},
    {WXK_PAGEDOWN, wxMOD_NONE},
};

} // namespace

// ---------------------------------------------------------------------------
// The actions
// ---------------------------------------------------------------------------

struct Driver::Impl
{
    Impl(EditorFrame& editor, const std::string& scratchFolder)
        : frame(editor), database(*editor.getDocument().getDatabase()), scratch(scratchFolder), dialogs(scratchFolder)
    {
        dialogs.Register();
        wxUtils::OrkPopupMenu::setChooserForTesting(
            [this](const wxUtils::OrkPopupMenu& popup)
            {
                std::map<int, bool> shown;
                for (std::size_t i = 0; i < popup.getMenu().getItemCount(); ++i)
                    if (const wxUtils::OrkMenuItem* item = popup.getMenu().getItem(i); !item->isSeparator())
                        shown[item->getId()] = item->isEnabled();
                // The menu bar follows the focus, which a simulated click may not have moved yet.
                if (wxWindow::FindFocus() == tree())
                    noteDisagreement("the context menu", shown);
                std::vector<const wxUtils::OrkMenuItem*> items;
                collectChoosable(popup.getMenu(), items);
                // One in eight menus is dismissed.
                if (items.empty() || menuChoice % 8 == 7)
                    return static_cast<int>(wxID_NONE);
                const wxUtils::OrkMenuItem* item = items[menuChoice % items.size()];
                chosen = item->getLabel().ToStdString();
                return item->getId();
            });
    }
    ~Impl()
    {
        wxUtils::OrkPopupMenu::setChooserForTesting(nullptr);
        dialogs.Unregister();
    }

    dbui::NodeBrowser* browser() const { return frame.getBrowser(); }
    dbui::NodeBrowserTreeControl* tree() const { return browser()->getTreeControl(); }
    dbui::NodeInspector* inspector() const { return browser()->getInspector(); }

    /// The rows of the tree that are on screen now.
    std::vector<std::size_t> rowsOnScreen() const
    {
        std::vector<std::size_t> rows;
        const std::size_t count = tree()->GetVisibleCount();
        if (count == 0)
            return rows;
        const wxSize client = tree()->GetClientSize();
        std::size_t first = 0;
        std::size_t last = count - 1;
        // Looked up from the ends of the window, not walked from the top: a big tree has 300,000 rows.
        if (const wxUtils::TreeItem* top = tree()->HitTest(wxPoint(client.x / 2, 2)))
            tree()->GetItemRow(top, first);
        if (const wxUtils::TreeItem* bottom = tree()->HitTest(wxPoint(client.x / 2, client.y - 2)))
            tree()->GetItemRow(bottom, last);
        for (std::size_t row = first; row <= last && row < count; ++row)
        {
            const wxRect rect = tree()->getRowRect(row);
            if (rect.GetTop() >= 0 && rect.GetBottom() < client.y)
                rows.push_back(row);
        }
        return rows;
    }

    /// The tree item at row `index` modulo the rows shown, scrolled into view; null when none shows.
    wxUtils::TreeItem* rowItem(std::uint32_t index) const
    {
        const std::size_t count = tree()->GetVisibleCount();
        if (count == 0)
            return nullptr;
        wxUtils::TreeItem* item = tree()->GetItemAtRow(index % count);
        tree()->EnsureVisible(item);
        wxtest::pump();
        return item;
    }

    bool focus(wxWindow* window) const
    {
        window->SetFocus();
        return wxtest::pumpUntil([window] { return wxWindow::FindFocus() == window; }, std::chrono::milliseconds(500));
    }

    void press(const Keystroke& key) const
    {
        wxUIActionSimulator().Char(key.code, key.modifiers);
        wxtest::pump();
    }

    bool click(const Action& action)
    {
        wxUtils::TreeItem* item = rowItem(action.a);
        if (!item)
            return false;
        static const int s_modifiers[] = {wxMOD_NONE, wxMOD_NONE, wxMOD_CONTROL, wxMOD_SHIFT};
        const int modifiers = s_modifiers[action.b % 4];
        const wxPoint point = wxtest::labelPoint(tree(), item);
        wxtest::mouse(tree(), wxEVT_LEFT_DOWN, point, modifiers);
        wxtest::mouse(tree(), wxEVT_LEFT_UP, point, modifiers);
        return true;
    }

    bool drag(const Action& action)
    {
        const std::vector<std::size_t> rows = rowsOnScreen();
        if (rows.size() < 2)
            return false;
        wxUtils::TreeItem* from = tree()->GetItemAtRow(rows[action.a % rows.size()]);
        const wxRect to = tree()->getRowRect(rows[action.b % rows.size()]);
        // Dragging an unselected row drags it alone; a selected one drags the selection.
        const wxPoint start = wxtest::labelPoint(tree(), from);
        if (!from->IsSelected())
        {
            wxtest::mouse(tree(), wxEVT_LEFT_DOWN, start);
            wxtest::mouse(tree(), wxEVT_LEFT_UP, start);
            wxtest::pump();
        }
        const int heights[] = {to.y + 1, to.y + to.height / 2, to.GetBottom() - 1};
        wxtest::MouseDrag drag(tree(), start);
        if (action.c & 4)
            drag.holdCtrl();
        drag.moveTo(wxPoint(start.x + 4, start.y + 12));
        drag.moveTo(wxPoint(to.x + 40, heights[action.c % 3]));
        drag.release();
        wxtest::pump();
        return true;
    }

    bool context(const Action& action)
    {
        menuChoice = action.b;
        const std::size_t count = tree()->GetVisibleCount();
        // One row past the last: a right click below the rows.
        if (count == 0 || action.a % (count + 1) == count)
        {
            viewstest::rightClickAt(tree(), viewstest::emptySpace(tree()));
        }
        else
        {
            wxUtils::TreeItem* item = rowItem(action.a);
            viewstest::rightClick(tree(), item);
        }
        wxtest::pump();
        return true;
    }

    bool menu(const Action& action) { return command(s_menuCommands[action.a % std::size(s_menuCommands)]); }

    /// The menu command `id`, as a user chooses it: not when its menu shows it disabled.
    bool command(int id)
    {
        wxUpdateUIEvent update(id);
        update.SetEventObject(&frame);
        frame.ProcessWindowEvent(update);
        if (update.GetSetEnabled() && !update.GetEnabled())
            return false;
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(&frame);
        frame.ProcessWindowEvent(event);
        wxtest::pump();
        return true;
    }

    /// The command palette: opened by its key, a command's first word typed, then Enter or Esc.
    bool palette(const Action& action)
    {
        const std::vector<dbui::NodeCommand>& commands = frame.getCommands().getCommands();
        const dbui::NodeCommand& command = commands[action.a % commands.size()];
        if (command.id == EditorFrame::ID_CommandPalette)
            return false;
        if (action.b % 2 == 0)
            focus(tree());
        dbui::CommandPalette& palette = frame.getCommandPalette();
        // Read before the palette takes the focus: it lists what the window it came from can do.
        std::map<int, bool> before = menuBarStates();
        std::map<int, bool> listed;
        const auto open = [&]
        {
            press({'p', wxMOD_CONTROL | wxMOD_SHIFT});
            if (!wxtest::pumpUntil([&] { return palette.IsShown(); }))
                return false;
            listed.clear();
            for (std::size_t row = 0; row < palette.getListedCommands().size(); ++row)
                listed[palette.getListedCommands()[row]] =
                    !palette.getList()->GetItemText(static_cast<long>(row)).EndsWith("(not now)");
            return true;
        };
        if (!open())
            return false;
        // A focus the last action gave can land between the reading and the
        // palette: closed, the palette gives the focus back to where it came
        // from, and both are read again from there.
        const auto differs = [&](const auto& entry)
        {
            const auto found = before.find(entry.first);
            return found != before.end() && found->second != entry.second;
        };
        if (std::any_of(listed.begin(), listed.end(), differs))
        {
            press({WXK_ESCAPE, wxMOD_NONE});
            before = menuBarStates();
            if (!open())
                return false;
        }
        noteDisagreement("the palette", listed, &before);
        if (surfaceFailure.empty() && listed.size() != commands.size())
            surfaceFailure = "the palette lists " + std::to_string(listed.size()) + " of " +
                             std::to_string(commands.size()) + " commands before anything is typed";
        const wxString word = dbui::NodeCommands::plainLabel(command).BeforeFirst(' ').Lower();
        wxUIActionSimulator().Text(word.utf8_str());
        wxtest::pumpUntil([&] { return palette.getSearchBox()->GetValue() == word; });
        press({action.c % 4 == 0 ? WXK_ESCAPE : WXK_RETURN, wxMOD_NONE});
        // A command that cannot run leaves the palette open.
        if (palette.IsShown())
            press({WXK_ESCAPE, wxMOD_NONE});
        return true;
    }

    bool key(const Action& action)
    {
        // Keys go to what has the focus, which is the tree more often than not.
        if (action.b % 3 != 0)
            focus(tree());
        press(s_keys[action.a % std::size(s_keys)]);
        return true;
    }

    /// How a typed text is left: Enter, Tab, Esc or a click elsewhere.
    void finishTyping(std::uint32_t how)
    {
        switch (how % 4)
        {
        case 0:
            press({WXK_RETURN, wxMOD_NONE});
            break;
        case 1:
            press({WXK_TAB, wxMOD_NONE});
            break;
        case 2:
            press({WXK_ESCAPE, wxMOD_NONE});
            break;
        default:
            // The press takes the focus first: what it leaves may change the rows.
            focus(tree());
            if (wxUtils::TreeItem* item = rowItem(how / 4))
            {
                const wxPoint point = wxtest::labelPoint(tree(), item);
                wxtest::mouse(tree(), wxEVT_LEFT_DOWN, point);
                wxtest::mouse(tree(), wxEVT_LEFT_UP, point);
            }
        }
        wxtest::pump();
    }

    void typeInto(wxTextCtrl* box, const wxString& text)
    {
        focus(box);
        box->SelectAll();
        box->WriteText(text);
        box->MarkDirty();
        wxtest::pump();
    }

    bool type(const Action& action)
    {
        auto* box = pickShown<wxTextCtrl>(inspector(), action.a);
        if (!box || !box->IsEditable())
            return false;
        bringIntoView(box);
        typeInto(box, oddText(action.text));
        finishTyping(action.b);
        return true;
    }

    bool find(const Action& action)
    {
        wxTextCtrl* box = browser()->getFilterBox();
        if (!box)
            return false;
        typeInto(box, oddText(action.text));
        static const Keystroke s_ends[] = {
            {0, 0}, {WXK_RETURN, wxMOD_NONE}, {WXK_F3, wxMOD_NONE}, {WXK_ESCAPE, wxMOD_NONE}};
        if (const Keystroke& end = s_ends[action.b % 4]; end.code != 0)
            press(end);
        return true;
    }

    bool rename(const Action& action)
    {
        wxUtils::TreeItem* item = rowItem(action.a);
        if (!item)
            return false;
        tree()->EditLabel(item);
        wxtest::pump();
        auto* box = pickShown<wxTextCtrl>(tree(), 0);
        if (!box)
            return true;
        typeInto(box, oddText(action.text));
        finishTyping(action.b);
        return true;
    }

    bool history(const Action& action, int id)
    {
        for (std::uint32_t i = 0; i < 1 + action.a % 6; ++i)
            if (!command(id))
                break;
        return true;
    }

    bool toggle(const Action& action)
    {
        std::vector<wxUtils::OrkCheckBox*> checks;
        collectShown(inspector(), checks);
        std::vector<wxUtils::OrkComboBox*> combos;
        collectShown(inspector(), combos);
        const std::size_t count = checks.size() + combos.size();
        if (count == 0)
            return false;
        const std::size_t index = action.a % count;
        if (index < checks.size())
        {
            wxCommandEvent event(wxEVT_CHECKBOX, checks[index]->GetId());
            event.SetEventObject(checks[index]);
            checks[index]->HandleWindowEvent(event);
        }
        else if (wxUtils::OrkComboBox* combo = combos[index - checks.size()]; combo->getCount() > 0)
        {
            const int choice = static_cast<int>(action.b % static_cast<std::uint32_t>(combo->getCount()));
            combo->SetSelection(choice);
            wxCommandEvent event(wxEVT_CHOICE, combo->GetId());
            event.SetEventObject(combo);
            event.SetInt(choice);
            event.SetString(combo->getString(choice));
            combo->HandleWindowEvent(event);
        }
        wxtest::pump();
        return true;
    }

    bool button(const Action& action)
    {
        auto* button = pickShown<wxUtils::OrkButton>(inspector(), action.a);
        if (!button)
            return false;
        wxtest::click(button);
        wxtest::pump();
        return true;
    }

    bool inspect(const Action& action)
    {
        std::vector<wxWindow*> windows;
        collectShown(inspector()->getScrollPanel(), windows);
        if (windows.empty())
            return false;
        wxWindow* target = windows[action.a % windows.size()];
        menuChoice = action.b;
        const wxSize size = target->GetClientSize();
        wxtest::requestContextMenu(target, wxPoint(size.x / 2, size.y / 2));
        wxtest::pump();
        return true;
    }

    bool wheel(const Action& action)
    {
        wxUtils::TreeItem* item = rowItem(action.a);
        if (!item)
            return false;
        wxUIActionSimulator().MouseMove(tree()->ClientToScreen(wxtest::labelPoint(tree(), item)));
        wxtest::pump();
        wxtest::turnMouseWheel(static_cast<int>(action.b % 11) - 5);
        wxtest::pump();
        return true;
    }

    /// The table beside the browser, when it shows.
    dbui::NodeTable* nodeTable() const { return pickShown<dbui::NodeTable>(&frame, 0); }

    /// In the table: a click on a cell, then text typed into it, Ctrl+D or Delete.
    bool table(const Action& action)
    {
        dbui::NodeTable* grid = nodeTable();
        if (!grid || grid->GetNumberRows() == 0 || grid->GetNumberCols() == 0)
            return false;
        const int row = static_cast<int>(action.a % static_cast<std::uint32_t>(grid->GetNumberRows()));
        const int col = static_cast<int>(action.b % static_cast<std::uint32_t>(grid->GetNumberCols()));
        grid->MakeCellVisible(row, col);
        wxtest::pump();
        const wxRect cell = grid->CellToRect(row, col);
        int x = 0;
        int y = 0;
        grid->CalcScrolledPosition(cell.x + cell.width / 2, cell.y + cell.height / 2, &x, &y);
        focus(grid->GetGridWindow());
        const int modifiers = action.c % 5 == 4 ? wxMOD_SHIFT : wxMOD_NONE;
        wxtest::mouse(grid->GetGridWindow(), wxEVT_LEFT_DOWN, wxPoint(x, y), modifiers);
        wxtest::mouse(grid->GetGridWindow(), wxEVT_LEFT_UP, wxPoint(x, y), modifiers);
        wxtest::pump();
        switch (action.c % 4)
        {
        case 0:
        {
            // Typed key by key: the long texts would take the simulator minutes.
            const wxString& text = oddText(action.text);
            wxUIActionSimulator().Text(text.length() < 40 && text.IsAscii() ? text.ToStdString().c_str() : "7");
            press({WXK_RETURN, wxMOD_NONE});
            break;
        }
        case 1:
            press({'D', wxMOD_CONTROL});
            break;
        case 2:
            press({WXK_DELETE, wxMOD_NONE});
            break;
        default:
            press({WXK_ESCAPE, wxMOD_NONE});
        }
        return true;
    }

    /// A drag on the tree's column header, the wheel turned right after it.
    bool header(const Action& action)
    {
        const int height = tree()->getHeaderHeight();
        const int width = tree()->GetClientSize().x;
        if (height <= 0 || width <= 0)
            return false;
        const wxPoint from(static_cast<int>(action.a % static_cast<std::uint32_t>(width)), height / 2);
        {
            wxtest::MouseDrag drag(tree(), from);
            drag.moveTo(wxPoint(from.x + static_cast<int>(action.b % 200) - 100,
                                from.y + static_cast<int>(action.c % 40) - 20));
            drag.release();
        }
        wxtest::pump();
        wxtest::turnMouseWheel(static_cast<int>(action.text % 7) - 3);
        wxtest::pump();
        return true;
    }

    bool resize(const Action& action)
    {
        frame.SetSize(wxSize(300 + static_cast<int>(action.a % 1300), 200 + static_cast<int>(action.b % 1000)));
        wxtest::pump();
        return true;
    }

    bool perform(const Action& action)
    {
        chosen.clear();
        dialogs.answerWith(action.c);
        menuChoice = action.b;
        using Step = bool (Impl::*)(const Action&);
        static const std::vector<std::pair<std::string, Step>> s_steps = {
            {"click", &Impl::click},     {"drag", &Impl::drag},       {"context", &Impl::context},
            {"menu", &Impl::menu},       {"key", &Impl::key},         {"type", &Impl::type},
            {"find", &Impl::find},       {"rename", &Impl::rename},   {"toggle", &Impl::toggle},
            {"button", &Impl::button},   {"inspect", &Impl::inspect}, {"wheel", &Impl::wheel},
            {"resize", &Impl::resize},   {"header", &Impl::header},   {"table", &Impl::table},
            {"palette", &Impl::palette},
        };
        if (action.kind == "undo")
            return history(action, wxID_UNDO);
        if (action.kind == "redo")
            return history(action, wxID_REDO);
        for (const auto& [kind, step] : s_steps)
            if (kind == action.kind)
                return (this->*step)(action);
        return false;
    }

    // -----------------------------------------------------------------------
    // What must hold
    // -----------------------------------------------------------------------

    /// The XML text of `source`, as a save would write it.
    static std::string textOf(const db::Database& source)
    {
        std::string bytes;
        db::FileOutputStream stream(db::FileOutputStream::ToMemory{bytes});
        db::SaverXML saver(stream);
        if (!saver.save(source))
            return "(save failed: " + saver.getError() + ")";
        return bytes;
    }

    std::string savedText() const { return textOf(database); }

    /// After an action: where undo all must lead.
    void followHistory()
    {
        if (database.getUndoStackSize() == 0)
        {
            baseline = savedText();
            baselineKnown = true;
        }
        else if (static_cast<int>(database.getUndoStackSize()) >= database.getMaxUndoItems())
            baselineKnown = false;
    }

    bool nodeMatchesFilter(const db::Node& node, const wxString& filter) const
    {
        const wxString lower = filter.Lower();
        if (filter.StartsWith("/"))
        {
            std::wstring path;
            node.toDatabasePath(path);
            const wxString text = wxString(path).Lower();
            return text.StartsWith(lower) && text.find('/', lower.size()) == wxString::npos;
        }
        if (lower.StartsWith("type:"))
        {
            const wxString type = lower.Mid(5).Strip(wxString::both);
            for (const db::NodeDef* def = &node.getNodeDef(); def; def = def->getBaseDef())
                if (wxString(def->getName()).Lower() == type)
                    return true;
            return false;
        }
        return wxString(node.getName()).Lower().Contains(lower);
    }

    std::string checkFilter() const
    {
        const wxString filter = tree()->getFilterText();
        if (!tree()->IsFiltered())
            return filter.empty() ? std::string() : "the tree is not filtered by \"" + filter.ToStdString() + "\"";
        std::string failure;
        std::size_t matches = 0;
        std::function<void(db::Node*)> walk = [&](db::Node* node)
        {
            if (!failure.empty())
                return;
            matches += tree()->IsFilterMatch(tree()->getItemOfNode(node)) ? 1 : 0;
            if (node != &database)
            {
                const bool expected = nodeMatchesFilter(*node, filter);
                if (tree()->IsFilterMatch(tree()->getItemOfNode(node)) != expected)
                    failure = wxString::Format("\"%s\" %s match the filter \"%s\"", wxString(node->getName()),
                                               expected ? "does not" : "wrongly does", filter)
                                  .ToStdString();
            }
            for (db::Node* child : node->getChildNodes())
                walk(child);
        };
        walk(&database);
        if (!failure.empty())
            return failure;
        // What the status bar says was found is what the rows show.
        const wxString found = wxString::Format(matches == 1 ? "%zu match in " : "%zu matches in ", matches);
        if (tree()->GetFilterMatchCount() != matches || !frame.GetStatusBar()->GetStatusText(0).StartsWith(found))
            return "the find box found " + std::to_string(matches) + " nodes; the tree counts " +
                   std::to_string(tree()->GetFilterMatchCount()) + ", the status bar says \"" +
                   frame.GetStatusBar()->GetStatusText(0).ToStdString() + "\"";
        return {};
    }

    std::string checkInspector() const
    {
        const std::vector<db::Node*> selected =
            inspector()->isLocked() ? inspector()->getNodes() : tree()->getSelectedNodes();
        if (inspector()->getNodes() != selected)
            return "the inspector shows " + std::to_string(inspector()->getNodes().size()) + " nodes for " +
                   std::to_string(selected.size()) + " selected";
        std::vector<std::vector<db::Attribute*>> expected;
        if (!selected.empty())
            for (unsigned int i = 0; i < selected.front()->getAttributeCount(); ++i)
            {
                db::Attribute* first = selected.front()->getAttribute(i);
                if (selected.size() > 1 &&
                    (first->isNodeContainer() || first->isCompound() || first->isAttributeArray()))
                    continue;
                std::vector<db::Attribute*> row;
                for (db::Node* node : selected)
                {
                    db::Attribute* like = node->findAttribute(first->getName());
                    if (!like || like->getAttributeType() != first->getAttributeType())
                        break;
                    row.push_back(like);
                }
                if (row.size() == selected.size())
                    expected.push_back(std::move(row));
            }
        // Rows pinned for the first node's type come first, in the order pinned.
        if (!selected.empty())
        {
            const std::vector<std::wstring> pins = inspector()->getPinnedAttributes(selected.front()->getClassID());
            const auto rank = [&pins](const std::vector<db::Attribute*>& row)
            { return std::find(pins.begin(), pins.end(), row.front()->getName()) - pins.begin(); };
            std::stable_sort(expected.begin(), expected.end(),
                             [&rank](const auto& a, const auto& b) { return rank(a) < rank(b); });
        }
        const auto& holders = inspector()->getHolders();
        if (holders.size() != expected.size())
            return "the inspector has " + std::to_string(holders.size()) + " rows for " +
                   std::to_string(expected.size()) + " common attributes";
        for (std::size_t i = 0; i < holders.size(); ++i)
            if (holders[i]->m_attributes != expected[i])
                return "inspector row " + std::to_string(i) + " (" + wxString(holders[i]->getName()).ToStdString() +
                       ") does not hold the selection's attributes";
        return {};
    }

    std::string checkTitle() const
    {
        const bool changed = database.hasChangedSinceCheckpoint();
        const wxString title = frame.GetTitle();
        if (title.BeforeLast('-').Trim().EndsWith(" *") != (changed || frame.getDocument().hasChangedSinceLastSave()))
            return "title \"" + title.ToStdString() + "\" while the database has " + (changed ? "" : "no ") +
                   "unsaved changes";
        const wxString count = frame.GetStatusBar()->GetStatusText(0);
        const wxString nodes = wxString::Format("%zu node", database.getTotalNodeCount());
        if (!count.Contains(nodes))
            return "status bar says \"" + count.ToStdString() + "\" for " + nodes.ToStdString() + "s";
        return {};
    }

    /// The table shows the selection, or what the find box found when one
    /// node or none is selected: each such node in one row, in any order.
    std::string checkTable() const
    {
        const dbui::NodeTable* grid = nodeTable();
        if (!grid)
            return {};
        std::vector<db::Node*> expected = tree()->getSelectedNodes();
        if (tree()->IsFiltered() && expected.size() <= 1)
        {
            expected.clear();
            std::function<void(db::Node*)> walk = [&](db::Node* node)
            {
                if (tree()->IsFilterMatch(tree()->getItemOfNode(node)))
                    expected.push_back(node);
                for (db::Node* child : node->getChildNodes())
                    walk(child);
            };
            walk(&database);
        }
        std::vector<db::Node*> rows;
        for (int row = 0; row < grid->GetNumberRows(); ++row)
        {
            db::Node* node = grid->getRowNode(row);
            if (!node || node->getDatabase() != &database)
                return "table row " + std::to_string(row) + " holds a node that is not in the database";
            rows.push_back(node);
        }
        std::sort(expected.begin(), expected.end());
        std::sort(rows.begin(), rows.end());
        if (rows != expected)
            return "the table shows " + std::to_string(rows.size()) + " rows for " + std::to_string(expected.size()) +
                   " nodes selected or found, or other nodes";
        return {};
    }

    /// Whether the menu bar shows each command of the table enabled, as it updates them now.
    std::map<int, bool> menuBarStates() const
    {
        std::map<int, bool> states;
        wxMenuBar* bar = frame.GetMenuBar();
        bar->UpdateMenus();
        for (const dbui::NodeCommand& command : frame.getCommands().getCommands())
            if (const wxMenuItem* item = bar->FindItem(command.id))
                states[command.id] = item->IsEnabled();
        return states;
    }

    /// Keeps the first command that `surface` shows enabled and the menu bar not, or the reverse.
    void noteDisagreement(const char* surface, const std::map<int, bool>& shown,
                          const std::map<int, bool>* menuBar = nullptr)
    {
        if (!surfaceFailure.empty())
            return;
        const std::map<int, bool> now = menuBar ? std::map<int, bool>() : menuBarStates();
        const std::map<int, bool>& menu = menuBar ? *menuBar : now;
        for (const auto& [id, enabled] : shown)
            if (const auto found = menu.find(id); found != menu.end() && found->second != enabled)
            {
                const dbui::NodeCommand* command = frame.getCommands().find(id);
                surfaceFailure = std::string(surface) + " shows \"" +
                                 (command ? dbui::NodeCommands::plainLabel(*command).ToStdString() : "?") + "\" " +
                                 (enabled ? "enabled" : "disabled") + ", the menu bar the other way";
                return;
            }
    }

    std::string checkToolBar()
    {
        wxToolBar* tools = frame.GetToolBar();
        if (!tools)
            return {};
        // The two bars update one after the other; a focus change still on its
        // way can land between them (asking the clipboard runs the event loop).
        // A true disagreement outlasts letting it land.
        const bool earlier = !surfaceFailure.empty();
        for (int look = 0; look < 2; ++look)
        {
            if (look == 1 && (earlier || surfaceFailure.empty()))
                break;
            if (look == 1)
            {
                surfaceFailure.clear();
                wxtest::pump();
            }
            tools->UpdateWindowUI();
            std::map<int, bool> shown;
            for (std::size_t i = 0; i < tools->GetToolsCount(); ++i)
                if (const wxToolBarToolBase* tool = tools->GetToolByPos(static_cast<int>(i));
                    tool && !tool->IsSeparator())
                    shown[tool->GetId()] = tool->IsEnabled();
            noteDisagreement("the tool bar", shown);
        }
        std::string failure;
        std::swap(failure, surfaceFailure);
        return failure;
    }

    /// The rows are the items a walk finds: those under open items that the
    /// filter keeps (a match, or above one); and the window shows them from
    /// the top or scrolled no further than fills it.
    std::string checkRows() const
    {
        std::vector<wxUtils::TreeItem*> expected;
        const bool filtered = tree()->IsFiltered();
        std::function<bool(wxUtils::TreeItem*)> keeps = [&](wxUtils::TreeItem* item)
        {
            if (!filtered || tree()->IsFilterMatch(item))
                return true;
            for (wxUtils::TreeItem* child = item->GetFirstChild(); child; child = child->GetNextSibling())
                if (keeps(child))
                    return true;
            return false;
        };
        std::function<void(wxUtils::TreeItem*)> walk = [&](wxUtils::TreeItem* item)
        {
            if (!keeps(item))
                return;
            expected.push_back(item);
            if (item->IsExpanded())
                for (wxUtils::TreeItem* child = item->GetFirstChild(); child; child = child->GetNextSibling())
                    walk(child);
        };
        if (tree()->GetRoot())
            walk(tree()->GetRoot());
        const std::size_t count = tree()->GetVisibleCount();
        if (count != expected.size())
            return "the tree shows " + std::to_string(count) + " rows for " + std::to_string(expected.size()) +
                   " items under open ones";
        for (std::size_t row = 0; row < count; ++row)
            if (tree()->GetItemAtRow(row) != expected[row])
                return "row " + std::to_string(row) + " shows another item than the walk finds there";
        if (count == 0)
            return {};
        const wxRect first = tree()->getRowRect(0);
        const int header = tree()->getHeaderHeight();
        const int room = (tree()->GetClientSize().y - header) / first.height;
        const long above = (header - first.y) / first.height;
        if (room > 0 && above > std::max(0L, static_cast<long>(count) - room))
            return "the tree is scrolled " + std::to_string(above) + " rows down with " + std::to_string(count) +
                   " rows and room for " + std::to_string(room);
        // A scroll bar that still reaches rows that went.
        const int range = tree()->GetScrollRange(wxVERTICAL);
        if (room > 0 && range > room && range != static_cast<int>(count))
            return "the tree's scroll bar covers " + std::to_string(range) + " rows for " + std::to_string(count);
        return {};
    }

    std::string checkInvariants()
    {
        if (const ::testing::AssertionResult mirrored = viewstest::mirrors(tree(), database); !mirrored)
            return std::string("tree: ") + mirrored.message();
        for (const std::string& failure :
             {checkRows(), checkFilter(), checkInspector(), checkTitle(), checkTable(), checkToolBar()})
            if (!failure.empty())
                return failure;
        return {};
    }

    std::string checkHistory()
    {
        // Text typed and not yet entered becomes a step of its own first.
        focus(tree());
        wxtest::pump();
        // The last state is the newest one the history holds: steps undone at the end come back first.
        while (database.canRedo())
            if (!command(wxID_REDO))
                return "Edit > Redo is disabled with steps left";
        followHistory();
        const std::string last = savedText();
        const unsigned int steps = database.getUndoStackSize();
        for (unsigned int i = 0; i < steps; ++i)
            command(wxID_UNDO);
        if (database.getUndoStackSize() != 0)
            return "Edit > Undo stopped with " + std::to_string(database.getUndoStackSize()) + " steps left";
        if (const std::string now = savedText(); baselineKnown && now != baseline)
            return "undo all does not give back the document as it was loaded: " + firstDifference(baseline, now);
        if (std::string failure = checkInvariants(); !failure.empty())
            return "after undo all: " + failure;
        while (database.canRedo())
            if (!command(wxID_REDO))
                return "Edit > Redo is disabled with steps left";
        if (const std::string now = savedText(); now != last)
            return "redo all does not give back the last state: " + firstDifference(last, now);
        if (std::string failure = checkInvariants(); !failure.empty())
            return "after redo all: " + failure;
        return reloaded(last);
    }

    /// Saves, loads into a new database and compares.
    std::string reloaded(const std::string& text) const
    {
        const std::string file = scratch + "/reloaded.xml";
        {
            db::FileOutputStream stream(file);
            db::SaverXML saver(stream);
            if (!saver.save(database))
                return "the document cannot be saved: " + saver.getError();
        }
        db::Database copy(database.getName());
        db::FileInputStream in(file);
        db::LoaderXML loader(in);
        if (!loader.load(copy))
        {
            const db::LoadError& error = loader.getError();
            const std::string written = readText(file);
            std::ofstream("random-failure-unloadable.xml", std::ios::binary) << written;
            std::istringstream lines(written);
            std::string line;
            for (std::size_t n = 0; n < error.line && std::getline(lines, line);)
                ++n;
            return "the saved document does not load (it is in random-failure-unloadable.xml): line " +
                   std::to_string(error.line) + ": " + error.what + ": " + line.substr(0, 300);
        }
        const std::string again = textOf(copy);
        return again == text ? std::string()
                             : "saved and loaded again, the document differs: " + firstDifference(text, again);
    }

    EditorFrame& frame;
    db::Database& database;
    std::string scratch;
    AnswerEveryDialog dialogs;
    std::uint32_t menuChoice = 0;
    std::string chosen;
    /// A surface found showing a command otherwise than the menu bar, until checkInvariants reports it.
    std::string surfaceFailure;
    std::string baseline;
    bool baselineKnown = false;
};

int menuCommandOf(const Action& action)
{
    return action.kind == "menu" ? s_menuCommands[action.a % std::size(s_menuCommands)] : wxID_NONE;
}

Driver::Driver(EditorFrame& frame, const std::string& scratch, History history)
    : m_impl(std::make_unique<Impl>(frame, scratch)), m_history(history)
{
    if (m_history == History::Followed)
        m_impl->followHistory();
}

Driver::~Driver() = default;

void Driver::perform(const Action& action)
{
    if (!m_impl->perform(action))
        ++m_skipped;
    wxtest::pump();
    if (m_history == History::Followed)
        m_impl->followHistory();
}

std::string Driver::lastMenuChoice() const
{
    return m_impl->chosen;
}

std::string Driver::checkInvariants()
{
    return m_impl->checkInvariants();
}

std::string Driver::checkHistory()
{
    wxASSERT_MSG(m_history == History::Followed, "a driver that ignores the history cannot check it");
    return m_impl->checkHistory();
}

} // namespace randomui
