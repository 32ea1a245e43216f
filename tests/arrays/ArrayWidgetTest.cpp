#include "ArraysTestSupport.h"

#include <dbui/BoolArrayWidget.h>
#include <dbui/DoubleArrayWidget.h>
#include <dbui/FloatArrayWidget.h>
#include <dbui/IntArrayWidget.h>
#include <dbui/Matrix34ArrayWidget.h>
#include <dbui/StringArrayWidget.h>
#include <dbui/Vector3ArrayWidget.h>

#include <db/BoolArrayAttribute.h>
#include <db/DoubleArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>

#include <gtest/gtest.h>

using arraystest::columnTexts;
using arraystest::rightClick;
using arraystest::Scene;
using arraystest::selectRows;
using Dialog = wxUtils::OrkSimpleMultiOptionDialog;
using Strings = std::vector<wxString>;

namespace
{

template <class W> W* makeWidget(const wxString& name)
{
    return wxtest::show(new W(wxtest::frame(), wxDefaultSize, 0, name));
}

/// Chooses "Add Value" below the rows and answers its dialog with `answer`;
/// the menu shown.
Strings addThroughMenu(wxUtils::OrkListControl* list, const wxExpectModal<Dialog>& answer)
{
    wxtest::ChoosePopupMenuItem choose("Add Value");
    wxTEST_DIALOG(rightClick(list, -1), answer);
    return choose.shownLabels();
}

} // namespace

TEST(ScalarArrayWidgets, RowsShowValueThenIndexInEachFormat)
{
    Scene scene(1);
    scene.attribute(0, L"intArray")->asIntArrayAttribute()->setValues({7, -2});
    scene.attribute(0, L"floatArray")->asFloatArrayAttribute()->setValues({1.5f});
    scene.attribute(0, L"doubleArray")->asDoubleArrayAttribute()->setValues({0.1});
    scene.attribute(0, L"boolArray")->asBoolArrayAttribute()->setValues({true, false});
    scene.attribute(0, L"stringArray")->asStringArrayAttribute()->setValues({L"a b", L""});
    // The list of `widget` once bound to the named attribute.
    const auto listOf = [&](auto* widget, const wchar_t* attribute)
    {
        widget->setAttribute(scene.attribute(0, attribute));
        return widget->getListControl();
    };
    wxUtils::OrkListControl* ints = listOf(makeWidget<dbui::IntArrayWidget>("IntArrayWidget"), L"intArray");
    EXPECT_EQ(columnTexts(ints, 0), (Strings{"7", "-2"}));
    EXPECT_EQ(columnTexts(ints, 1), (Strings{"0", "1"}));
    EXPECT_EQ(columnTexts(listOf(makeWidget<dbui::FloatArrayWidget>("FloatArrayWidget"), L"floatArray")),
              (Strings{"1.500000"}));
    EXPECT_EQ(columnTexts(listOf(makeWidget<dbui::DoubleArrayWidget>("DoubleArrayWidget"), L"doubleArray")),
              (Strings{"0.100000"}));
    EXPECT_EQ(columnTexts(listOf(makeWidget<dbui::BoolArrayWidget>("BoolArrayWidget"), L"boolArray")),
              (Strings{"true", "false"}));
    wxUtils::OrkListControl* strings = listOf(makeWidget<dbui::StringArrayWidget>("StringArrayWidget"), L"stringArray");
    EXPECT_EQ(columnTexts(strings, 0), (Strings{"a b", ""}));
    EXPECT_EQ(columnTexts(strings, 1), (Strings{"0", "1"}));
}

TEST(ScalarArrayWidgets, ArraysThatDifferShowNothingAndEqualOnesShowTheFirst)
{
    Scene scene(2);
    scene.attribute(0, L"intArray")->asIntArrayAttribute()->setValues({1, 2});
    scene.attribute(1, L"intArray")->asIntArrayAttribute()->setValues({1, 3});
    auto* widget = makeWidget<dbui::IntArrayWidget>("IntArrayWidget");
    widget->setAttributes({scene.attribute(0, L"intArray"), scene.attribute(1, L"intArray")});
    EXPECT_EQ(widget->getListControl()->getItemCount(), 0u);

    // Making them equal reaches the widget as a change and fills the list.
    scene.attribute(1, L"intArray")->asIntArrayAttribute()->setElement(1, 2);
    EXPECT_EQ(columnTexts(widget->getListControl(), 0), (Strings{"1", "2"}));

    // A delete edits only the first attribute, so the arrays differ again.
    selectRows(widget->getListControl(), {0});
    wxtest::key(widget->getListControl(), WXK_DELETE);
    EXPECT_EQ(scene.attribute(1, L"intArray")->getSize(), 2u);
    EXPECT_EQ(widget->getListControl()->getItemCount(), 0u);
}

TEST(ScalarArrayWidgets, AddDialogConvertsTextLikeTheCLibraryAndCancelChangesNothing)
{
    Scene scene(1);
    auto* array = scene.attribute(0, L"intArray")->asIntArrayAttribute();
    auto* widget = makeWidget<dbui::IntArrayWidget>("IntArrayWidget");
    widget->setAttribute(array);
    wxUtils::OrkListControl* list = widget->getListControl();

    const std::pair<const char*, int> answers[] = {
        {"12abc", wxID_OK}, {"abc", wxID_OK}, {"-4", wxID_OK}, {"99", wxID_CANCEL}};
    for (const auto& [text, answer] : answers)
    {
        EXPECT_EQ(addThroughMenu(
                      list, wxExpectModal<Dialog>(answer).items({"Value"}).showing("Value", "0").text("Value", text)),
                  (Strings{"Add Value"}));
    }
    EXPECT_EQ(array->getValues(), (std::vector<int>{12, 0, -4}));
    // The list follows each add, the newest element last.
    EXPECT_EQ(columnTexts(list, 0), (Strings{"12", "0", "-4"}));

    auto* floats = makeWidget<dbui::FloatArrayWidget>("FloatArrayWidget");
    floats->setAttribute(scene.attribute(0, L"floatArray"));
    addThroughMenu(floats->getListControl(), wxExpectModal<Dialog>().text("Value", "2.5"));
    EXPECT_EQ(columnTexts(floats->getListControl(), 0), (Strings{"2.500000"}));
}

TEST(ScalarArrayWidgets, BoolAndStringDialogsOfferTheirOwnItems)
{
    Scene scene(1);
    auto* bools = makeWidget<dbui::BoolArrayWidget>("BoolArrayWidget");
    bools->setAttribute(scene.attribute(0, L"boolArray"));
    addThroughMenu(bools->getListControl(), wxExpectModal<Dialog>().items({"Value"}));
    addThroughMenu(bools->getListControl(), wxExpectModal<Dialog>().check("Value", true));
    EXPECT_EQ(columnTexts(bools->getListControl(), 0), (Strings{"false", "true"}));

    auto* strings = makeWidget<dbui::StringArrayWidget>("StringArrayWidget");
    strings->setAttribute(scene.attribute(0, L"stringArray"));
    addThroughMenu(strings->getListControl(), wxExpectModal<Dialog>().showing("Value", ""));
    EXPECT_EQ(scene.attribute(0, L"stringArray")->asStringArrayAttribute()->getValues(),
              (std::vector<std::wstring>{L""}));
}

TEST(ScalarArrayWidgets, DeletingSelectedRowsIsOneUndoStep)
{
    Scene scene(1);
    auto* array = scene.attribute(0, L"intArray")->asIntArrayAttribute();
    array->setValues({10, 11, 12, 13, 14});
    scene.database.clearUndoHistory();
    auto* widget = makeWidget<dbui::IntArrayWidget>("IntArrayWidget");
    widget->setAttribute(array);
    wxUtils::OrkListControl* list = widget->getListControl();

    selectRows(list, {1, 3});
    {
        // A row's menu holds only "Delete".
        wxtest::ChoosePopupMenuItem choose("Delete");
        rightClick(list, 3);
        EXPECT_EQ(choose.shownLabels(), (Strings{"Delete"}));
    }
    EXPECT_EQ(array->getValues(), (std::vector<int>{10, 12, 14}));
    EXPECT_EQ(columnTexts(list, 1), (Strings{"0", "1", "2"}));
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(scene.topUndo(), L"Delete array item(s)");

    ASSERT_TRUE(scene.database.undo());
    EXPECT_EQ(columnTexts(list, 0), (Strings{"10", "11", "12", "13", "14"}));

    // The Delete key does the same; other keys are left to the list.
    selectRows(list, {0, 1, 4});
    wxtest::key(list, WXK_DOWN);
    EXPECT_EQ(array->getSize(), 5u);
    selectRows(list, {0, 1, 4});
    wxtest::key(list, WXK_DELETE);
    EXPECT_EQ(array->getValues(), (std::vector<int>{12, 13}));
}

TEST(VectorAndMatrixArrayWidgets, ColumnsRowsAndAddDialogs)
{
    Scene scene(1);
    auto* vectors = scene.attribute(0, L"vector3Array")->asVector3ArrayAttribute();
    vectors->setValues({OrkP::Vector3(1, 2, 3)});
    auto* vectorWidget = makeWidget<dbui::Vector3ArrayWidget>("Vector3ArrayWidget");
    vectorWidget->setAttribute(vectors);
    wxUtils::OrkListControl* list = vectorWidget->getListControl();
    EXPECT_EQ(list->getItemText(list->getItem(0), 0), "1.000000");
    EXPECT_EQ(list->getItemText(list->getItem(0), 2), "3.000000");
    EXPECT_EQ(list->getItemText(list->getItem(0), 3), "0");
    addThroughMenu(list, wxExpectModal<Dialog>()
                             .items({"X Value", "Y Value", "Z Value"})
                             .text("X Value", "4")
                             .text("Y Value", "oops")
                             .text("Z Value", "-1.25"));
    ASSERT_EQ(vectors->getSize(), 2u);
    EXPECT_EQ(vectors->getElement(1), OrkP::Vector3(4, 0, -1.25f));

    auto* matrices = scene.attribute(0, L"matrix34Array")->asMatrix34ArrayAttribute();
    auto* matrixWidget = makeWidget<dbui::Matrix34ArrayWidget>("Matrix34ArrayWidget");
    matrixWidget->setAttribute(matrices);
    list = matrixWidget->getListControl();
    std::vector<wxString> names;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            names.push_back(wxString::Format("r%dc%d", r, c));
    for (int i = 0; i < 2; ++i)
        addThroughMenu(list, wxExpectModal<Dialog>().items(names).showing("r1c1", "1").showing("r3c0", "0"));
    ASSERT_EQ(matrices->getSize(), 2u);
    EXPECT_EQ(matrices->getElement(1), OrkP::Matrix34::identity());
    EXPECT_EQ(columnTexts(list, 3), (Strings{"0", "0", "0", "1", "1", "1"}));
    EXPECT_EQ(columnTexts(list, 1), (Strings{"0.000000", "1.000000", "0.000000", "0.000000", "1.000000", "0.000000"}));
}

TEST(VectorAndMatrixArrayWidgets, MatrixRowsDeleteTheirElementOnce)
{
    Scene scene(1);
    auto* matrices = scene.attribute(0, L"matrix34Array")->asMatrix34ArrayAttribute();
    OrkP::Matrix34 scaled;
    scaled.set(0, 0, 2);
    OrkP::Matrix34 moved;
    moved.set(3, 1, 5);
    matrices->setValues({OrkP::Matrix34(), scaled, moved});
    scene.database.clearUndoHistory();
    auto* widget = makeWidget<dbui::Matrix34ArrayWidget>("Matrix34ArrayWidget");
    widget->setAttribute(matrices);
    wxUtils::OrkListControl* list = widget->getListControl();
    ASSERT_EQ(list->getItemCount(), 9u);

    // Two rows of the first element and the last row of the third.
    selectRows(list, {1, 2, 8});
    wxtest::key(list, WXK_DELETE);
    ASSERT_EQ(matrices->getSize(), 1u);
    EXPECT_EQ(matrices->getElement(0), scaled);
    EXPECT_EQ(scene.undoSize(), 1u);
    EXPECT_EQ(columnTexts(list, 0), (Strings{"2.000000", "0.000000", "0.000000"}));
}
