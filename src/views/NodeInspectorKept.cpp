// Typing the inspector keeps when its rows go: text a number box refused
// stays with the nodes it was typed for and is back in its box when they are
// shown again.

#include <dbui/NodeInspector.h>

#include <dbui/CommonAttributeHolder.h>

#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/WindowUtils.h>

#include <wx/sizer.h>
#include <wx/tooltip.h>

#include <algorithm>

namespace dbui
{

namespace
{

/// How many selections keep their refused typing; the oldest goes first.
constexpr std::size_t s_keptSelections = 16;

/// The text boxes of a row's widget, in the order it lays them out.
std::vector<wxUtils::OrkSimpleTextCtrl*> boxesOf(wxSizerItem* widget)
{
    std::vector<wxUtils::OrkSimpleTextCtrl*> boxes;
    if (widget && widget->GetWindow())
        wxUtils::forEachDescendant(*widget->GetWindow(),
                                   [&boxes](wxWindow& child)
                                   {
                                       if (auto* box = dynamic_cast<wxUtils::OrkSimpleTextCtrl*>(&child))
                                           boxes.push_back(box);
                                   });
    return boxes;
}

} // namespace

void NodeInspector::keepRefusedTyping()
{
    // Typing that could be applied was, just before: what is still typed was
    // refused, and said so. Rows that refused nothing are not looked over.
    std::vector<RefusedTyping> typed;
    if (m_typingRefused)
        forEachGridRow(
            [&typed](const CommonAttributeHolder& holder, wxSizerItem&, wxSizerItem* widget)
            {
                const std::vector<wxUtils::OrkSimpleTextCtrl*> boxes = boxesOf(widget);
                for (std::size_t i = 0; i < boxes.size(); ++i)
                    if (boxes[i]->isModified())
                        typed.push_back({holder.getName(), i, boxes[i]->getText().ToStdWstring(),
                                         boxes[i]->GetToolTipText().ToStdWstring()});
                return true;
            });
    m_typingRefused = false;
    const auto same = std::find_if(m_keptTyping.begin(), m_keptTyping.end(),
                                   [this](const KeptTyping& kept) { return kept.nodes == m_rowNodes; });
    if (same != m_keptTyping.end())
        m_keptTyping.erase(same);
    if (typed.empty() || m_rowNodes.empty())
        return;
    if (m_keptTyping.size() == s_keptSelections)
        m_keptTyping.erase(m_keptTyping.begin());
    m_keptTyping.push_back({m_rowNodes, std::move(typed)});
}

void NodeInspector::restoreRefusedTyping()
{
    const auto kept = std::find_if(m_keptTyping.begin(), m_keptTyping.end(),
                                   [this](const KeptTyping& each) { return each.nodes == m_nodes; });
    if (kept == m_keptTyping.end())
        return;
    forEachGridRow(
        [&kept](const CommonAttributeHolder& holder, wxSizerItem&, wxSizerItem* widget)
        {
            const std::vector<wxUtils::OrkSimpleTextCtrl*> boxes = boxesOf(widget);
            for (const RefusedTyping& typed : kept->typing)
            {
                if (typed.row != holder.getName() || typed.box >= boxes.size())
                    continue;
                wxUtils::OrkSimpleTextCtrl& box = *boxes[typed.box];
                box.ChangeValue(typed.text);
                box.MarkDirty();
                box.SetToolTip(typed.why);
            }
            return true;
        });
}

void NodeInspector::forgetTypingOfRemovedNodes(const std::vector<const db::Node*>& gone)
{
    if (gone.empty())
        return;
    const auto holdsRemoved = [&gone](const KeptTyping& kept)
    {
        return std::any_of(kept.nodes.begin(), kept.nodes.end(),
                           [&gone](const db::Node* node)
                           { return std::binary_search(gone.begin(), gone.end(), node); });
    };
    m_keptTyping.erase(std::remove_if(m_keptTyping.begin(), m_keptTyping.end(), holdsRemoved), m_keptTyping.end());
}

} // namespace dbui
