// The in-place editors: when each one commits, what it reports, and how its row shows the value.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "PropertyTreeFixture.h"
#include "property_tree/AddressFieldEdit.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressCtrl.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/StaticPropertyItem.h"
#include "tests/support/Eventually.h"

namespace kestrine::ui::test {
namespace {

class EditorItems : public PropertyTreeTest {
 protected:
  void SetUp() override {
    PropertyTreeTest::SetUp();
    category_ = AddCategory(QStringLiteral("System"));
    spare_ = AddPlainRow(category_, QStringLiteral("Spare"));
  }

  CEditPropertyItem* AddEdit(int id, std::uint32_t flags = 0, std::uint32_t extraStyle = 0) {
    auto* edit = AddRow(category_, std::make_unique<CEditPropertyItem>(id), QStringLiteral("Edit %1").arg(id));
    EXPECT_TRUE(edit->CreateEditor(flags, extraStyle));
    return edit;
  }
  CComboPropertyItem* AddCombo(int id, const QStringList& options) {
    auto* combo = AddRow(category_, std::make_unique<CComboPropertyItem>(id), QStringLiteral("Combo %1").arg(id));
    EXPECT_TRUE(combo->CreateEditor());
    for (const QString& option : options) combo->AddString(option);
    return combo;
  }
  CIPAddressPropertyItem* AddAddress(int id) {
    auto* address = AddRow(category_, std::make_unique<CIPAddressPropertyItem>(id), QStringLiteral("Addr %1").arg(id));
    EXPECT_TRUE(address->CreateEditor());
    return address;
  }

  CPropertyItem* category_ = nullptr;
  CPropertyItem* spare_ = nullptr;
};

// ---- Text edit ----------------------------------------------------------------------------------------

TEST_F(EditorItems, EditorsNeedTheirControlAndAreMadeOnce) {
  CEditPropertyItem loose(1);
  EXPECT_FALSE(loose.CreateEditor(PROP_EDIT_NUMBER));
  EXPECT_FALSE(loose.HasEditFlag(PROP_EDIT_NUMBER));
  loose.SetIntValue(5);
  EXPECT_EQ(loose.GetWindowText(), QString());
  CComboPropertyItem looseCombo(2);
  EXPECT_FALSE(looseCombo.CreateEditor());
  EXPECT_EQ(looseCombo.AddString(QStringLiteral("x")), -1);
  CIPAddressPropertyItem looseAddress(3);
  EXPECT_FALSE(looseAddress.CreateEditor());
  EXPECT_EQ(looseAddress.GetDisplayText(), QStringLiteral("0.0.0.0"));

  CEditPropertyItem* edit = AddEdit(10001, PROP_EDIT_NUMBER);
  QWidget* first = edit->GetEditor();
  EXPECT_FALSE(edit->CreateEditor(0));
  EXPECT_EQ(edit->GetEditor(), first);
  EXPECT_EQ(first->parentWidget(), &List());
  EXPECT_FALSE(first->isVisible());
  EXPECT_TRUE(edit->HasEditFlag(PROP_EDIT_NUMBER));
}

TEST_F(EditorItems, EnterCommitsOnceAndTheFollowingFocusLossSendsNothing) {
  CEditPropertyItem* edit = AddEdit(10015);
  edit->SetWindowText(QStringLiteral("Service"));
  ShowActive();
  Click(ValuePoint(*edit));
  QLineEdit* line = edit->GetLineEdit();
  ASSERT_TRUE(line->hasFocus());
  EXPECT_EQ(line->cursorPosition(), 0);  // a long text shows its start
  EXPECT_FALSE(line->hasSelectedText());
  QTest::keyClick(line, Qt::Key_End);
  QTest::keyClicks(line, QStringLiteral(" 1"));
  QTest::keyClick(line, Qt::Key_Return);
  ASSERT_EQ(commands_, std::vector<int>{10015});
  EXPECT_FALSE(line->isVisible());
  EXPECT_TRUE(List().hasFocus());
  EXPECT_EQ(edit->GetWindowText(), QStringLiteral("Service 1"));

  Click(LabelPoint(*spare_));
  Outside().setFocus();
  EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(EditorItems, ClickingAnotherRowCommitsBeforeThatRowBecomesCurrent) {
  CEditPropertyItem* edit = AddEdit(10016);
  ShowActive();
  Click(ValuePoint(*edit));
  ASSERT_TRUE(edit->GetLineEdit()->hasFocus());
  Click(LabelPoint(*spare_));
  ASSERT_EQ(commands_, std::vector<int>{10016});
  EXPECT_EQ(currentAtCommand_.front(), edit);
  EXPECT_EQ(Tree().GetCurrentItem(), spare_);
  EXPECT_FALSE(edit->GetLineEdit()->isVisible());
}

TEST_F(EditorItems, AnEditCommitsWhenTheFocusLeavesForAnyWindow) {
  CEditPropertyItem* edit = AddEdit(10006, PROP_EDIT_NUMBER);
  ShowActive();
  Click(ValuePoint(*edit));
  ASSERT_TRUE(edit->GetLineEdit()->hasFocus());
  Outside().setFocus();
  EXPECT_EQ(commands_, std::vector<int>{10006});
}

TEST_F(EditorItems, NumberEditorsTakeDigitsOnly) {
  CEditPropertyItem* edit = AddEdit(10047, PROP_EDIT_NUMBER);
  ShowActive();
  Click(ValuePoint(*edit));
  QTest::keyClicks(edit->GetLineEdit(), QStringLiteral("-1a2 3"));
  EXPECT_EQ(edit->GetWindowText(), QStringLiteral("123"));
  edit->SetIntValue(-100);  // the program may still set any number
  EXPECT_EQ(edit->GetWindowText(), QStringLiteral("-100"));
}

TEST_F(EditorItems, PasswordRowsShowOneStarPerCharacter) {
  CEditPropertyItem* edit = AddEdit(10008, PROP_EDIT_PASSWORD);
  edit->SetWindowText(QStringLiteral("abc"));
  EXPECT_EQ(edit->GetDisplayText(), QStringLiteral("***"));
  EXPECT_EQ(edit->GetLineEdit()->echoMode(), QLineEdit::Password);
  edit->SetWindowText(QString());
  EXPECT_EQ(edit->GetDisplayText(), QString());
  CEditPropertyItem* plain = AddEdit(10009);
  plain->SetWindowText(QStringLiteral("ULDRULDR"));
  EXPECT_EQ(plain->GetDisplayText(), QStringLiteral("ULDRULDR"));
}

TEST_F(EditorItems, MultilineRowsAre75HighAndEnterBreaksTheLineOnlyWithWantReturn) {
  CEditPropertyItem* notes = AddEdit(20001, PROP_EDIT_MULTILINE, PROP_EDIT_WANTRETURN);
  EXPECT_EQ(notes->GetRowHeight(), 75);
  CEditPropertyItem* single = AddEdit(20002, PROP_EDIT_MULTILINE);
  ShowActive();
  EXPECT_EQ(notes->GetValueRect().height(), 74);

  Click(ValuePoint(*notes));
  QPlainTextEdit* text = notes->GetTextEdit();
  ASSERT_TRUE(text->hasFocus());
  QTest::keyClicks(text, QStringLiteral("one"));
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClicks(text, QStringLiteral("two"));
  EXPECT_EQ(notes->GetWindowText(), QStringLiteral("one\ntwo"));
  EXPECT_TRUE(commands_.empty());

  Click(ValuePoint(*single));  // the click commits the first editor
  ASSERT_TRUE(single->GetTextEdit()->hasFocus());
  QTest::keyClick(single->GetTextEdit(), Qt::Key_Return);
  EXPECT_EQ(commands_, (std::vector<int>{20001, 20002}));
  EXPECT_EQ(single->GetWindowText(), QString());
}

TEST_F(EditorItems, CommandIdZeroReportsNothingButStillEdits) {
  CEditPropertyItem* edit = AddEdit(0);
  ShowActive();
  Click(ValuePoint(*edit));
  ASSERT_TRUE(edit->GetLineEdit()->hasFocus());
  QTest::keyClick(edit->GetLineEdit(), Qt::Key_Return);
  EXPECT_TRUE(commands_.empty());
  EXPECT_FALSE(edit->GetLineEdit()->isVisible());
}

TEST_F(EditorItems, RemovingAnItemOrItsControlWhileEditingCommitsNothing) {
  CEditPropertyItem* edit = AddEdit(10015);
  CIPAddressPropertyItem* address = AddAddress(10002);
  ShowActive();
  Click(ValuePoint(*edit));
  ASSERT_TRUE(edit->GetLineEdit()->hasFocus());
  Tree().RemoveItem(edit);
  EXPECT_TRUE(commands_.empty());

  Click(ValuePoint(*address));
  ASSERT_TRUE(address->GetEditor()->GetField(0)->hasFocus());
  DestroyHost();
  EXPECT_TRUE(commands_.empty());
}

// ---- Drop-down list -----------------------------------------------------------------------------------

TEST_F(EditorItems, ComboEntriesAndSelectionWorkLikeTheDropDownListTheyStandFor) {
  CComboPropertyItem* combo = AddCombo(10010, {QStringLiteral("unlock"), QStringLiteral("lock")});
  EXPECT_EQ(combo->GetCount(), 2);
  EXPECT_EQ(combo->GetCurSel(), -1);  // adding never selects
  EXPECT_EQ(combo->GetWindowText(), QString());
  EXPECT_EQ(combo->SetCurSel(1), 1);
  EXPECT_EQ(combo->GetWindowText(), QStringLiteral("lock"));
  EXPECT_EQ(combo->SetCurSel(5), -1);
  EXPECT_EQ(combo->GetCurSel(), -1);
  combo->SetCurSel(0);
  EXPECT_EQ(combo->AddString(QStringLiteral("later")), 2);
  EXPECT_EQ(combo->GetCurSel(), 0);
  combo->ResetContent();
  EXPECT_EQ(combo->GetCount(), 0);
  EXPECT_TRUE(commands_.empty());  // what the program does is never reported
}

TEST_F(EditorItems, EverySelectionChangeReportsAtOnceAndClosingWithoutChangeReportsNothing) {
  CComboPropertyItem* combo = AddCombo(10043, {QStringLiteral("stereo"), QStringLiteral("single")});
  combo->SetCurSel(0);
  ShowActive();
  Click(ValuePoint(*combo));
  QComboBox* box = combo->GetEditor();
  ASSERT_TRUE(box->hasFocus());
  EXPECT_EQ(box->geometry(), combo->GetValueRect());

  std::vector<int> selectionAtCommand;
  QObject::connect(&Tree(), &CPropertyTreeCtrl::ItemCommand, box,
                   [&](int, CPropertyItem*) { selectionAtCommand.push_back(combo->GetCurSel()); });
  QTest::keyClick(box, Qt::Key_Down);
  QTest::keyClick(box, Qt::Key_Up);
  EXPECT_EQ(commands_, (std::vector<int>{10043, 10043}));
  EXPECT_EQ(selectionAtCommand, (std::vector<int>{1, 0}));

  Click(LabelPoint(*spare_));  // ends the edit
  EXPECT_FALSE(box->isVisible());
  EXPECT_EQ(commands_.size(), 2u);

  Click(ValuePoint(*combo));
  Click(LabelPoint(*spare_));
  EXPECT_EQ(commands_.size(), 2u);
}

TEST_F(EditorItems, TheHostMayRebuildTheListFromInsideTheReport) {
  CComboPropertyItem* combo = AddCombo(10041, {QStringLiteral("64"), QStringLiteral("96"), QStringLiteral("112")});
  combo->SetCurSel(0);
  QObject::connect(&Tree(), &CPropertyTreeCtrl::ItemCommand, &Tree(), [combo](int, CPropertyItem*) {
    const int chosen = combo->GetCurSel();
    combo->ResetContent();
    for (const char* entry : {"32", "48", "56", "64"}) combo->AddString(QString::fromLatin1(entry));
    combo->SetCurSel(chosen);
  });
  ShowActive();
  Click(ValuePoint(*combo));
  QTest::keyClick(combo->GetEditor(), Qt::Key_Down);
  EXPECT_EQ(commands_, std::vector<int>{10041});
  EXPECT_EQ(combo->GetCount(), 4);
  EXPECT_EQ(combo->GetWindowText(), QStringLiteral("48"));
}

TEST_F(EditorItems, TheOpenedListDropsBelowTheRowAndDoesNotEndTheEdit) {
  QStringList options;
  for (int i = 0; i < 10; ++i) options << QString::number(64 + 32 * i);
  CComboPropertyItem* combo = AddCombo(10041, options);
  ShowActive();
  Click(ValuePoint(*combo));
  QComboBox* box = combo->GetEditor();
  box->showPopup();
  QWidget* popup = box->view()->window();
  ASSERT_TRUE(kestrine::test::Eventually([&] {
    QCoreApplication::processEvents();
    return popup->isVisible();
  }));
  EXPECT_TRUE(box->isVisible());
  const QRect row = combo->GetValueRect();
  const QPoint below = List().mapToGlobal(QPoint(row.left(), row.top() + row.height()));
  EXPECT_GE(popup->geometry().top(), below.y() - 1);
  EXPECT_LE(popup->height(), combo->GetDropDownHeight() + 2 * row.height());
  box->hidePopup();
  EXPECT_TRUE(commands_.empty());
  EXPECT_TRUE(box->isVisible());
}

TEST_F(EditorItems, ReadOnlyCombosNeverOpen) {
  CComboPropertyItem* combo = AddCombo(10007, {QStringLiteral("udp"), QStringLiteral("rtp")});
  combo->SetReadOnly(true);
  ShowActive();
  Click(ValuePoint(*combo));
  EXPECT_EQ(Tree().GetCurrentItem(), combo);
  EXPECT_FALSE(combo->GetEditor()->isVisible());
}

// ---- IP address ---------------------------------------------------------------------------------------

TEST_F(EditorItems, AddressRowsShowDottedDecimal) {
  CIPAddressPropertyItem* address = AddAddress(10002);
  EXPECT_EQ(address->GetDisplayText(), QStringLiteral("0.0.0.0"));
  address->SetAddress(0xC0A8010Au);
  EXPECT_EQ(address->GetDisplayText(), QStringLiteral("192.168.1.10"));
  EXPECT_EQ(address->GetAddress(), 0xC0A8010Au);
}

TEST_F(EditorItems, AddressFieldsAreLaidOutInTheValueRectangle) {
  CIPAddressPropertyItem* address = AddAddress(10005);
  ShowActive();
  Tree().SetDividerPos(190);  // value rectangle 195..400: 205 wide
  ASSERT_EQ(address->GetValueRect().width(), 205);
  Click(ValuePoint(*address));
  CIPAddressCtrl* editor = address->GetEditor();
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->geometry(), address->GetValueRect());
  const int expected[] = {5, 55, 105, 155};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(editor->GetField(i)->geometry(), QRect(expected[i], 0, 45, 20)) << i;
  }
}

TEST_F(EditorItems, MovingBetweenOctetFieldsCommitsNothingAndAnotherRowCommitsOnce) {
  CIPAddressPropertyItem* address = AddAddress(10005);
  address->SetAddress(0xE0010101u);
  ShowActive();
  Click(ValuePoint(*address));
  CIPAddressCtrl* editor = address->GetEditor();
  ASSERT_TRUE(editor->GetField(0)->hasFocus());
  QTest::mouseClick(editor->GetField(2), Qt::LeftButton);
  ASSERT_TRUE(editor->GetField(2)->hasFocus());
  QTest::mouseClick(editor->GetField(1), Qt::LeftButton);
  EXPECT_TRUE(commands_.empty());
  EXPECT_TRUE(editor->isVisible());

  Click(LabelPoint(*spare_));
  EXPECT_EQ(commands_, std::vector<int>{10005});
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(Tree().GetCurrentItem(), spare_);
}

TEST_F(EditorItems, AnotherWindowLeavesTheAddressEditorOpenUntilTheFocusMovesWithinTheControl) {
  CIPAddressPropertyItem* address = AddAddress(10005);
  ShowActive();
  Click(ValuePoint(*address));
  CIPAddressCtrl* editor = address->GetEditor();
  ASSERT_TRUE(editor->GetField(0)->hasFocus());

  QWidget another;
  another.show();
  another.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&another));
  EXPECT_TRUE(commands_.empty());
  Host().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Host()));
  EXPECT_TRUE(commands_.empty());
  EXPECT_TRUE(editor->isVisible());
  EXPECT_TRUE(editor->GetField(0)->hasFocus());

  Click(LabelPoint(*spare_));
  EXPECT_EQ(commands_, std::vector<int>{10005});
  EXPECT_FALSE(editor->isVisible());
}

TEST_F(EditorItems, AFocusMoveOutsideTheControlLeavesTheAddressOpenAndTheNextRowCommitsIt) {
  CIPAddressPropertyItem* address = AddAddress(10005);
  ShowActive();
  Click(ValuePoint(*address));
  CIPAddressCtrl* editor = address->GetEditor();
  QTest::keyClicks(editor->GetField(0), QStringLiteral("10"));

  Outside().setFocus();  // same window, outside the control
  EXPECT_TRUE(commands_.empty());
  EXPECT_TRUE(editor->isVisible());
  EXPECT_TRUE(address->HasEditorFocus());

  Click(LabelPoint(*spare_));
  EXPECT_EQ(commands_, std::vector<int>{10005});
  EXPECT_FALSE(editor->isVisible());
  EXPECT_FALSE(address->HasEditorFocus());  // the row shows its value again
  EXPECT_EQ(address->GetDisplayText(), QStringLiteral("10.0.0.0"));
}

TEST_F(EditorItems, TypedAddressesReachTheHostOnCommit) {
  CIPAddressPropertyItem* address = AddAddress(10005);
  std::uint32_t seen = 0;
  QObject::connect(&Tree(), &CPropertyTreeCtrl::ItemCommand, &Tree(),
                   [&](int, CPropertyItem* item) { seen = static_cast<CIPAddressPropertyItem*>(item)->GetAddress(); });
  ShowActive();
  Click(ValuePoint(*address));
  for (const QChar c : QStringLiteral("239.1.2.3")) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  EXPECT_TRUE(commands_.empty());
  Click(LabelPoint(*spare_));
  EXPECT_EQ(seen, 0xEF010203u);
  EXPECT_EQ(address->GetDisplayText(), QStringLiteral("239.1.2.3"));
}

TEST_F(EditorItems, StaticRowsShowTheirTextFromTheNextPaint) {
  auto* version = AddRow(category_, std::make_unique<CStaticPropertyItem>(), QStringLiteral("version"));
  EXPECT_EQ(version->GetValueText(), QString());
  version->SetValueText(QStringLiteral("V2.3 build 17"));
  EXPECT_EQ(version->GetValueText(), QStringLiteral("V2.3 build 17"));
  version->BeginEdit();
  version->EndEdit();
  EXPECT_TRUE(commands_.empty());
}

}  // namespace
}  // namespace kestrine::ui::test
