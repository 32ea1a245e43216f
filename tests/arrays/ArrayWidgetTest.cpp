#include "ArraysTestSupport.h"

#include <dbui/AttributeWidgetFactory.h>
#include <dbui/IntArrayWidget.h>

#include <db/IntArrayAttribute.h>

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

using arraystest::rightClick;
using arraystest::Scene;
using arraystest::selectRows;
using Dialog = wxUtils::OrkSimpleMultiOptionDialog;
using Answer = wxExpectModal<Dialog>;
using Strings = std::vector<wxString>;

namespace
{

template <class W> W* makeWidget()
{
    return wxtest::show(new W(wxtest::frame(), wxDefaultSize, 0, "ArrayWidget"));
}

/// Every row of the list, its columns joined by "|".
Strings rowsOf(const wxUtils::OrkListControl* list)
{
    Strings rows(list->getItemCount());
    for (unsigned int column = 0; column < list->getColumnCount(); ++column)
    {
        const Strings texts = wxtest::columnTexts(list, column);
        for (std::size_t row = 0; row < rows.size(); ++row)
            rows[row] += (column ? "|" : "") + texts[row];
    }
    return rows;
}

/// Chooses "Add Value" below the rows and answers its dialog; the menu shown.
Strings addThroughMenu(wxUtils::OrkListControl* list, const Answer& answer)
{
    wxtest::ChoosePopupMenuItem choose("Add Value");
    wxTEST_DIALOG(rightClick(list, -1), answer);
    return choose.shownLabels();
}

/// One array type: answers to its add dialog, the rows of the elements they
/// add to an empty array, rows then selected for deletion and the rows left.
struct ArrayType
{
    const wchar_t* attribute;
    std::vector<Answer> answers;
    Strings rows;
    std::vector<int> deleted;
    Strings left;
};

std::vector<ArrayType> arrayTypes()
{
    const Answer value = Answer().items({"Value"});
    Strings matrixItems;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            matrixItems.push_back(wxString::Format("r%dc%d", r, c));
    return {
        {L"intArray",
         {value.showing("Value", "0").text("Value", "7"), value.text("Value", "-2"), value.text("Value", "12abc"),
          value.text("Value", "abc"), Answer(wxID_CANCEL).text("Value", "99")},
         {"7|0", "-2|1", "12|2", "0|3"},
         {1, 3},
         {"7|0", "12|1"}},
        {L"floatArray",
         {value.showing("Value", "0").text("Value", "1.5"), value.text("Value", "3,75")},
         {"1.500000|0", "3.000000|1"},
         {0},
         {"3.000000|0"}},
        {L"doubleArray",
         {value.text("Value", "0.1"), value.text("Value", "-1e3x")},
         {"0.100000|0", "-1000.000000|1"},
         {1},
         {"0.100000|0"}},
        {L"boolArray", {value, value.check("Value", true)}, {"false|0", "true|1"}, {0, 1}, {}},
        {L"stringArray", {value.showing("Value", ""), value.text("Value", "1.5 x")}, {"|0", "1.5 x|1"}, {1}, {"|0"}},
        {L"vector3Array",
         {Answer()
              .items({"X Value", "Y Value", "Z Value"})
              .showing("Y Value", "0")
              .text("X Value", "4")
              .text("Y Value", "oops")
              .text("Z Value", "-1.25")},
         {"4.000000|0.000000|-1.250000|0"},
         {0},
         {}},
        // Three rows to an element: the matrix rows but the translation. Rows
        // of one element delete it once.
        {L"matrix34Array",
         {Answer().items(matrixItems).showing("r1c1", "1").showing("r3c0", "0").text("r2c1", "0.5"), Answer()},
         {"1.000000|0.000000|0.000000|0", "0.000000|1.000000|0.000000|0", "0.000000|0.500000|1.000000|0",
          "1.000000|0.000000|0.000000|1", "0.000000|1.000000|0.000000|1", "0.000000|0.000000|1.000000|1"},
         {1, 2},
         {"1.000000|0.000000|0.000000|0", "0.000000|1.000000|0.000000|0", "0.000000|0.000000|1.000000|0"}},
    };
}

/// Switches the C library to a locale that writes and reads a decimal comma,
/// for as long as it lives; false when the system has none.
class CommaLocale
{
public:
    CommaLocale() : m_old(std::setlocale(LC_ALL, nullptr))
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (std::setlocale(LC_ALL, name))
            {
                m_active = true;
                break;
            }
    }
    ~CommaLocale() { std::setlocale(LC_ALL, m_old.c_str()); }
    explicit operator bool() const { return m_active; }

private:
    std::string m_old;
    bool m_active = false;
};

/// Every array type adds what its dialog reads, shows it and deletes it, the
/// same in a locale with a decimal comma.
void checkEveryType(const char* locale)
{
    for (const ArrayType& type : arrayTypes())
    {
        SCOPED_TRACE(wxString(type.attribute) + " in " + locale);
        Scene scene(1);
        db::Attribute* array = scene.attribute(0, type.attribute);
        auto* widget = wxtest::show(
            static_cast<dbui::ArrayWidgetBase*>(dbui::makeAttributeWidget(array->getDef(), wxtest::frame())));
        widget->setAttribute(array);
        wxUtils::OrkListControl* list = widget->getListControl();
        // An empty array offers only "Add Value".
        for (const Answer& answer : type.answers)
            EXPECT_EQ(addThroughMenu(list, answer), (Strings{"Add Value"}));
        // The list follows each add, the newest element last.
        EXPECT_EQ(rowsOf(list), type.rows);

        // The Delete key removes the selected rows' elements in one undo step.
        const unsigned int steps = scene.undoSize();
        selectRows(list, type.deleted);
        wxtest::key(list, WXK_DELETE);
        EXPECT_EQ(rowsOf(list), type.left);
        EXPECT_EQ(scene.undoSize(), steps + 1);
        EXPECT_EQ(scene.topUndo(), L"Delete array item(s)");
        ASSERT_TRUE(scene.database.undo());
        EXPECT_EQ(rowsOf(list), type.rows);
        widget->Destroy();
    }
}

} // namespace

TEST(ArrayWidgets, EachTypeAddsShowsAndDeletesItsElementsInAnyLocale)
{
    checkEveryType("C");
    CommaLocale comma;
    if (!comma)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    checkEveryType(std::setlocale(LC_NUMERIC, nullptr));
}

TEST(ArrayWidgets, ArraysThatDifferShowNothingAndEditsGoToTheFirstOnly)
{
    Scene scene(2);
    scene.attribute(0, L"intArray")->asIntArrayAttribute()->setValues({1, 2});
    scene.attribute(1, L"intArray")->asIntArrayAttribute()->setValues({1, 3});
    auto* widget = makeWidget<dbui::IntArrayWidget>();
    widget->setAttributes({scene.attribute(0, L"intArray"), scene.attribute(1, L"intArray")});
    EXPECT_EQ(widget->getListControl()->getItemCount(), 0u);

    // Making them equal reaches the widget as a change and fills the list.
    scene.attribute(1, L"intArray")->asIntArrayAttribute()->setElement(1, 2);
    EXPECT_EQ(rowsOf(widget->getListControl()), (Strings{"1|0", "2|1"}));

    // A delete edits only the first attribute, so the arrays differ again.
    selectRows(widget->getListControl(), {0});
    wxtest::key(widget->getListControl(), WXK_DELETE);
    EXPECT_EQ(scene.attribute(1, L"intArray")->getSize(), 2u);
    EXPECT_EQ(widget->getListControl()->getItemCount(), 0u);
    addThroughMenu(widget->getListControl(), Answer().text("Value", "5"));
    EXPECT_EQ(scene.attribute(0, L"intArray")->asIntArrayAttribute()->getValues(), (std::vector<int>{2, 5}));
    EXPECT_EQ(scene.attribute(1, L"intArray")->getSize(), 2u);
}

TEST(ArrayWidgets, AddDialogsTakeArithmeticWhenAskedAndStayOpenWhileAnEntryDoesNotRead)
{
    struct Case
    {
        const wchar_t* attribute;
        const char* item;
        const char* refused;
        Answer then;
        Strings rows;
    };
    const Answer value;
    const std::vector<Case> cases = {
        {L"intArray", "Value", "2*(3", value.showing("Value", "2*(3").text("Value", "+=7/2"), {"4|0"}},
        {L"floatArray", "Value", "1/0", value.text("Value", L"(1+2)\u00f74"), {"0.750000|0"}},
        {L"vector3Array", "Y Value", "((1", value.text("Y Value", "-2*3"), {"0.000000|-6.000000|0.000000|0"}},
        {L"doubleArray", "Value", "1/0", Answer(wxID_CANCEL), {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(wxString(c.attribute));
        Scene scene(1);
        db::Attribute* array = scene.attribute(0, c.attribute);
        auto* widget = wxtest::show(
            static_cast<dbui::ArrayWidgetBase*>(dbui::makeAttributeWidget(array->getDef(), wxtest::frame())));
        widget->setAttribute(array);
        widget->setInputOptions(dbui::AttributeWidget::ArithmeticInput);
        wxtest::ChoosePopupMenuItem choose("Add Value");
        wxTEST_DIALOG(rightClick(widget->getListControl(), -1), value.text(c.item, c.refused), c.then);
        EXPECT_EQ(rowsOf(widget->getListControl()), c.rows);
        widget->Destroy();
    }
}

TEST(ArrayWidgets, ARowsMenuDeletesTheSelectionAndOtherKeysGoToTheList)
{
    Scene scene(1);
    auto* array = scene.attribute(0, L"intArray")->asIntArrayAttribute();
    array->setValues({10, 11, 12, 13, 14});
    auto* widget = makeWidget<dbui::IntArrayWidget>();
    widget->setAttribute(array);
    wxUtils::OrkListControl* list = widget->getListControl();

    selectRows(list, {1, 3});
    wxtest::key(list, WXK_DOWN);
    EXPECT_EQ(array->getSize(), 5u);
    {
        // A row's menu holds only "Delete".
        wxtest::ChoosePopupMenuItem choose("Delete");
        selectRows(list, {1, 3});
        rightClick(list, 3);
        EXPECT_EQ(choose.shownLabels(), (Strings{"Delete"}));
    }
    EXPECT_EQ(rowsOf(list), (Strings{"10|0", "12|1", "14|2"}));
}
