#include <dbui/NodeClipboard.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderXML.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/SaverXML.h>

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include <unistd.h>

namespace dbui
{

namespace
{

/// Where pasted nodes may go: `target` is what the loader loads into, a node
/// (each pasted node joins the first of its containers that takes it) or a
/// container; `containers` are where the pasted nodes can turn up.
struct Destination
{
    db::Attribute* target;
    std::vector<db::NodeContainer*> containers;
    /// The node the pasted ones go right after, in its container; null for the end.
    db::Node* after;
};

std::vector<db::NodeContainer*> containersOf(const db::Node& node)
{
    std::vector<db::NodeContainer*> containers;
    for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
        if (db::NodeContainer* container = node.getAttribute(i)->asNodeContainer())
            containers.push_back(container);
    return containers;
}

/// Into the selected node first, then beside it.
std::vector<Destination> destinationsFor(db::Database& database, db::Node* selected)
{
    db::NodeContainer& top = database.getRootContainer();
    if (!selected || selected == &database)
        return {{&top, {&top}, nullptr}};
    std::vector<Destination> destinations{{selected, containersOf(*selected), nullptr}};
    db::CompositeAttribute* parent = selected->getParentAttribute();
    if (db::NodeContainer* container = parent ? parent->asNodeContainer() : nullptr)
        destinations.push_back({container, {container}, selected});
    return destinations;
}

/// Loads `xml` into the destination and lists the nodes it added; false with `error` set when it cannot.
bool load(const Destination& destination, const std::string& xml, std::vector<db::Node*>& pasted, db::LoadError& error)
{
    std::vector<unsigned int> counts;
    for (const db::NodeContainer* container : destination.containers)
        counts.push_back(container->getNodeCount());
    db::FileInputStream stream =
        db::FileInputStream::fromMemory(xml.data(), xml.size(), "clipboard", db::FileOpenMode::Text);
    db::LoaderXML loader(stream, 0, nullptr);
    if (!loader.load(destination.target))
    {
        error = loader.getError();
        return false;
    }
    // Loaded nodes are appended to the containers that take them.
    for (std::size_t i = 0; i < counts.size(); ++i)
        for (unsigned int k = counts[i]; k < destination.containers[i]->getNodeCount(); ++k)
            pasted.push_back(destination.containers[i]->getNode(k));
    if (pasted.empty())
        error.what = "the document holds no nodes";
    return !pasted.empty();
}

/// Numbers each pasted node whose name a sibling, or a pasted node before it, already has.
void nameUniquely(const std::vector<db::Node*>& pasted)
{
    const std::unordered_set<const db::Attribute*> isPasted(pasted.begin(), pasted.end());
    std::unordered_map<const db::CompositeAttribute*, db::Node::TakenNames> takenIn;
    for (db::Node* node : pasted)
    {
        const db::CompositeAttribute* container = node->getParentAttribute();
        auto [entry, fresh] = takenIn.try_emplace(container);
        db::Node::TakenNames& taken = entry->second;
        if (fresh)
            for (unsigned int i = 0; i < container->getAttributeCount(); ++i)
                if (isPasted.count(container->getAttribute(i)) == 0)
                    taken.names.insert(container->getAttribute(i)->getName());
        if (taken.names.count(node->getName()) != 0)
            node->setName(db::Node::numberedName(node->getName(), taken));
        taken.names.insert(node->getName());
    }
}

void placeAfter(db::Node& anchor, const std::vector<db::Node*>& pasted)
{
    db::NodeContainer* container = anchor.getParentAttribute()->asNodeContainer();
    unsigned int index = anchor.getIndex() + 1;
    for (db::Node* node : pasted)
        container->insert(index++, node);
}

/// The nodes to copy for `nodes`: a selected database stands for its top-level nodes.
std::vector<const db::Node*> copiedNodes(const std::vector<db::Node*>& nodes)
{
    std::vector<const db::Node*> copied;
    for (const db::Node* node : nodes)
    {
        if (db::Database* database = const_cast<db::Node*>(node)->asDatabase())
        {
            const db::NodeContainer& top = database->getRootContainer();
            for (unsigned int i = 0; i < top.getNodeCount(); ++i)
                copied.push_back(top.getNode(i));
        }
        else if (node)
            copied.push_back(node);
    }
    return copied;
}

/// What this process last put on the clipboard. Text between programs goes
/// through the display server and is converted both ways: for a copied
/// group of thousands of nodes, seconds. The clipboard also carries a mark
/// of the copy; while it carries this mark, a paste takes the text from here.
struct LastCopy
{
    std::string mark;
    std::shared_ptr<const std::string> xml;
};

/// The copied text as the clipboard hands it out, straight from its UTF-8
/// bytes: as a wxString it would take four bytes a character, and be turned
/// back into UTF-8 for every program that asks for it.
class CopiedText : public wxDataObjectSimple
{
public:
    CopiedText(const wxDataFormat& format, std::shared_ptr<const std::string> xml)
        : wxDataObjectSimple(format), m_xml(std::move(xml))
    {
    }

    size_t GetDataSize() const override { return bytes().size(); }
    bool GetDataHere(void* buffer) const override
    {
        const std::string& text = bytes();
        std::copy(text.begin(), text.end(), static_cast<char*>(buffer));
        return true;
    }

private:
    /// UTF-8, or for the plain text format the text in the system's encoding, made when first asked for.
    const std::string& bytes() const
    {
        if (GetFormat() == wxDF_UNICODETEXT || wxLocaleIsUtf8)
            return *m_xml;
        if (!m_local)
        {
            const wxCharBuffer local = wxString::FromUTF8(*m_xml).mb_str(wxConvLocal);
            m_local = std::make_unique<std::string>(local.data() ? local.data() : "");
        }
        return *m_local;
    }

    std::shared_ptr<const std::string> m_xml;
    mutable std::unique_ptr<std::string> m_local;
};

LastCopy& lastCopy()
{
    static LastCopy copy;
    return copy;
}

const wxDataFormat& markFormat()
{
    static const wxDataFormat format("application/x-dbui-nodes-mark");
    return format;
}

/// Unique to this copy among every copy of every process on the display.
std::string newMark()
{
    static unsigned long count = 0;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(::getpid()) + "-" + std::to_string(now) + "-" + std::to_string(++count);
}

/// The mark on the clipboard, empty when it has none; the clipboard is open.
std::string markOnClipboard()
{
    if (!wxTheClipboard->IsSupported(markFormat()))
        return {};
    wxCustomDataObject mark(markFormat());
    if (!wxTheClipboard->GetData(mark))
        return {};
    return std::string(static_cast<const char*>(mark.GetData()), mark.GetSize());
}

} // namespace

std::string NodeClipboard::toXml(const std::vector<db::Node*>& nodes)
{
    const std::vector<const db::Node*> copied = copiedNodes(nodes);
    if (copied.empty())
        return {};
    // Written as a database of copies of them: in a database file, pointers
    // between its top-level nodes are written relative to the file. The
    // copies themselves are not made: for a big group, making and destroying
    // them took five times as long as writing the text.
    db::Database* source = copied.front()->getDatabase();
    const db::Database holder(source ? source->getName() : std::wstring(L"Clipboard"),
                              source ? &source->getTypeRegistry() : nullptr);
    std::string xml;
    db::FileOutputStream stream(db::FileOutputStream::ToMemory{xml});
    if (!db::SaverXML(stream, 0).saveAsTopNodes(holder, copied))
        return {};
    return xml;
}

bool NodeClipboard::copy(const std::vector<db::Node*>& nodes)
{
    auto xml = std::make_shared<const std::string>(toXml(nodes));
    if (xml->empty())
        return false;
    wxClipboardLocker locker;
    if (!locker)
        return false;
    LastCopy& last = lastCopy();
    last.mark = newMark();
    auto* data = new wxDataObjectComposite;
#ifdef __WXGTK__
    // The text formats of this port carry UTF-8.
    data->Add(new CopiedText(wxDF_UNICODETEXT, xml), true);
    data->Add(new CopiedText(wxDF_TEXT, xml));
#else
    data->Add(new wxTextDataObject(wxString::FromUTF8(*xml)), true);
#endif
    auto* mark = new wxCustomDataObject(markFormat());
    mark->SetData(last.mark.size(), last.mark.data());
    data->Add(mark);
    if (!wxTheClipboard->SetData(data))
    {
        last = LastCopy();
        return false;
    }
    last.xml = std::move(xml);
    return true;
}

std::string NodeClipboard::readText()
{
    wxClipboardLocker locker;
    if (!locker)
        return {};
    LastCopy& last = lastCopy();
    if (!last.mark.empty())
    {
        if (markOnClipboard() == last.mark)
            return *last.xml;
        last = LastCopy(); // another copy took the clipboard: its text is what to paste
    }
    if (!wxTheClipboard->IsSupported(wxDF_UNICODETEXT))
        return {};
    wxTextDataObject data;
    if (!wxTheClipboard->GetData(data))
        return {};
    return data.GetText().utf8_string();
}

bool NodeClipboard::holdsText()
{
    wxClipboardLocker locker;
    return !!locker && wxTheClipboard->IsSupported(wxDF_UNICODETEXT);
}

std::vector<db::Node*> NodeClipboard::paste(db::Database& database, db::Node* selected, const std::string& xml,
                                            std::string& error)
{
    if (xml.empty())
    {
        error = "the clipboard holds no text";
        return {};
    }
    db::LoadError why;
    for (const Destination& destination : destinationsFor(database, selected))
    {
        // A failed load changes nothing, so its block ends empty and leaves no step.
        db::ChangeBlock block(database, L"Paste nodes");
        std::vector<db::Node*> pasted;
        if (!load(destination, xml, pasted, why))
            continue;
        nameUniquely(pasted);
        if (destination.after)
            placeAfter(*destination.after, pasted);
        error.clear();
        return pasted;
    }
    error = why.line > 0 ? why.toString() : why.what;
    return {};
}

} // namespace dbui
