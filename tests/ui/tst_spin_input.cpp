// SpinInput driven by real key, mouse and focus events (offscreen). The seven
// rows below are the window's parameter inputs.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QElapsedTimer>
#include <QWheelEvent>

#include <stdexcept>

#include "spin_input.h"

using wendra::SpinInput;

namespace {

SpinInput::Setup row(const QString& name) {
  for (const wendra::InputParameter* input : wendra::kInputParameters) {
    if (name == QLatin1String(input->name)) return SpinInput::Setup::of(*input);
  }
  qFatal("no such input");
}

// A window with the input under test, a second input and a button, so that
// the focus has somewhere to go. It records the keys that reach it.
class Host : public QWidget {
 public:
  Host() {
    resize(300, 200);
    input = new SpinInput(this);
    input->setGeometry(10, 10, 80, 21);
    other = new SpinInput(this);
    other->setGeometry(10, 40, 80, 21);
    button = new QPushButton(QStringLiteral("Go"), this);
    button->setGeometry(10, 70, 80, 25);
    label = new QLabel(QStringLiteral("&Pop:"), this);
    label->setGeometry(100, 10, 60, 13);
    label->setBuddy(input);
  }
  QList<int> keys;
  SpinInput* input;
  SpinInput* other;
  QPushButton* button;
  QLabel* label;

 protected:
  void keyPressEvent(QKeyEvent* e) override { keys << e->key(); }
};

// The repeat tests run real presses, moves and releases against the clock.
// An attempt during which the event loop stalled for more than 40 ms (a busy
// machine) cannot be judged and is repeated.
constexpr int kAttempts = 5;

// Runs the event loop until `ms` after the press; false when a stall made the
// timing unreliable.
bool runUntil(const QElapsedTimer& sincePress, qint64 ms) {
  qint64 last = sincePress.elapsed();
  bool steady = true;
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 now = sincePress.elapsed();
    if (now - last > 40) steady = false;
    last = now;
    if (now >= ms) return steady && now < ms + 40;
    QThread::msleep(1);
  }
}

}  // namespace

class TestSpinInput : public QObject {
  Q_OBJECT

 private:
  Host* host = nullptr;
  int beeps = 0;

  SpinInput* setUp(const QString& name) {
    host->input->configure(row(name));
    host->input->setFocus(Qt::OtherFocusReason);
    host->input->deselect();
    return host->input;
  }

 private slots:
  void initTestCase() {
    SpinInput::setBeepHandler([this] { ++beeps; });
  }
  void cleanupTestCase() { SpinInput::setBeepHandler({}); }

  void init() {
    beeps = 0;
    host = new Host;
    host->show();
    QVERIFY(QTest::qWaitForWindowActive(host));
  }
  void cleanup() {
    delete host;
    host = nullptr;
  }

  void initialTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("PopEdit") << "PopEdit" << "100";
    QTest::newRow("PCrossValue") << "PCrossValue" << "0.50000";
    QTest::newRow("PMutValue") << "PMutValue" << "0.07000";
    QTest::newRow("WidthEdit") << "WidthEdit" << "10";
    QTest::newRow("HeightEdit") << "HeightEdit" << "10";
    QTest::newRow("StepCount") << "StepCount" << "100";
    QTest::newRow("RefreshCount") << "RefreshCount" << "1";
  }
  void initialTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    SpinInput* in = setUp(name);
    QCOMPARE(in->text(), text);
    QCOMPARE(in->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  }

  void typing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beepCount");
    QTest::newRow("float digit") << "PCrossValue" << "0.5" << "5" << "0.55" << 0;
    QTest::newRow("float second separator") << "PCrossValue" << "0.5" << "." << "0.5" << 1;
    QTest::newRow("float e then E") << "PCrossValue" << "0.5" << "eE" << "0.5e" << 1;
    QTest::newRow("float second E") << "PMutValue" << "1E5" << "e" << "1E5" << 1;
    QTest::newRow("float full real") << "PMutValue" << "" << "-1.5e-3" << "-1.5e-3" << 0;
    QTest::newRow("float letters") << "PMutValue" << "" << "a x" << "" << 3;
    QTest::newRow("float comma refused") << "PMutValue" << "" << "1,5" << "15" << 1;
    QTest::newRow("int digits") << "PopEdit" << "" << "12" << "12" << 0;
    QTest::newRow("int separator") << "PopEdit" << "" << "1.5" << "15" << 1;
    QTest::newRow("int E") << "PopEdit" << "" << "1e5E" << "15" << 2;
    QTest::newRow("signs anywhere") << "PopEdit" << "" << "1-2+" << "1-2+" << 0;
    QTest::newRow("no hex typing") << "PopEdit" << "" << "$x" << "" << 2;
  }
  void typing() {
    QFETCH(QString, name);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, beepCount);
    SpinInput* in = setUp(name);
    in->setText(start);
    QTest::keyClicks(in, typed);
    QCOMPARE(in->text(), text);
    QCOMPARE(beeps, beepCount);
  }

  // The whole text counts, selected or not: with 0.50000 selected a typed
  // separator is still a second one.
  void selectionDoesNotHideSeparator() {
    SpinInput* in = setUp("PCrossValue");
    in->selectAll();
    QTest::keyClick(in, Qt::Key_Period);
    QCOMPARE(in->text(), QStringLiteral("0.50000"));
    QCOMPARE(beeps, 1);
    QTest::keyClick(in, Qt::Key_7);
    QCOMPARE(in->text(), QStringLiteral("7"));
  }

  void controlKeysPass() {
    SpinInput* in = setUp("PopEdit");
    QTest::keyClick(in, Qt::Key_Backspace);
    QCOMPARE(in->text(), QStringLiteral("10"));
    QTest::keyClick(in, Qt::Key_Home);
    QTest::keyClick(in, Qt::Key_Delete);
    QCOMPARE(in->text(), QStringLiteral("0"));
    QTest::keyClick(in, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(in->selectedText(), QStringLiteral("0"));
    QCOMPARE(beeps, 0);
  }

  void pasteInsertsUnchecked() {
    SpinInput* in = setUp("PopEdit");
    QApplication::clipboard()->setText(QStringLiteral("1.5e3 abc"));
    in->selectAll();
    QTest::keyClick(in, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(in->text(), QStringLiteral("1.5e3 abc"));
    QCOMPARE(beeps, 0);
    QCOMPARE(in->value(), 2.0L);  // unreadable: the fallback
  }

  void altLetterIsNotTyped() {
    SpinInput* in = setUp("PMutValue");
    QTest::keyClick(in, Qt::Key_E, Qt::AltModifier);
    QTest::keyClick(in, Qt::Key_5, Qt::AltModifier);
    QCOMPARE(in->text(), QStringLiteral("0.07000"));
  }

  void dialogKeysGoToTheWindow_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
  }
  void dialogKeysGoToTheWindow() {
    QFETCH(int, key);
    SpinInput* in = setUp("PopEdit");
    QTest::keyClick(in, Qt::Key(key));
    QCOMPARE(in->text(), QStringLiteral("100"));
    QCOMPARE(host->keys, QList<int>{key});
    QCOMPARE(beeps, 0);
  }

  void arrowKeysStepAndAreConsumed() {
    SpinInput* in = setUp("StepCount");
    QTest::keyClick(in, Qt::Key_Up);
    QCOMPARE(in->text(), QStringLiteral("101"));
    QTest::keyClick(in, Qt::Key_Down);
    QTest::keyClick(in, Qt::Key_Down);
    QCOMPARE(in->text(), QStringLiteral("99"));
    QVERIFY(host->keys.isEmpty());
    // Auto-repeated presses step too.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(in, &repeat);
    QCOMPARE(in->text(), QStringLiteral("100"));
  }

  void pageKeysAndWheelDoNotStep() {
    SpinInput* in = setUp("StepCount");
    QTest::keyClick(in, Qt::Key_PageUp);
    QTest::keyClick(in, Qt::Key_PageDown);
    const QPointF at(20, 10);
    QWheelEvent wheel(at, in->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(in, &wheel);
    QVERIFY(!wheel.isAccepted());  // left to the window
    QCOMPARE(in->text(), QStringLiteral("100"));
    QCOMPARE(host->keys, (QList<int>{Qt::Key_PageUp, Qt::Key_PageDown}));
  }

  void stepping_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("steps");  // negative: down
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("notifications");
    QTest::newRow("ten up to the top") << "PCrossValue" << "0.50000" << 10 << "1.00000" << 10;
    QTest::newRow("up at the top") << "PCrossValue" << "1.00000" << 1 << "1.00000" << 0;
    QTest::newRow("twenty down from the top") << "PCrossValue" << "1.00000" << -20 << "0.00000" << 20;
    QTest::newRow("unbounded below zero") << "PMutValue" << "0.00000" << -1 << "-0.01000" << 1;
    QTest::newRow("typed text is reformatted") << "PCrossValue" << "0.5" << 1 << "0.55000" << 1;
    QTest::newRow("empty reads as fallback") << "PopEdit" << "" << 1 << "3" << 1;
    QTest::newRow("unreadable reads as fallback") << "PCrossValue" << "1-2" << 1 << "0.05000" << 1;
    QTest::newRow("below range clamps") << "WidthEdit" << "1" << 1 << "4" << 1;
    QTest::newRow("above range clamps") << "WidthEdit" << "300" << -1 << "100" << 1;
    QTest::newRow("hex text") << "PopEdit" << "$10" << 1 << "17" << 1;
    QTest::newRow("case only") << "PMutValue" << "1e20" << 1 << "1E20" << 0;
    QTest::newRow("top of StepCount") << "StepCount" << "100000" << 1 << "100000" << 0;
  }
  void stepping() {
    QFETCH(QString, name);
    QFETCH(QString, start);
    QFETCH(int, steps);
    QFETCH(QString, text);
    QFETCH(int, notifications);
    SpinInput* in = setUp(name);
    in->setText(start);
    in->setModified(false);
    QSignalSpy changed(in, &SpinInput::changed);
    for (int i = 0; i < std::abs(steps); ++i) steps > 0 ? in->stepUp() : in->stepDown();
    QCOMPARE(in->text(), text);
    QCOMPARE(changed.count(), notifications);
    QCOMPARE(in->isModified(), notifications > 0);
  }

  void setValueRoundsAndClamps_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("half to even down") << "PopEdit" << 2.5 << "2";
    QTest::newRow("half to even up") << "PopEdit" << 3.5 << "4";
    QTest::newRow("clamped before rounding") << "PopEdit" << 1.5 << "2";
    QTest::newRow("top") << "PopEdit" << 2e6 << "1000000";
    QTest::newRow("fixed digits") << "PCrossValue" << 0.123456 << "0.12346";
    QTest::newRow("probability clamp") << "PCrossValue" << 2.0 << "1.00000";
    QTest::newRow("probability below") << "PCrossValue" << -0.5 << "0.00000";
    QTest::newRow("no range") << "PMutValue" << -3.0 << "-3.00000";
    QTest::newRow("no range, large") << "PMutValue" << 1e15 << "1E15";
  }
  void setValueRoundsAndClamps() {
    QFETCH(QString, name);
    QFETCH(double, value);
    QFETCH(QString, text);
    SpinInput* in = setUp(name);
    in->setValue(value);
    QCOMPARE(in->text(), text);
  }

  void integerInputWithoutRange() {
    SpinInput* in = setUp("PopEdit");
    in->setMinValue(0);
    in->setMaxValue(0);
    in->setValue(-2.5L);
    QCOMPARE(in->text(), QStringLiteral("-2"));
    in->setValue(1e20L);
    QCOMPARE(in->text(), QStringLiteral("100000000000000000000"));
    QCOMPARE(in->value(), 0.0L);  // beyond 32 bits: unreadable, fallback 0
  }

  void reading_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("PopEdit empty") << "PopEdit" << "" << 2.0;
    QTest::newRow("PopEdit letters") << "PopEdit" << "abc" << 2.0;
    QTest::newRow("PopEdit hex") << "PopEdit" << "0x1F" << 31.0;
    QTest::newRow("PopEdit dollar hex") << "PopEdit" << "$10" << 16.0;
    QTest::newRow("PopEdit overflow") << "PopEdit" << "2147483648" << 2.0;
    QTest::newRow("PopEdit 1-2") << "PopEdit" << "1-2" << 2.0;
    QTest::newRow("WidthEdit unclamped") << "WidthEdit" << "3" << 3.0;
    QTest::newRow("WidthEdit fallback") << "WidthEdit" << "x" << 4.0;
    QTest::newRow("RefreshCount zero") << "RefreshCount" << "0" << 0.0;
    QTest::newRow("StepCount real text") << "StepCount" << "1.5" << 1.0;
    QTest::newRow("PCrossValue empty") << "PCrossValue" << "" << 0.0;
    QTest::newRow("PCrossValue unclamped") << "PCrossValue" << "2" << 2.0;
    QTest::newRow("PCrossValue exponent") << "PCrossValue" << " 5e-1 " << 0.5;
    QTest::newRow("PMutValue overflow") << "PMutValue" << "1e5000" << 0.0;
  }
  void reading() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, value);
    SpinInput* in = setUp(name);
    in->setText(text);
    QCOMPARE(in->value(), static_cast<long double>(value));
  }

  // Every input of the window reads an unreadable text as its fallback.
  void eachInputsFallback() {
    for (const wendra::InputParameter* input : wendra::kInputParameters) {
      SpinInput* in = setUp(QLatin1String(input->name));
      for (const char* text : {"", "x", "1-2", "1e5000", "2147483648x"}) {
        in->setText(QLatin1String(text));
        QCOMPARE(in->value(), input->fallback);
      }
    }
  }

  void fallbackOfIntegerIsTruncated() {
    SpinInput* in = setUp("PopEdit");
    in->setMinValue(2.7L);
    in->setText(QString());
    QCOMPARE(in->value(), 2.0L);
    in->setMinValue(-2.7L);
    QCOMPARE(in->value(), -2.0L);
  }

  void asIntegerAndProbability() {
    SpinInput* in = setUp("PMutValue");
    in->setText(QStringLiteral("-2.9"));
    QCOMPARE(in->asInteger(), -2);
    in->setText(QStringLiteral("4294967297.9"));
    QCOMPARE(in->asInteger(), 1);
    in->setText(QStringLiteral("0.07000"));
    QCOMPARE(in->value(), 0.07L);  // not 0.07 rounded through a double
    QCOMPARE(in->asProbability(), 0.07);
    in->setText(QStringLiteral("1e-400"));
    QCOMPARE(in->asProbability(), 0.0);
    in->setText(QStringLiteral("1e400"));
    QVERIFY_THROWS_EXCEPTION(std::overflow_error, in->asProbability());
  }

  void focusOut_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("how");  // 0 Tab, 1 Backtab, 2 click on the other input
    QTest::addColumn<QString>("text");
    QTest::newRow("PCross 2 clamps") << "PCrossValue" << "2" << 0 << "1.00000";
    QTest::newRow("PCross 0.5 stays") << "PCrossValue" << "0.5" << 0 << "0.5";
    QTest::newRow("PCross empty stays") << "PCrossValue" << "" << 0 << "";
    QTest::newRow("PCross negative, backtab") << "PCrossValue" << "-1" << 1 << "0.00000";
    QTest::newRow("PMut no range") << "PMutValue" << "5" << 0 << "5";
    QTest::newRow("Width 3") << "WidthEdit" << "3" << 0 << "4";
    QTest::newRow("Width 300 by mouse") << "WidthEdit" << "300" << 2 << "100";
    QTest::newRow("Pop empty stays") << "PopEdit" << "" << 0 << "";
    QTest::newRow("Pop unreadable stays") << "PopEdit" << "1-2" << 0 << "1-2";
    QTest::newRow("Refresh 0") << "RefreshCount" << "0" << 2 << "1";
  }
  void focusOut() {
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(int, how);
    QFETCH(QString, text);
    SpinInput* in = setUp(name);
    in->selectAll();
    if (typed.isEmpty()) {
      QTest::keyClick(in, Qt::Key_Backspace);
    } else {
      QTest::keyClicks(in, typed);
    }
    QCOMPARE(in->text(), typed);  // never while typing
    if (how == 2) {
      QTest::mouseClick(host->other, Qt::LeftButton);
    } else {
      QTest::keyClick(in, how == 0 ? Qt::Key_Tab : Qt::Key_Backtab);
    }
    QVERIFY(!in->hasFocus());
    QCOMPARE(in->text(), text);
  }

  void noRecheckWhenAnotherWindowIsActivated() {
    SpinInput* in = setUp("PCrossValue");
    in->setText(QStringLiteral("2"));
    QWidget otherWindow;  // nothing in it takes the focus
    otherWindow.show();
    otherWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&otherWindow));
    QVERIFY(!in->hasFocus());
    QCOMPARE(in->text(), QStringLiteral("2"));
    // Coming back and leaving by Tab re-checks.
    host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host));
    QTRY_VERIFY(in->hasFocus());
    QTest::keyClick(in, Qt::Key_Tab);
    QCOMPARE(in->text(), QStringLiteral("1.00000"));
  }

  void noRecheckForAPopup() {
    SpinInput* in = setUp("PCrossValue");
    in->setText(QStringLiteral("2"));
    QMenu menu(host);
    menu.addAction(QStringLiteral("Item"));
    menu.popup(host->mapToGlobal(QPoint(20, 20)));
    QTRY_VERIFY(menu.isVisible());
    QCOMPARE(in->text(), QStringLiteral("2"));
    menu.close();
    QCOMPARE(in->text(), QStringLiteral("2"));
  }

  void keyboardEntrySelectsAll() {
    SpinInput* in = host->input;
    in->configure(row("PCrossValue"));
    host->other->setFocus();
    QTest::keyClick(host->other, Qt::Key_Backtab);
    QVERIFY(in->hasFocus());
    QCOMPARE(in->selectedText(), QStringLiteral("0.50000"));

    host->other->setFocus();
    QTest::keyClick(host->other, Qt::Key_P, Qt::AltModifier);  // the label's accelerator
    QVERIFY(in->hasFocus());
    QCOMPARE(in->selectedText(), QStringLiteral("0.50000"));
  }

  void mouseEntryPlacesCaret() {
    SpinInput* in = host->input;
    in->configure(row("PCrossValue"));
    host->other->setFocus();
    QTest::mouseClick(in, Qt::LeftButton, {}, QPoint(5, 10));
    QVERIFY(in->hasFocus());
    QVERIFY(!in->hasSelectedText());
    QCOMPARE(in->cursorPosition(), 0);
  }

  void commaLocale() {
    for (SpinInput* input : {host->input, host->other}) input->setNumberSeparators({u',', u'.'});
    SpinInput* in = setUp("PCrossValue");
    QCOMPARE(in->text(), QStringLiteral("0,50000"));
    host->other->configure(row("PMutValue"));
    QCOMPARE(host->other->text(), QStringLiteral("0,07000"));
    QCOMPARE(in->value(), 0.5L);
    in->stepUp();
    QCOMPARE(in->text(), QStringLiteral("0,55000"));

    in->setText(QString());
    QTest::keyClicks(in, QStringLiteral("0.3,2"));
    QCOMPARE(in->text(), QStringLiteral("03,2"));
    QCOMPARE(beeps, 1);
    QTest::keyClick(in, Qt::Key_Comma);
    QCOMPARE(beeps, 2);
    QCOMPARE(in->value(), 3.2L);
    in->setText(QStringLiteral("0.5"));
    QCOMPARE(in->value(), 0.0L);  // a point does not read under a comma locale
  }

  void buttonGeometry_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("button");
    QTest::newRow("80 x 21") << QSize(80, 21) << QRect(60, 1, 18, 18);
    QTest::newRow("69 x 21") << QSize(69, 21) << QRect(49, 1, 18, 18);
    QTest::newRow("90 x 21") << QSize(90, 21) << QRect(70, 1, 18, 18);
    QTest::newRow("100 x 31") << QSize(100, 31) << QRect(70, 1, 28, 28);
  }
  void buttonGeometry() {
    QFETCH(QSize, size);
    QFETCH(QRect, button);
    SpinInput* in = setUp("PopEdit");
    in->resize(size);
    QCOMPARE(in->stepButton()->geometry(), button);
    // Right-aligned text ending at least 2 pixels left of the button.
    in->setText(QStringLiteral("88888"));
    host->other->setFocus();
    const QImage image = in->grab().toImage();
    const QRgb base = in->palette().color(QPalette::Base).rgb();
    int rightmostInk = -1;
    for (int x = 2; x < button.left(); ++x) {
      for (int y = 2; y < size.height() - 2; ++y) {
        if (image.pixel(x, y) != base) rightmostInk = x;
      }
    }
    QVERIFY(rightmostInk <= button.left() - 3);
    QVERIFY(rightmostInk >= button.left() - 8);
  }

  void look() {
    SpinInput* in = setUp("PopEdit");
    const QImage image = in->grab().toImage();
    const QPalette pal = in->palette();
    QCOMPARE(image.pixel(10, 3), pal.color(QPalette::Base).rgb());  // the field
    QCOMPARE(image.pixel(0, 0), pal.color(QPalette::Dark).rgb());   // sunken border
    QCOMPARE(image.pixel(1, 5), pal.color(QPalette::Shadow).rgb());
    QCOMPARE(image.pixel(79, 20), pal.color(QPalette::Light).rgb());
    QWidget* b = in->stepButton();
    const QImage raised = b->grab().toImage();
    QCOMPARE(raised.pixel(0, 0), pal.color(QPalette::Light).rgb());
    QCOMPARE(raised.pixel(17, 17), pal.color(QPalette::Shadow).rgb());

    // The held half is sunken while the pointer is over it.
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(b->grab().toImage().pixel(0, 0), pal.color(QPalette::Shadow).rgb());
    QTest::mouseMove(b, QPoint(15, 15));
    QCOMPARE(b->grab().toImage(), raised);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(15, 15));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(15, 15));
    QCOMPARE(b->grab().toImage().pixel(17, 17), pal.color(QPalette::Light).rgb());
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(15, 15));
    QCOMPARE(b->grab().toImage(), raised);

    const QImage enabledButton = b->grab().toImage();
    in->setEnabled(false);
    QVERIFY(!in->stepButton()->isEnabled());
    QVERIFY(in->stepButton()->grab().toImage() != enabledButton);
  }

  void pressSide_data() {
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("text");
    QTest::newRow("upper left") << QPoint(3, 3) << "101";
    QTest::newRow("on the diagonal") << QPoint(9, 9) << "101";
    QTest::newRow("just below it") << QPoint(9, 10) << "99";
    QTest::newRow("lower left corner") << QPoint(0, 17) << "101";
    QTest::newRow("upper right corner") << QPoint(17, 0) << "101";
    QTest::newRow("right edge, row 1") << QPoint(17, 1) << "101";
    QTest::newRow("right edge, row 2") << QPoint(17, 2) << "99";
    QTest::newRow("lower right") << QPoint(15, 15) << "99";
  }
  void pressSide() {
    QFETCH(QPoint, at);
    QFETCH(QString, text);
    SpinInput* in = setUp("StepCount");
    host->other->setFocus();
    QSignalSpy changed(in, &SpinInput::changed);
    QTest::mousePress(in->stepButton(), Qt::LeftButton, {}, at);
    QVERIFY(in->hasFocus());  // taken before the step
    QCOMPARE(in->text(), text);
    QCOMPARE(changed.count(), 1);
    QTest::mouseRelease(in->stepButton(), Qt::LeftButton, {}, at);
  }

  // A press that reaches the input itself at the button's place steps too.
  void pressThroughTheInput() {
    SpinInput* in = setUp("StepCount");
    QTest::mouseClick(in, Qt::LeftButton, {}, QPoint(75, 17));
    QCOMPARE(in->text(), QStringLiteral("99"));
    QTest::mouseClick(in, Qt::LeftButton, {}, QPoint(62, 3));
    QCOMPARE(in->text(), QStringLiteral("100"));
  }

  void doubleClickStepsOnce() {
    SpinInput* in = setUp("StepCount");
    QTest::mouseDClick(in->stepButton(), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(in->stepButton(), Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(in->text(), QStringLiteral("101"));
  }

  // Steps at 0, 400, 500, 600, 700, 800 and 900 ms.
  void holdRepeats() {
    SpinInput* in = setUp("StepCount");
    QWidget* b = in->stepButton();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      in->setValue(100);
      QSignalSpy changed(in, &SpinInput::changed);
      QElapsedTimer clock;
      clock.start();
      QTest::mousePress(b, Qt::LeftButton, {}, QPoint(4, 4));
      QCOMPARE(in->text(), QStringLiteral("101"));
      bool steady = runUntil(clock, 350);
      const QString at350 = in->text();
      steady = runUntil(clock, 950) && steady;
      QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(4, 4));
      const QString at950 = in->text();
      QTest::qWait(250);
      if (!steady) continue;
      QCOMPARE(at350, QStringLiteral("101"));
      QCOMPARE(at950, QStringLiteral("107"));
      QCOMPARE(changed.count(), 7);
      QCOMPARE(in->text(), QStringLiteral("107"));  // the release ended it
      return;
    }
    QSKIP("the event loop stalled in every attempt");
  }

  void holdDownRepeats() {
    SpinInput* in = setUp("StepCount");
    QWidget* b = in->stepButton();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      in->setValue(100);
      QElapsedTimer clock;
      clock.start();
      QTest::mousePress(b, Qt::LeftButton, {}, QPoint(14, 14));
      const bool steady = runUntil(clock, 650);
      QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(14, 14));
      if (!steady) continue;
      QCOMPARE(in->text(), QStringLiteral("96"));  // 0, 400, 500, 600 ms
      return;
    }
    QSKIP("the event loop stalled in every attempt");
  }

  // Off the pressed half the ticks do nothing; back on it they step again.
  void pointerLeavesAndReturns() {
    SpinInput* in = setUp("StepCount");
    QWidget* b = in->stepButton();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      in->setValue(100);
      QElapsedTimer clock;
      clock.start();
      QTest::mousePress(b, Qt::LeftButton, {}, QPoint(4, 4));
      QTest::mouseMove(b, QPoint(14, 14));  // the other half
      bool steady = runUntil(clock, 450);
      const QString offHalf = in->text();
      QTest::mouseMove(b, QPoint(40, 4));  // off the button
      steady = runUntil(clock, 650) && steady;
      const QString offButton = in->text();
      QTest::mouseMove(b, QPoint(5, 5));
      steady = runUntil(clock, 950) && steady;  // ticks at 700, 800, 900
      QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
      if (!steady) continue;
      QCOMPARE(offHalf, QStringLiteral("101"));
      QCOMPARE(offButton, QStringLiteral("101"));
      QCOMPARE(in->text(), QStringLiteral("104"));
      return;
    }
    QSKIP("the event loop stalled in every attempt");
  }

  // Moves and the release count wherever they are delivered while the button
  // holds the mouse.
  void pointerFollowedAcrossWidgets() {
    SpinInput* in = setUp("StepCount");
    QWidget* b = in->stepButton();
    const auto inHost = [&](QPoint p) { return host->mapFromGlobal(b->mapToGlobal(p)); };
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      in->setValue(100);
      QElapsedTimer clock;
      clock.start();
      QTest::mousePress(b, Qt::LeftButton, {}, QPoint(4, 4));
      QTest::mouseMove(host, inHost(QPoint(4, 40)));
      bool steady = runUntil(clock, 550);
      const QString away = in->text();
      QTest::mouseMove(host, inHost(QPoint(3, 6)));
      steady = runUntil(clock, 750) && steady;  // ticks at 600 and 700
      QTest::mouseRelease(host, Qt::LeftButton, {}, inHost(QPoint(3, 6)));
      const QString atRelease = in->text();
      QTest::qWait(250);
      if (!steady) continue;
      QCOMPARE(away, QStringLiteral("101"));
      QCOMPARE(atRelease, QStringLiteral("103"));
      QCOMPARE(in->text(), QStringLiteral("103"));
      return;
    }
    QSKIP("the event loop stalled in every attempt");
  }

  void repeatStopsWhenDisabled() {
    SpinInput* in = setUp("StepCount");
    QTest::mousePress(in->stepButton(), Qt::LeftButton, {}, QPoint(4, 4));
    in->setEnabled(false);
    QTest::qWait(600);
    QCOMPARE(in->text(), QStringLiteral("101"));
  }

  // Whoever holds the locale hands the separators in; on its own an input
  // uses "." whatever the locale says, and a new separator changes no text.
  void separatorsAreHandedIn() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SpinInput alone;
    alone.configure(row("PCrossValue"));
    QLocale::setDefault(QLocale::system());
    QCOMPARE(alone.text(), QStringLiteral("0.50000"));
    alone.setNumberSeparators({u',', u'.'});
    QCOMPARE(alone.text(), QStringLiteral("0.50000"));
    QCOMPARE(alone.value(), alone.minValue());  // the point no longer reads
    alone.setValue(0.75L);
    QCOMPARE(alone.text(), QStringLiteral("0,75000"));
  }
};

QTEST_MAIN(TestSpinInput)
#include "tst_spin_input.moc"
