#include "ListsPage.h"

#include <wxUtils/OrkListControl.h>
#include <wxUtils/TreeControl.h>

#include <wx/artprov.h>
#include <wx/imaglist.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>

namespace
{

const wxString s_kinds[] = {"mesh", "light", "camera", "transform", "material"};

enum Image
{
    FolderImage,
    FileImage
};

wxImageList* makeImages(wxWindow* window)
{
    const wxSize size = window->FromDIP(wxSize(16, 16));
    auto* images = new wxImageList(size.x, size.y, true, 2);
    images->Add(wxArtProvider::GetBitmap(wxART_FOLDER, wxART_OTHER, size));
    images->Add(wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_OTHER, size));
    return images;
}

// 10 levels of 100 parts of 99 meshes: 100,000 items with the groups.
wxUtils::TreeControl* makeTree(wxWindow* parent)
{
    auto* tree = new wxUtils::TreeControl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                          wxUtils::TreeControl::MultipleSelection);
    tree->addColumn(0, "Name");
    tree->addColumn(1, "Type", tree->FromDIP(110));
    tree->AssignImageList(makeImages(tree), 0);
    auto* root = new wxUtils::TreeItem("Scene", tree, true);
    root->SetImage(FolderImage);
    root->SetColumnText(1, "scene");
    tree->SetRoot(root);
    for (int level = 0; level < 10; ++level)
    {
        auto* group = new wxUtils::TreeItem(wxString::Format("Level %02d", level + 1), tree, level == 0);
        group->SetImage(FolderImage);
        group->SetColumnText(1, "group");
        root->InsertChild(group, nullptr);
        for (int part = 0; part < 100; ++part)
        {
            auto* sub = new wxUtils::TreeItem(wxString::Format("Building %d", part + 1), tree, level == 0 && part < 2);
            sub->SetImage(FolderImage);
            sub->SetColumnText(1, "transform");
            group->InsertChild(sub, nullptr);
            for (int leaf = 0; leaf < 99; ++leaf)
            {
                const wxString& kind = s_kinds[leaf % 5];
                auto* item = new wxUtils::TreeItem(wxString::Format("%s%d", kind, leaf + 1), tree, false);
                item->SetImage(FileImage);
                item->SetColumnText(1, kind);
                sub->InsertChild(item, nullptr);
            }
        }
    }
    tree->Select(root->GetFirstChild()->GetFirstChild(), true);
    return tree;
}

wxUtils::OrkListControl* makeList(wxWindow* parent)
{
    auto* list = new wxUtils::OrkListControl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                             wxUtils::OrkListControl::MultipleSelection);
    list->addColumn(0, "Name");
    list->addColumn(1, "Position", list->FromDIP(220));
    list->addColumn(2, "Index", list->FromDIP(70));
    for (int i = 0; i < 100000; ++i)
    {
        wxUtils::OrkListItem_* row = list->appendItem(wxString::Format("vertex%d", i));
        list->setItemText(row, 1, wxString::Format("%.2f, %.2f, %.2f", i * 0.25, i * -0.5, i * 0.125));
        list->setItemText(row, 2, wxString::Format("%d", i));
    }
    list->selectItem(list->getItem(0), true);
    return list;
}

} // namespace

wxWindow* makeListsPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent, wxID_ANY);
    auto* splitter = new wxSplitterWindow(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE);
    splitter->SetMinimumPaneSize(page->FromDIP(120));
    wxUtils::TreeControl* tree = makeTree(splitter);
    wxUtils::OrkListControl* list = makeList(splitter);
    splitter->SplitVertically(tree, list);
    splitter->SetSashGravity(0.5);

    auto* status = new wxStaticText(page, wxID_ANY, wxEmptyString);
    const std::size_t itemCount = tree->GetCount();
    auto tell = [tree, list, status, itemCount]()
    {
        status->SetLabel(wxString::Format("Tree: %zu of %zu items selected.  List: %zu of %zu rows selected.  "
                                          "F2 renames, Left and Right fold the tree.",
                                          tree->GetSelectedItemCount(), itemCount, list->getSelectedItemCount(),
                                          list->getItemCount()));
    };
    tree->Bind(wxUTILS_EVT_TREE_SEL_CHANGED, [tell](wxUtils::TreeEvent&) { tell(); });
    list->Bind(wxUTILS_EVT_LC_SELECTION_CHANGED, [tell](wxUtils::OrkListEvent&) { tell(); });
    tell();

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(splitter, 1, wxEXPAND | wxALL, page->FromDIP(8));
    sizer->Add(status, 0, wxLEFT | wxRIGHT | wxBOTTOM, page->FromDIP(8));
    page->SetSizer(sizer);
    // The sash starts in the middle once the page has its size.
    page->CallAfter([splitter]() { splitter->SetSashPosition(splitter->GetSize().x / 2); });
    return page;
}
