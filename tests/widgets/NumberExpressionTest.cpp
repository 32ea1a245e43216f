#include "NumberExpression.h"
#include "WidgetTestSupport.h"

#include <dbui/IntWidget.h>
#include <dbui/Vector3AttributeWidget.h>

using dbui::detail::NumberEntry;
using widgettest::pressEnter;
using widgettest::typeInto;

namespace
{

NumberEntry read(const std::wstring& text, bool expectRead = true)
{
    NumberEntry entry;
    std::wstring why;
    EXPECT_EQ(dbui::detail::readNumberEntry(text, entry, why), expectRead) << wxString(text) << ": " << wxString(why);
    EXPECT_EQ(why.empty(), expectRead) << wxString(text);
    return entry;
}

} // namespace

TEST(NumberExpressionTest, EntriesAreWorkedOutLeftToTheLenientRulesOrRefused)
{
    // Each entry applied to an attribute holding 10: a value replaces it, a relative edit works on it.
    const std::pair<const wchar_t*, double> worked[] = {
        {L"(1+2)/4", 0.75},
        {L"1+2*3", 7.0},
        {L"8/2/2", 2.0},
        {L"10-4-3", 3.0},
        {L"-(2+3)", -5.0},
        {L"2*-3", -6.0},
        {L"--4", 4.0},
        {L".5*4", 2.0},
        {L"+=0.5", 10.5},
        {L" -= 1", 9.0},
        {L"*=2", 20.0},
        {L"/=(2+2)", 2.5},
        {L" 1e2 + 1.5e-1 ", 100.15},
        {L"6\u00f73\u00d72\u22121", 3.0},
    };
    for (const auto& [text, value] : worked)
    {
        const NumberEntry entry = read(text);
        EXPECT_FALSE(entry.plain) << wxString(text);
        EXPECT_DOUBLE_EQ(entry.applyTo(10.0), value) << wxString(text);
    }
    // Signs where a number may carry one do not make arithmetic of it.
    for (const wchar_t* text : {L"42", L"-4", L"+7", L"1.5e+3", L"2e-2x", L"12 apples", L"", L"abc", L"- 5", L"3,75"})
        EXPECT_TRUE(read(text).plain) << wxString(text);
    for (const wchar_t* text : {L"2*", L"(1+2", L"1+2)", L"2*x", L"=3", L"*", L"1/0", L"/=0", L"1/(2-2)", L"2**3",
                                L"1e308*10", L"+=", L"()", L"2e*3",
                                L"((((((((((((((((((((((((((((((((((((((((((((("
                                L"((((((((((((((((((((((1))))))))))))))))))))))))))"
                                L"))))))))))))))))))))))))))))))))))))))))))"})
        read(text, false);
}

TEST(NumberExpressionTest, BoxesWorkOutArithmeticOnlyWhenAskedEachFromItsOwnValueOrRefuse)
{
    widgettest::Scene scene(3);
    for (int i = 0; i < 3; ++i)
        scene.attribute(i, L"vector3")->asVector3Attribute()->setValue(OrkP::Vector3(0.0f, float(i), 0.0f));
    scene.database.clearUndoHistory();
    auto* widget = wxtest::show(new dbui::IntWidget(wxtest::frame(), wxSize(80, -1), 0, wxDefaultValidator, "Int"));
    widget->setAttributes(scene.attributes(L"int"));
    wxUtils::OrkSimpleTextCtrl* box = widget->getTextBox();

    typeInto(box, "2*3");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(2, L"int")->asIntAttribute()->getValue(), 2) << "without the option, read leniently";
    widget->setInputOptions(dbui::AttributeWidget::ArithmeticInput);
    typeInto(box, "+=2000");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"int")->asIntAttribute()->getValue(), 1000) << "clamped at the maximum";
    typeInto(box, "-=999.5");
    pressEnter(box);
    EXPECT_EQ(scene.attribute(0, L"int")->asIntAttribute()->getValue(), 1) << "0.5 rounds away from zero";

    const unsigned int steps = scene.undoSize();
    typeInto(box, "2*(3");
    pressEnter(box);
    EXPECT_EQ(scene.undoSize(), steps) << "refused";

    // A vector's cell steps each node's own component, in one undo step.
    auto* vector =
        wxtest::show(new dbui::Vector3AttributeWidget(wxtest::frame(), wxDefaultSize, 0, wxDefaultValidator, "V"));
    vector->setAttributes(scene.attributes(L"vector3"));
    vector->setInputOptions(dbui::AttributeWidget::ArithmeticInput);
    wxUtils::OrkSimpleTextCtrl* y = widgettest::boxesOf(vector)[1];
    typeInto(y, "*= 2");
    pressEnter(y);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(scene.attribute(i, L"vector3")->asVector3Attribute()->getValue()[1], 2.0f * float(i));
    EXPECT_EQ(scene.undoSize(), steps + 1);
    scene.database.undo();
    EXPECT_EQ(scene.attribute(2, L"vector3")->asVector3Attribute()->getValue()[1], 2.0f);
}
