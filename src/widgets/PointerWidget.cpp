#include <dbui/PointerWidget.h>

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/PointerAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/PanelBuilder.h>

namespace dbui
{

PointerWidget::PointerWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : TextBoxBasedAttributeWidget(parent, size, style, wxDefaultValidator, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    builder.addWindow(getTextBox(), 1, 0);
    builder.endSizer();
}

PointerWidget::~PointerWidget() = default;

void PointerWidget::setTextBoxValue()
{
    std::wstring path;
    // No target shows as an empty box: a path of "nothing" would read as the root.
    if (const db::Attribute* target = getAttributes().front()->asPointerAttribute()->getValue())
        target->toDatabasePath(path, nullptr, false);
    getTextBox()->setText(path);
}

void PointerWidget::setCommonValue()
{
    const std::wstring path = getTextBox()->getText().ToStdWstring();
    // Paths are resolved in the widget's own database; a widget without one
    // (bound through addAttribute) resolves in the tree of its first attribute.
    db::Attribute* root = getDatabase();
    if (!root && !getAttributes().empty())
        root = getAttributes().front();
    db::Attribute* target = nullptr;
    if (root && !path.empty())
        target = root->attributeFromDatabasePath(path, true);
    db::ChangeBlock block(getDatabase(), L"Set pointer attribute(s)");
    for (db::Attribute* attribute : getAttributes())
        attribute->asPointerAttribute()->setValue(target);
}

} // namespace dbui
