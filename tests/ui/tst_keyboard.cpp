// The main window's keyboard interface: initial focus, tab order, arrow keys
// on buttons, accelerators (with Alt and as a letter alone on a button),
// Enter and Space on buttons, Alt+F4. Keys go to the focus widget, as real
// key presses do.

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <map>
#include <memory>

#include "fresh_directory.h"
#include "accelerators.h"
#include "main_window.h"

using wendra::EncodingKind;
using wendra::TForm1;

namespace {

void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), k, mods);
}

QString focusName() {
  QWidget* w = QApplication::focusWidget();
  return w ? w->objectName() : QStringLiteral("<none>");
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FreshWorkingDirectory> dir_;
  std::unique_ptr<TForm1> form_;
  std::map<QString, std::unique_ptr<QSignalSpy>> clicks_;

  QWidget* component(const QString& name) const {
    return form_->findChild<QWidget*>(name);
  }
  void focus(const QString& name) {
    component(name)->setFocus(Qt::OtherFocusReason);
    QCOMPARE(focusName(), name);
  }
  void enableStepping() {
    form_->Button1->setEnabled(true);
    form_->Button3->setEnabled(true);
  }
  // Names of the buttons clicked since init(), with their counts.
  QStringList clicked() const {
    QStringList names;
    for (const auto& [name, spy] : clicks_)
      if (spy->count() > 0) names << QStringLiteral("%1x%2").arg(name).arg(spy->count());
    return names;
  }

 private slots:
  void init();
  void cleanup();

  void firstActivationFocusesClose();
  void tabOrder_data();
  void tabOrder();
  void acceleratorLetters_data();
  void acceleratorLetters();
  void accelerators_data();
  void accelerators();
  void labelPassesOnWhenItsControlIsDisabled();
  void unclaimedAltLetterDoesNotType();
  void enterOnInitialFocusClosesTheWindow();
  void enterAndSpacePressTheFocusedButton_data();
  void enterAndSpacePressTheFocusedButton();
  void arrowsMoveWithinThePanel_data();
  void arrowsMoveWithinThePanel();
  void altF4ClosesTheWindow();
};

void KeyboardTest::init() {
  dir_ = std::make_unique<FreshWorkingDirectory>();
  form_ = std::make_unique<TForm1>(EncodingKind::kRandomKey);
  for (QPushButton* b : form_->findChildren<QPushButton*>())
    clicks_[b->objectName()] = std::make_unique<QSignalSpy>(b, &QPushButton::clicked);
  form_->show();
  form_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void KeyboardTest::cleanup() {
  clicks_.clear();
  form_.reset();
  dir_.reset();
}

void KeyboardTest::firstActivationFocusesClose() {
  QCOMPARE(focusName(), QStringLiteral("CloseButton"));
}

void KeyboardTest::tabOrder_data() {
  QTest::addColumn<bool>("steppingEnabled");
  QTest::addColumn<QStringList>("order");  // from CloseButton, Tab by Tab, back to it
  const QStringList panel1 = {"CloseButton", "PopEdit",   "PCrossValue", "PMutValue",
                              "CreateButton", "WidthEdit", "HeightEdit"};
  QTest::newRow("before Create") << false
                                 << panel1 + QStringList{"StepCount", "RefreshCount", "Button2"};
  QTest::newRow("stepping enabled")
      << true << panel1 + QStringList{"Button3", "Button1", "StepCount", "RefreshCount", "Button2"};
}

void KeyboardTest::tabOrder() {
  QFETCH(bool, steppingEnabled);
  QFETCH(QStringList, order);
  if (steppingEnabled) enableStepping();
  QStringList forward{focusName()};
  for (int i = 0; i < order.size(); ++i) {
    key(Qt::Key_Tab);
    forward << focusName();
  }
  QCOMPARE(forward, order + QStringList{order.first()});

  QStringList backward{focusName()};
  for (int i = 0; i < order.size(); ++i) {
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    backward.prepend(focusName());
  }
  QCOMPARE(backward, order + QStringList{order.first()});
}

void KeyboardTest::acceleratorLetters_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("letter");
  QTest::newRow("first letter") << "&Create" << "C";
  QTest::newRow("inside") << "Pc&ross:" << "R";
  QTest::newRow("lower case") << "P&mut:" << "M";
  QTest::newRow("none") << "Close" << "";
  QTest::newRow("literal ampersand") << "a&&b" << "";
  QTest::newRow("after a literal ampersand") << "a&&&b" << "B";
  QTest::newRow("trailing ampersand") << "x&" << "";
  QTest::newRow("first one counts") << "&One &Step" << "O";
}

void KeyboardTest::acceleratorLetters() {
  QFETCH(QString, caption);
  QFETCH(QString, letter);
  const QChar c = wendra::acceleratorOf(caption);
  QCOMPARE(c.isNull() ? QString() : QString(c), letter);
}

void KeyboardTest::accelerators_data() {
  QTest::addColumn<QString>("from");  // the control that has the focus
  QTest::addColumn<bool>("steppingEnabled");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QString>("focusAfter");
  QTest::addColumn<QStringList>("clicked");
  const int alt = Qt::AltModifier;
  const int altShift = Qt::AltModifier | Qt::ShiftModifier;
  const int none = Qt::NoModifier;
  const int shift = Qt::ShiftModifier;
  auto row = [](const char* name, const char* from, bool stepping, Qt::Key k, int mods,
                const char* focusAfter, QStringList clicked) {
    QTest::newRow(name) << from << stepping << int(k) << mods << focusAfter << clicked;
  };
  // Labels move the focus to their control.
  row("Alt+P", "CloseButton", false, Qt::Key_P, alt, "PopEdit", {});
  row("Alt+R reaches Pcross, not Refresh", "CloseButton", false, Qt::Key_R, alt, "PCrossValue", {});
  row("Alt+R from RefreshCount", "RefreshCount", false, Qt::Key_R, alt, "PCrossValue", {});
  row("Alt+R from PCrossValue", "PCrossValue", false, Qt::Key_R, alt, "PCrossValue", {});
  row("Alt+M", "StepCount", false, Qt::Key_M, alt, "PMutValue", {});
  row("Alt+W", "Button2", false, Qt::Key_W, alt, "WidthEdit", {});
  row("Alt+H", "PopEdit", false, Qt::Key_H, alt, "HeightEdit", {});
  row("Alt+Shift+P", "CloseButton", false, Qt::Key_P, altShift, "PopEdit", {});
  // Buttons are clicked at once and do not take the focus.
  row("Alt+C", "PopEdit", false, Qt::Key_C, alt, "PopEdit", {"CreateButtonx1"});
  row("Alt+S", "WidthEdit", false, Qt::Key_S, alt, "WidthEdit", {"Button2x1"});
  row("Alt+O while disabled", "CloseButton", false, Qt::Key_O, alt, "CloseButton", {});
  row("Alt+B while disabled", "PopEdit", false, Qt::Key_B, alt, "PopEdit", {});
  row("Alt+O when enabled", "CloseButton", true, Qt::Key_O, alt, "CloseButton", {"Button1x1"});
  row("Alt+B when enabled", "StepCount", true, Qt::Key_B, alt, "StepCount", {"Button3x1"});
  // The letter alone, while a button has the focus.
  row("C on Close", "CloseButton", false, Qt::Key_C, none, "CloseButton", {"CreateButtonx1"});
  row("Shift+C on Stop", "Button2", false, Qt::Key_C, shift, "Button2", {"CreateButtonx1"});
  row("R on Stop", "Button2", false, Qt::Key_R, none, "PCrossValue", {});
  row("S on Stop clicks it", "Button2", false, Qt::Key_S, none, "Button2", {"Button2x1"});
  row("O on Close while disabled", "CloseButton", false, Qt::Key_O, none, "CloseButton", {});
  row("B on One Step", "Button1", true, Qt::Key_B, none, "Button1", {"Button3x1"});
  // ... but not while an input has it: the letter belongs to the input.
  row("C in PopEdit", "PopEdit", false, Qt::Key_C, none, "PopEdit", {});
  row("R in StepCount", "StepCount", false, Qt::Key_R, none, "StepCount", {});
  // Letters nobody claims.
  row("Alt+X", "CloseButton", false, Qt::Key_X, alt, "CloseButton", {});
  row("X on Close", "CloseButton", false, Qt::Key_X, none, "CloseButton", {});
}

void KeyboardTest::accelerators() {
  QFETCH(QString, from);
  QFETCH(bool, steppingEnabled);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QString, focusAfter);
  QFETCH(QStringList, clicked);
  if (steppingEnabled) enableStepping();
  focus(from);
  ::key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  // Synchronous: no waiting for Qt's delayed mnemonic click.
  QCOMPARE(this->clicked(), clicked);
  QCOMPARE(focusName(), focusAfter);
  // The same key once more: a label's control keeps the focus, a button is
  // clicked again.
  ::key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(focusName(), focusAfter);
  for (const QString& c : clicked)
    QCOMPARE(clicks_.at(c.section(u'x', 0, 0))->count(), 2);
}

void KeyboardTest::labelPassesOnWhenItsControlIsDisabled() {
  // "Pc&ross:" claims R only while its control can take the focus; then the
  // letter goes on to "&Refresh:" in the bottom panel.
  form_->PCrossValue->setEnabled(false);
  key(Qt::Key_R, Qt::AltModifier);
  QCOMPARE(focusName(), QStringLiteral("RefreshCount"));
  form_->PCrossValue->setEnabled(true);
  key(Qt::Key_R, Qt::AltModifier);
  QCOMPARE(focusName(), QStringLiteral("PCrossValue"));
}

void KeyboardTest::unclaimedAltLetterDoesNotType() {
  focus(QStringLiteral("PopEdit"));
  form_->PopEdit->deselect();
  form_->PopEdit->end(false);
  key(Qt::Key_5, Qt::AltModifier);
  key(Qt::Key_X, Qt::AltModifier);
  key(Qt::Key_O, Qt::AltModifier);  // claimed by a disabled button: nobody
  QCOMPARE(form_->PopEdit->text(), QStringLiteral("100"));
  key(Qt::Key_5);  // without Alt the digit is typed
  QCOMPARE(form_->PopEdit->text(), QStringLiteral("1005"));
  QCOMPARE(clicked(), QStringList());
}

void KeyboardTest::enterOnInitialFocusClosesTheWindow() {
  QCOMPARE(focusName(), QStringLiteral("CloseButton"));
  key(Qt::Key_Return);
  QCOMPARE(clicked(), QStringList{"CloseButtonx1"});
  QVERIFY(!form_->isVisible());
}

void KeyboardTest::enterAndSpacePressTheFocusedButton_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<int>("key");
  QTest::addColumn<QStringList>("clicked");
  QTest::newRow("Enter on Create") << "CreateButton" << int(Qt::Key_Return)
                                   << QStringList{"CreateButtonx1"};
  QTest::newRow("keypad Enter on Stop") << "Button2" << int(Qt::Key_Enter)
                                        << QStringList{"Button2x1"};
  QTest::newRow("Space on Stop") << "Button2" << int(Qt::Key_Space) << QStringList{"Button2x1"};
  QTest::newRow("Enter in an input") << "WidthEdit" << int(Qt::Key_Return) << QStringList{};
}

void KeyboardTest::enterAndSpacePressTheFocusedButton() {
  QFETCH(QString, from);
  QFETCH(int, key);
  QFETCH(QStringList, clicked);
  focus(from);
  ::key(Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
  QCOMPARE(this->clicked(), clicked);
  QCOMPARE(focusName(), from);
  QVERIFY(form_->isVisible());
}

void KeyboardTest::arrowsMoveWithinThePanel_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<bool>("steppingEnabled");
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("to");
  auto row = [](const char* name, const char* from, bool stepping, Qt::Key k, const char* to) {
    QTest::newRow(name) << from << stepping << int(k) << to;
  };
  row("Close Down", "CloseButton", false, Qt::Key_Down, "PopEdit");
  row("Close Right", "CloseButton", false, Qt::Key_Right, "PopEdit");
  row("Close Up wraps in its panel", "CloseButton", false, Qt::Key_Up, "HeightEdit");
  row("Close Left wraps in its panel", "CloseButton", false, Qt::Key_Left, "HeightEdit");
  row("Create Down", "CreateButton", false, Qt::Key_Down, "WidthEdit");
  row("Create Left", "CreateButton", false, Qt::Key_Left, "PMutValue");
  row("Stop Right skips disabled", "Button2", false, Qt::Key_Right, "StepCount");
  row("Stop Up", "Button2", false, Qt::Key_Up, "RefreshCount");
  row("Stop Down wraps to Batch", "Button2", true, Qt::Key_Down, "Button3");
  row("Batch Left wraps to Stop", "Button3", true, Qt::Key_Left, "Button2");
  row("Batch Right", "Button3", true, Qt::Key_Right, "Button1");
  row("One Step Down", "Button1", true, Qt::Key_Down, "StepCount");
  // An input keeps its arrow keys (the caret, the steps).
  row("Left in PopEdit", "PopEdit", false, Qt::Key_Left, "PopEdit");
  row("Right in RefreshCount", "RefreshCount", false, Qt::Key_Right, "RefreshCount");
}

void KeyboardTest::arrowsMoveWithinThePanel() {
  QFETCH(QString, from);
  QFETCH(bool, steppingEnabled);
  QFETCH(int, key);
  QFETCH(QString, to);
  if (steppingEnabled) enableStepping();
  focus(from);
  ::key(Qt::Key(key));
  QCOMPARE(focusName(), to);
  QCOMPARE(clicked(), QStringList());
}

void KeyboardTest::altF4ClosesTheWindow() {
  focus(QStringLiteral("PMutValue"));
  key(Qt::Key_F4, Qt::AltModifier);
  QVERIFY(!form_->isVisible());
  QCOMPARE(clicked(), QStringList());
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
