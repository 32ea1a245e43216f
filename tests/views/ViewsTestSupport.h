#pragma once

// Small scene databases and user gestures shared by the node view tests.

#include "Harness.h"

#include <dbui/AttributeWidget.h>
#include <dbui/NodeInspector.h>
#include <dbui/NodeTreeControl.h>

#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>

#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/TreeItem.h>

#include <wx/clipbrd.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>

#include <functional>
#include <string>
#include <vector>

namespace viewstest
{

/// A window of the test frame destroyed when the test's scope ends, so that
/// it unregisters from a database declared before it while that still lives.
template <class T> class Owned
{
public:
    explicit Owned(T* window) : m_window(window) {}
    Owned(Owned&& other) noexcept : m_window(other.m_window) { other.m_window = nullptr; }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned()
    {
        if (m_window)
            m_window->Destroy();
    }
    operator T*() const { return m_window; }
    T* operator->() const { return m_window; }
    /// The caller destroys the window itself.
    T* release()
    {
        T* window = m_window;
        m_window = nullptr;
        return window;
    }

private:
    T* m_window;
};

inline db::NodeContainer* childrenOf(db::Node* node)
{
    if (db::Database* database = node->asDatabase())
        return &database->getRootContainer();
    db::Attribute* children = node->findAttribute(L"children");
    return children ? children->asNodeContainer() : nullptr;
}

/// The names of a node's children, in order.
inline std::vector<std::wstring> childNames(db::Node* node)
{
    std::vector<std::wstring> names;
    for (db::Node* child : node->getChildNodes())
        names.push_back(child->getName());
    return names;
}

/// Makes a node of `type` and appends it under `parent` (its own undo step).
inline db::Node* addNode(db::Node* parent, const std::wstring& type, const std::wstring& name)
{
    db::Node* node = db::makeNode(type, name);
    EXPECT_NE(node, nullptr) << "unknown type";
    if (node && !childrenOf(parent)->add(node))
    {
        ADD_FAILURE() << "container refused the node";
        delete node;
        return nullptr;
    }
    return node;
}

/// A database holding: Group A { a1, a2, a3 }, Group B { b1 }, Light L.
struct Scene
{
    db::Database database{L"Scene"};
    db::Node* a = nullptr;
    db::Node* a1 = nullptr;
    db::Node* a2 = nullptr;
    db::Node* a3 = nullptr;
    db::Node* b = nullptr;
    db::Node* b1 = nullptr;
    db::Node* light = nullptr;

    Scene()
    {
        a = addNode(&database, L"Group", L"A");
        a1 = addNode(a, L"Group", L"a1");
        a2 = addNode(a, L"Mesh", L"a2");
        a3 = addNode(a, L"Light", L"a3");
        b = addNode(&database, L"Group", L"B");
        b1 = addNode(b, L"Camera", L"b1");
        light = addNode(&database, L"Light", L"L");
        database.clearUndoHistory();
    }
};

/// Whether the items under `tree`'s root mirror `database` node for node:
/// labels, class ids, order, and the tree's node lookups both ways; a
/// browser tree's counts of closed subtrees are left out.
inline ::testing::AssertionResult mirrors(const dbui::NodeTreeControl* tree, db::Database& database)
{
    struct Walk
    {
        const dbui::NodeTreeControl* tree;
        std::string failure;

        bool check(db::Node* node, wxUtils::TreeItem* item, const std::string& where)
        {
            const std::string here = where + "/" + wxString(node->getName()).ToStdString();
            if (!item)
                return fail("no item for " + here);
            if (item->GetLabel() != wxString(node->getName()))
                return fail("label " + item->GetLabel().ToStdString() + " at " + here);
            // A browser's closed rows add how many nodes they hold: " (15 nodes)".
            if (item->GetColumnText(1).BeforeFirst(' ') != wxString(node->getClassID()))
                return fail("type column " + item->GetColumnText(1).ToStdString() + " at " + here);
            if (tree->getNodeOfItem(item) != node || tree->getItemOfNode(node) != item)
                return fail("map out of step at " + here);
            const std::vector<db::Node*> children = node->getChildNodes();
            if (children.size() != item->GetChildCount())
                return fail("child count " + std::to_string(item->GetChildCount()) + " instead of " +
                            std::to_string(children.size()) + " at " + here);
            wxUtils::TreeItem* child = item->GetFirstChild();
            for (db::Node* childNode : children)
            {
                if (!check(childNode, child, here))
                    return false;
                child = child->GetNextSibling();
            }
            return true;
        }
        bool fail(const std::string& what)
        {
            failure = what;
            return false;
        }
    } walk{tree, {}};

    if (!walk.check(&database, tree->GetRoot(), ""))
        return ::testing::AssertionFailure() << walk.failure;
    if (tree->GetCount() != database.getTotalNodeCount())
        return ::testing::AssertionFailure()
               << "tree holds " << tree->GetCount() << " items for " << database.getTotalNodeCount() << " nodes";
    return ::testing::AssertionSuccess();
}

using wxtest::labelPoint;

inline void mouse(wxWindow* window, wxEventType type, const wxPoint& point, bool ctrl = false)
{
    wxtest::mouse(window, type, point, ctrl ? wxMOD_CONTROL : wxMOD_NONE);
}

/// A left click on an item; with `ctrl` it adds to the selection.
inline void click(wxUtils::TreeControl* tree, wxUtils::TreeItem* item, bool ctrl = false)
{
    const wxPoint point = labelPoint(tree, item);
    mouse(tree, wxEVT_LEFT_DOWN, point, ctrl);
    mouse(tree, wxEVT_LEFT_UP, point, ctrl);
}

/// Selects `nodes` as a user would: a click on the first, Ctrl-clicks on the others.
inline void selectNodes(dbui::NodeTreeControl* tree, const std::vector<db::Node*>& nodes)
{
    for (std::size_t i = 0; i < nodes.size(); ++i)
    {
        wxUtils::TreeItem* item = tree->getItemOfNode(nodes[i]);
        tree->EnsureVisible(item);
        wxtest::pump();
        click(tree, item, i > 0);
    }
}

/// A right click at a point, as wxWidgets delivers it: the button, then the menu request.
inline void rightClickAt(wxUtils::TreeControl* tree, const wxPoint& point)
{
    mouse(tree, wxEVT_RIGHT_DOWN, point);
    wxtest::requestContextMenu(tree, point);
}

inline void rightClick(wxUtils::TreeControl* tree, wxUtils::TreeItem* item)
{
    rightClickAt(tree, labelPoint(tree, item));
}

/// Below the last row: a click on no item.
inline wxPoint emptySpace(const wxUtils::TreeControl* tree)
{
    const wxRect last = tree->getRowRect(tree->GetVisibleCount() - 1);
    return wxPoint(last.x + 40, last.GetBottom() + 3 * last.height);
}

inline void sendChar(wxWindow* window, int code)
{
    wxKeyEvent event(wxEVT_CHAR);
    event.m_keyCode = code;
    event.SetEventObject(window);
    window->ProcessWindowEvent(event);
}

/// The text on the system clipboard; empty when it holds none.
inline wxString clipboardText()
{
    wxClipboardLocker locker;
    wxTextDataObject data;
    return !!locker && wxTheClipboard->GetData(data) ? data.GetText() : wxString();
}

inline void setClipboardText(const wxString& text)
{
    wxClipboardLocker locker;
    ASSERT_TRUE(!!locker && wxTheClipboard->SetData(new wxTextDataObject(text)));
}

/// Ctrl and `letter` on the keyboard, with the focus moved to `window` first.
inline void pressCtrl(wxWindow* window, char letter)
{
    if (wxWindow::FindFocus() != window)
    {
        window->SetFocus();
        ASSERT_TRUE(wxtest::pumpUntil([window] { return wxWindow::FindFocus() == window; }));
    }
    wxUIActionSimulator().Char(letter, wxMOD_CONTROL);
    wxtest::pump();
}

/// Answers a message box whose text holds each of `parts`.
class ExpectMessageContaining : public wxExpectModalBase<wxMessageDialog, ExpectMessageContaining>
{
public:
    ExpectMessageContaining(std::vector<wxString> parts, int answer) : m_parts(std::move(parts)), m_answer(answer) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        for (const wxString& part : m_parts)
            EXPECT_NE(dialog->GetMessage().Find(part), wxNOT_FOUND) << "\"" << part << "\" is not in the message:\n"
                                                                    << dialog->GetMessage();
        return m_answer;
    }
    wxString GetDefaultDescription() const override { return "message box saying \"" + m_parts.front() + "\""; }

private:
    std::vector<wxString> m_parts;
    int m_answer;
};

/// The `index`th text box of the inspector's widget for `attribute`; null when there is none.
inline wxUtils::OrkSimpleTextCtrl* textBoxOf(dbui::NodeInspector* inspector, db::Attribute* attribute, int index)
{
    std::vector<wxUtils::OrkSimpleTextCtrl*> boxes;
    std::function<void(wxWindow*)> collect = [&](wxWindow* window)
    {
        for (wxWindow* child : window->GetChildren())
        {
            // Rows on their way out are hidden.
            if (!child->IsShown())
                continue;
            auto* widget = dynamic_cast<dbui::AttributeWidget*>(child);
            if (widget && widget->getAttributes() == std::vector<db::Attribute*>{attribute})
            {
                for (wxWindow* part : widget->GetChildren())
                    if (auto* box = dynamic_cast<wxUtils::OrkSimpleTextCtrl*>(part))
                        boxes.push_back(box);
                return;
            }
            collect(child);
        }
    };
    collect(inspector->getScrollPanel());
    return index < static_cast<int>(boxes.size()) ? boxes[index] : nullptr;
}

} // namespace viewstest
