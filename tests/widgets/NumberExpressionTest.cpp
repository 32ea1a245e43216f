#include "NumberExpression.h"
#include "WidgetTestSupport.h"

#include <dbui/FloatWidget.h>
#include <dbui/IntWidget.h>
#include <dbui/Vector3AttributeWidget.h>

using dbui::detail::NumberEntry;
using dbui::detail::readNumberEntry;
using widgettest::pressEnter;
using widgettest::Scene;
using widgettest::typeInto;

namespace
{

struct Case
{
    const wchar_t* text;
    NumberEntry::Operation operation;
    double operand;
};

NumberEntry read(const std::wstring& text, bool expectRead = true)
{
    NumberEntry entry;
    std::wstring why;
    EXPECT_EQ(readNumberEntry(text, entry, why), expectRead) << wxString(text) << ": " << wxString(why);
    EXPECT_EQ(why.empty(), expectRead) << wxString(text);
    return entry;
}

} // namespace

TEST(NumberExpressionTest, ExpressionsAndRelativeEditsAreWorkedOut)
{
    const Case cases[] = {
        {L"2*3.5", NumberEntry::Set, 7.0},    {L"(1+2)/4", NumberEntry::Set, 0.75},
        {L"1+2*3", NumberEntry::Set, 7.0},    {L"(1+2)*3", NumberEntry::Set, 9.0},
        {L"8/2/2", NumberEntry::Set, 2.0},    {L"10-4-3", NumberEntry::Set, 3.0},
        {L"-(2+3)", NumberEntry::Set, -5.0},  {L"2*-3", NumberEntry::Set, -6.0},
        {L"--4", NumberEntry::Set, 4.0},      {L" 1e2 + 1.5e-1 ", NumberEntry::Set, 100.15},
        {L".5*4", NumberEntry::Set, 2.0},     {L"6\u00f73\u00d72\u22121", NumberEntry::Set, 3.0},
        {L"+=0.5", NumberEntry::Add, 0.5},    {L" -= 1", NumberEntry::Subtract, 1.0},
        {L"*=2", NumberEntry::Multiply, 2.0}, {L"/=(2+2)", NumberEntry::Divide, 4.0},
        {L"+=-1", NumberEntry::Add, -1.0},
    };
    for (const Case& c : cases)
    {
        const NumberEntry entry = read(c.text);
        EXPECT_FALSE(entry.plain) << wxString(c.text);
        EXPECT_EQ(entry.operation, c.operation) << wxString(c.text);
        EXPECT_DOUBLE_EQ(entry.operand, c.operand) << wxString(c.text);
    }
    NumberEntry entry = read(L"*=3");
    EXPECT_EQ(entry.applyTo(-2.0), -6.0);
    entry = read(L"-=0.5");
    EXPECT_EQ(entry.applyTo(2.0), 1.5);
}

TEST(NumberExpressionTest, PlainNumbersAreLeftToTheLenientRules)
{
    // Signs where a number may carry one do not make arithmetic of it.
    for (const wchar_t* text : {L"42", L"-4", L"+7", L"1.5e+3", L"2e-2x", L"12 apples", L"", L"abc", L"- 5", L"3,75"})
        EXPECT_TRUE(read(text).plain) << wxString(text);
}

TEST(NumberExpressionTest, WhatCannotBeWorkedOutIsRefused)
{
    for (const wchar_t* text : {L"2*", L"(1+2", L"1+2)", L"2*x", L"=3", L"*", L"1/0", L"/=0", L"1/(2-2)", L"2**3",
                                L"1e308*10", L"+=", L"()", L"2e*3",
                                L"((((((((((((((((((((((((((((((((((((((((((((("
                                L"((((((((((((((((((((((1))))))))))))))))))))))))))"
                                L"))))))))))))))))))))))))))))))))))))))))))"})
        read(text, false);
}

// --------------------------------------------------------------------------- in the widgets

TEST(NumberExpressionTest, BoxesWorkOutArithmeticOnlyWhenAskedAndRefuseWithTheTextKept)
{
    Scene scene(3);
    for (int i = 0; i < 3; ++i)
        scene.attribute(i, L"int")->asIntAttribute()->setValue(10 * (i + 1));
    scene.database.clearUndoHistory();
    auto* widget = wxtest::show(new dbui::IntWidget(wxtest::frame(), wxSize(80, -1), 0, wxDefaultValidator, "Int"));
    widget->setAttributes(scene.attributes(L"int"));
    wxUtils::OrkSimpleTextCtrl* box = widget->getTextBox();

    typeInto(box, "2*3");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(2, L"int")->asIntAttribute()->getValue(), 2) << "without the option, read leniently";

    widget->setInputOptions(dbui::AttributeWidget::ArithmeticInput);
    wxString refusal;
    widget->Bind(dbui::EVT_ATTRIBUTE_INPUT_REFUSED, [&](wxCommandEvent& event) { refusal = event.GetString(); });
    typeInto(box, "+=2000");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"int")->asIntAttribute()->getValue(), 1000) << "clamped at the maximum";
    scene.database.undo();
    typeInto(box, "/=4");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"int")->asIntAttribute()->getValue(), 1) << "0.5 rounds away from zero";

    const unsigned int steps = scene.undoSize();
    typeInto(box, "2*(3");
    pressEnter(box);
    EXPECT_FALSE(refusal.empty());
    EXPECT_EQ(box->getText(), "2*(3");
    EXPECT_TRUE(box->isModified()) << "still to be put right";
    EXPECT_EQ(scene.undoSize(), steps);
}

TEST(NumberExpressionTest, AVectorCellStepsEachNodeFromItsOwnValueInOneUndoStep)
{
    Scene scene(200);
    for (int i = 0; i < 200; ++i)
        scene.attribute(i, L"vector3")->asVector3Attribute()->setValue(OrkP::Vector3(0.0f, float(i), 0.0f));
    scene.database.clearUndoHistory();
    auto* widget =
        wxtest::show(new dbui::Vector3AttributeWidget(wxtest::frame(), wxDefaultSize, 0, wxDefaultValidator, "V"));
    widget->setAttributes(scene.attributes(L"vector3"));
    widget->setInputOptions(dbui::AttributeWidget::ArithmeticInput);
    wxUtils::OrkSimpleTextCtrl* y = widgettest::boxesOf(widget)[1];

    typeInto(y, "*= 2");
    pressEnter(y);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(scene.attribute(i, L"vector3")->asVector3Attribute()->getValue()[1], 2.0f * float(i));
    EXPECT_EQ(scene.undoSize(), 1u);
    scene.database.undo();
    EXPECT_EQ(scene.attribute(199, L"vector3")->asVector3Attribute()->getValue()[1], 199.0f);
}
