#include <gtest/gtest.h>

#include <deque>

#include "platform/os/Cursor.h"
#include "platform/ui/Channel.h"
#include "platform/ui/Cp1252.h"
#include "platform/ui/Scripted.h"

namespace {

class Dialog : public ui::Form {
public:
    Dialog() : ui::Form("TDialog", "Prüfen", 200, 100),
               List(Add<ui::ListBox>("lbItems", true)),
               Ok(Add<ui::Button>("BtnOK")),
               Cancel(Add<ui::Button>("BtnCancel")),
               Count(Add<ui::SpinEdit>("seCount")) {
        Ok.ModalResult = ui::mrOk;
        Ok.Default = true;
        Cancel.ModalResult = ui::mrCancel;
        Cancel.Cancel = true;
        List.OnClick = [this] { ++clicks; Ok.Enabled = List.ItemIndex >= 0; };
        Ok.OnClick = [this] { resultSeenInClick = ModalResult; };
    }
    ui::ListBox& List;
    ui::Button& Ok;
    ui::Button& Cancel;
    ui::SpinEdit& Count;
    int clicks = 0;
    int resultSeenInClick = -1;
};

class Scripted : public ::testing::Test {
protected:
    std::vector<std::string> events;
    std::deque<std::string> answers;
    void SetUp() override {
        ui::SetBackend(std::make_unique<ui::ScriptedBackend>());
        ui::SetResponder([this](const std::string& e) {
            events.push_back(e);
            if (e.rfind("refused", 0) == 0)
                return std::string("ok");
            if (answers.empty())
                return std::string();
            auto a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    void TearDown() override { ui::SetResponder(nullptr); }
};

TEST(ListBox, SortedKeepsAscendingOrderIgnoringCaseAndFollowsTheSelection) {
    Dialog d;
    d.List.Add("b");
    d.List.Add("C");
    d.List.ItemIndex = 1;  // "C"
    d.List.Add("a");
    d.List.Add("B");
    EXPECT_EQ(d.List.Items(), (std::vector<std::string>{"a", "B", "b", "C"}));
    EXPECT_EQ(d.List.SelectedText(), "C");
    ui::ListBox plain(d, "lbPlain", false);
    plain.Add("z");
    plain.Add("a");
    EXPECT_EQ(plain.Items(), (std::vector<std::string>{"z", "a"}));
    EXPECT_THROW(plain.Item(2), std::out_of_range);
}

// A memo's text and its lines: a line break at the end starts no line, an empty line inside
// stays, and lines read back from their own text are the same lines.
TEST(Memo, LinesOfATextAndBack) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"", {}},
        {"ab", {"ab"}},
        {"ab\r\n", {"ab"}},
        {"ab\r\ncd", {"ab", "cd"}},
        {"ab\n\ncd\n", {"ab", "", "cd"}},
        {"\r\n", {""}},
        {"a\rb", {"ab"}}};
    Dialog d;
    ui::Memo memo(d, "mText");
    for (const auto& [text, lines] : rows) {
        EXPECT_EQ(ui::Memo::LinesOf(text), lines) << text;
        memo.SetText(text);
        EXPECT_EQ(memo.Lines, lines) << text;
    }
    memo.Lines = {"ab", "", "cd"};
    EXPECT_EQ(memo.Text(), "ab\r\n\r\ncd");
    EXPECT_EQ(ui::Memo::LinesOf(memo.Text()), memo.Lines);
}

TEST_F(Scripted, ActionsRunHandlersAndCloseWithTheButtonsResult) {
    Dialog d;
    d.List.Add("eins");
    d.List.Add("zwei");
    d.Ok.Enabled = false;
    answers = {"click BtnOK", "select lbItems 1", "click BtnOK"};
    EXPECT_EQ(d.ShowModal(), ui::mrOk);
    // The disabled button was refused, the selection ran the click handler.
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[1], "refused button BtnOK is disabled\n");
    EXPECT_EQ(d.clicks, 1);
    EXPECT_EQ(d.List.SelectedText(), "zwei");
    EXPECT_EQ(d.resultSeenInClick, ui::mrOk);
    EXPECT_EQ(events.back().rfind("closed ", 0), 0u);
}

TEST_F(Scripted, KeysCloseBoxAndSilenceGiveTheExpectedResults) {
    Dialog d;
    answers = {"key esc"};
    EXPECT_EQ(d.ShowModal(), ui::mrCancel);
    answers = {"key enter"};
    EXPECT_EQ(d.ShowModal(), ui::mrOk);
    answers = {"close"};
    EXPECT_EQ(d.ShowModal(), ui::mrCancel);
    answers.clear();  // nobody answers: the dialog is cancelled, not left hanging
    EXPECT_EQ(d.ShowModal(), ui::mrCancel);
}

// As on the real windows: Enter and Esc press the default and the cancel button of a modeless
// form; Esc closes it only through that button's handler, and without one it stays.
TEST_F(Scripted, KeysOnAModelessFormPressItsButtons) {
    auto& backend = dynamic_cast<ui::ScriptedBackend&>(ui::CurrentBackend());
    Dialog d;
    int cancels = 0;
    d.Cancel.OnClick = [&] {
        ++cancels;
        d.Close();
    };
    d.Show();
    EXPECT_EQ(backend.Pump("act 1 key enter"), "");
    EXPECT_EQ(d.resultSeenInClick, ui::mrOk);
    EXPECT_TRUE(d.Showing());
    EXPECT_EQ(d.ModalResult, ui::mrNone);
    EXPECT_EQ(backend.Pump("act 1 key esc"), "");
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(d.Showing());

    d.Cancel.Cancel = false;
    d.Show();
    EXPECT_EQ(backend.Pump("act 2 key esc"), "");
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(d.Showing());
    EXPECT_EQ(backend.Pump("act 2 close"), "");
    EXPECT_FALSE(d.Showing());
}

TEST_F(Scripted, BadActionsAreRefused) {
    Dialog d;
    d.List.Add("eins");
    EXPECT_EQ(ui::ApplyAction(d, "select lbItems 5"), "lbItems has no item 5");
    EXPECT_EQ(ui::ApplyAction(d, "click lbNone"), "the form TDialog has no control lbNone");
    EXPECT_EQ(ui::ApplyAction(d, "set seCount zwölf"), "not a number: zwölf");
    EXPECT_EQ(ui::ApplyAction(d, "set seCount 12"), "");
    EXPECT_EQ(d.Count.Value(), 12);
    EXPECT_EQ(ui::ApplyAction(d, "dance"), "the form TDialog has no control ");
}

TEST_F(Scripted, FormDescriptionCarriesEveryControlAndTheCursor) {
    Dialog d;
    d.List.Add("eins");
    d.List.ItemIndex = 0;
    std::string text;
    {
        os::BusyCursor busy;
        text = ui::DescribeForm(d, 7);
    }
    EXPECT_EQ(text.rfind("form 7 TDialog\ncaption Prüfen\nclient 200 100\n", 0), 0u);
    EXPECT_NE(text.find("cursor busy"), std::string::npos);
    EXPECT_NE(text.find("control lbItems listbox\n"), std::string::npos);
    EXPECT_NE(text.find("item eins\nindex 0\nsorted 1\n"), std::string::npos);
    EXPECT_NE(text.find("control BtnOK button\ntext \nenabled 1"), std::string::npos);
    EXPECT_NE(text.find("default 1"), std::string::npos);
}

TEST_F(Scripted, MessagesReportTypeButtonsAndLinesAndReadTheAnswer) {
    answers = {"yes", "no", "ok"};
    EXPECT_EQ(ui::MessageDlg("Weiter?", ui::MsgType::Confirmation, ui::MsgButtons::YesNo), ui::mrYes);
    EXPECT_EQ(ui::MessageDlg("Weiter?", ui::MsgType::Confirmation, ui::MsgButtons::YesNo), ui::mrNo);
    ui::MessageDlg("Zeile 1\nZeile 2", ui::MsgType::Warning);
    EXPECT_EQ(events[0], "message confirmation yesno\ncursor normal\nline Weiter?\nend\n");
    EXPECT_EQ(events[2], "message warning ok\ncursor normal\nline Zeile 1\nline Zeile 2\nend\n");
    // No answer to a question is No, never Yes.
    EXPECT_EQ(ui::MessageDlg("Löschen?", ui::MsgType::Confirmation, ui::MsgButtons::YesNo), ui::mrNo);
}

TEST_F(Scripted, FileDialogsReturnTheChosenPath) {
    std::string chosen;
    answers = {"file C:\\Daten\\abc t.dbf", "cancel"};
    ui::FileDialogOptions o;
    o.filter = "Transaktionen|*t.dbf";
    EXPECT_TRUE(ui::OpenFileDialog(o, chosen));
    EXPECT_EQ(chosen, "C:\\Daten\\abc t.dbf");
    EXPECT_FALSE(ui::SaveFileDialog(o, chosen));
    EXPECT_NE(events[0].find("filter Transaktionen|*t.dbf"), std::string::npos);
}

// Literals are Windows-1252 in this build; UTF-8 texts are written as u8 literals.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(Cp1252, RoundTripsGermanAndCp1252OnlyCharacters) {
    const std::string utf8 = U8(u8"Gauß-Krüger „Zitat“ – 5 €");
    const std::string cp = ui::Utf8ToCp1252(utf8);
    EXPECT_EQ(cp, "Gauß-Krüger „Zitat“ – 5 €");
    EXPECT_EQ(ui::Cp1252ToUtf8(cp), utf8);
    EXPECT_EQ(ui::Utf16ToCp1252(ui::Cp1252ToUtf16(cp)), cp);
    EXPECT_EQ(ui::Utf8ToCp1252(U8(u8"\u03A9")), "?");
    EXPECT_EQ(ui::Utf8ToCp1252("\xC3"), "?");
    EXPECT_LT(ui::CompareText("apfel", "Birne"), 0);
    EXPECT_LT(ui::CompareText("Äpfel", "äpfeln"), 0);
    EXPECT_EQ(ui::CompareText("abc", "abc"), 0);
}

}  // namespace
