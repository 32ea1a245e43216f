#include <dbui/ValueArrayWidget.h>

#include <dbui/BoolArrayWidget.h>
#include <dbui/DoubleArrayWidget.h>
#include <dbui/FloatArrayWidget.h>
#include <dbui/IntArrayWidget.h>
#include <dbui/Matrix34ArrayWidget.h>
#include <dbui/StringArrayWidget.h>
#include <dbui/Vector3ArrayWidget.h>

#include "widgets/NumberBox.h"
#include "widgets/NumberText.h"

#include <db/Attribute.h>
#include <db/BoolArrayAttribute.h>
#include <db/DoubleArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <wxUtils/OrkSimpleMultiOptionDialog.h>

#include <wx/textdlg.h>

#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

namespace dbui
{

namespace
{

using Dialog = wxUtils::OrkSimpleMultiOptionDialog;

// ------------------------------------------------------------------ what each element type shows and asks

// Element<T> gives, for arrays of T: the column titles (the index last), the
// list rows of one element (s_rows of them, each ending in the index text),
// the items of the add dialog and the element they make. Numbers are shown and
// read as the single-value widgets do, whatever the locale.
template <class T> struct Element;

wxString fixed(double value)
{
    return wxString(detail::formatFixed(value));
}

std::wstring textOf(const Dialog& dialog, const wxString& item)
{
    return dialog.getTextValue(item).ToStdWstring();
}

/// How the add dialog reads its number boxes: plain numbers, or arithmetic too
/// (the widget's ArithmeticInput), a relative edit applying to the box's start.
struct Numbers
{
    bool arithmetic = false;
    /// The number boxes added, by item name.
    std::vector<wxString> items;

    void add(Dialog& dialog, const wxString& item, const wxString& start)
    {
        dialog.addTextItem(item, item, start, arithmetic ? Dialog::ItemArithmetic : Dialog::ItemNumeric);
        items.push_back(item);
    }

    double read(const Dialog& dialog, const wxString& item, double start) const
    {
        return entryOf(dialog, item).applyTo(start);
    }
    int readInt(const Dialog& dialog, const wxString& item, int start) const
    {
        return detail::intFromEntry(entryOf(dialog, item), textOf(dialog, item), start);
    }
    /// Why the text of a number box does not read, or empty when all do.
    wxString problemOf(const Dialog& dialog) const
    {
        detail::NumberEntry entry;
        std::wstring why;
        for (const wxString& item : items)
            if (arithmetic && !detail::readNumberEntry(textOf(dialog, item), entry, why))
                return item + ": " + why;
        return wxEmptyString;
    }

private:
    detail::NumberEntry entryOf(const Dialog& dialog, const wxString& item) const
    {
        const std::wstring text = textOf(dialog, item);
        detail::NumberEntry entry;
        std::wstring why;
        if (!arithmetic || !detail::readNumberEntry(text, entry, why) || entry.plain)
        {
            entry = detail::NumberEntry();
            entry.operand = detail::parseDoubleLeniently(text);
        }
        return entry;
    }
};

/// One number to an element, typed into one box that starts at 0.
template <class T> struct Number
{
    static constexpr int s_rows = 1;
    template <class Add> static void columns(Add add) { add({"Value", "Index"}); }
    template <class Row> static void show(T value, const wxString& index, Row row)
    {
        if constexpr (std::is_integral_v<T>)
            row({wxString(std::to_wstring(value)), index});
        else
            row({fixed(value), index});
    }
    static void ask(Dialog& dialog, Numbers& numbers) { numbers.add(dialog, "Value", "0"); }
    static T read(const Dialog& dialog, const Numbers& numbers)
    {
        if constexpr (std::is_integral_v<T>)
            return numbers.readInt(dialog, "Value", 0);
        else
            return static_cast<T>(numbers.read(dialog, "Value", 0.0));
    }
};

template <> struct Element<int> : Number<int>
{
};
template <> struct Element<float> : Number<float>
{
};
template <> struct Element<double> : Number<double>
{
};

template <> struct Element<bool>
{
    static constexpr int s_rows = 1;
    template <class Add> static void columns(Add add) { add({"Value", "Index"}); }
    template <class Row> static void show(bool value, const wxString& index, Row row)
    {
        row({wxString(value ? "true" : "false"), index});
    }
    static void ask(Dialog& dialog, Numbers&) { dialog.addCheckItem("Value", "Value", false); }
    static bool read(const Dialog& dialog, const Numbers&) { return dialog.getCheckValue("Value"); }
};

template <> struct Element<std::wstring>
{
    static constexpr int s_rows = 1;
    template <class Add> static void columns(Add add) { add({"Value", "Index"}); }
    template <class Row> static void show(const std::wstring& value, const wxString& index, Row row)
    {
        row({wxString(value), index});
    }
    static void ask(Dialog& dialog, Numbers&) { dialog.addTextItem("Value", "Value", wxEmptyString, 0); }
    static std::wstring read(const Dialog& dialog, const Numbers&) { return textOf(dialog, "Value"); }
};

template <> struct Element<OrkP::Vector3>
{
    static constexpr const char* s_names[] = {"X Value", "Y Value", "Z Value"};
    static constexpr int s_rows = 1;
    template <class Add> static void columns(Add add) { add({s_names[0], s_names[1], s_names[2], "Index"}); }
    template <class Row> static void show(const OrkP::Vector3& v, const wxString& index, Row row)
    {
        row({fixed(v.x), fixed(v.y), fixed(v.z), index});
    }
    static void ask(Dialog& dialog, Numbers& numbers)
    {
        for (const char* name : s_names)
            numbers.add(dialog, name, "0");
    }
    static OrkP::Vector3 read(const Dialog& dialog, const Numbers& numbers)
    {
        OrkP::Vector3 value;
        for (int c = 0; c < 3; ++c)
            value[c] = static_cast<float>(numbers.read(dialog, s_names[c], 0.0));
        return value;
    }
};

template <> struct Element<OrkP::Matrix34>
{
    // The translation row is left out: the list shows the three rows that users
    // read as the orientation, each tagged with its element's index.
    static constexpr int s_rows = 3;
    template <class Add> static void columns(Add add) { add({"Column 0", "Column 1", "Column 2", "Index"}); }
    template <class Row> static void show(const OrkP::Matrix34& m, const wxString& index, Row row)
    {
        for (int r = 0; r < s_rows; ++r)
            row({fixed(m.get(r, 0)), fixed(m.get(r, 1)), fixed(m.get(r, 2)), index});
    }
    static wxString item(int r, int c) { return wxString::Format("r%dc%d", r, c); }
    // The dialog asks for all four rows, starting at the identity.
    static void ask(Dialog& dialog, Numbers& numbers)
    {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                numbers.add(dialog, item(r, c), r == c ? "1" : "0");
    }
    static OrkP::Matrix34 read(const Dialog& dialog, const Numbers& numbers)
    {
        OrkP::Matrix34 value;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                value.set(r, c, static_cast<float>(numbers.read(dialog, item(r, c), r == c ? 1.0 : 0.0)));
        return value;
    }
};

/// The first attribute's typed array, or null when it is of another type.
template <db::AttributeType Type, class T>
db::ValueArrayAttribute<Type, T>* arrayOf(const std::vector<db::Attribute*>& attributes)
{
    if (attributes.empty() || attributes.front()->getAttributeType() != Type)
        return nullptr;
    return static_cast<db::ValueArrayAttribute<Type, T>*>(attributes.front()->asArrayAttribute());
}

} // namespace

// ------------------------------------------------------------------ the widget

template <db::AttributeType Type, class T>
ValueArrayWidget<Type, T>::ValueArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    Element<T>::columns([this](std::initializer_list<const char*> titles) { addColumns(titles); });
}

template <db::AttributeType Type, class T> void ValueArrayWidget<Type, T>::fillListControl()
{
    db::ValueArrayAttribute<Type, T>* array = arrayOf<Type, T>(getAttributes());
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        Element<T>::show(array->getElement(i), wxString(std::to_wstring(i)),
                         [this](std::initializer_list<wxString> texts) { appendRow(texts); });
}

template <db::AttributeType Type, class T> int ValueArrayWidget<Type, T>::elementOfRow(int row) const
{
    return row / Element<T>::s_rows;
}

template <db::AttributeType Type, class T> void ValueArrayWidget<Type, T>::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    // Titled like the standard text-entry dialog.
    Dialog dialog(this, wxGetTextFromUserPromptStr, wxDEFAULT_DIALOG_STYLE, wxDefaultPosition);
    Numbers numbers{(getInputOptions() & ArithmeticInput) != 0, {}};
    Element<T>::ask(dialog, numbers);
    dialog.setCheck([&dialog, &numbers] { return numbers.problemOf(dialog); });
    if (dialog.ShowModal() != wxID_OK)
        return;
    // The dialog ran the event loop: look the array up again.
    if (db::ValueArrayAttribute<Type, T>* array = arrayOf<Type, T>(getAttributes()))
        array->add(Element<T>::read(dialog, numbers));
}

template class ValueArrayWidget<db::IntArray, int>;
template class ValueArrayWidget<db::BoolArray, bool>;
template class ValueArrayWidget<db::FloatArray, float>;
template class ValueArrayWidget<db::DoubleArray, double>;
template class ValueArrayWidget<db::StringArray, std::wstring>;
template class ValueArrayWidget<db::Vector3Array, OrkP::Vector3>;
template class ValueArrayWidget<db::Matrix34Array, OrkP::Matrix34>;

} // namespace dbui
