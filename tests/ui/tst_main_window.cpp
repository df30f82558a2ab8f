// The main window as a structure: caption, placement, the docked panels at
// the design size and after resizes, every control's position, size,
// caption, font and initial content, and what screen readers are told.

#include <QAccessible>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "fresh_directory.h"
#include "main_window.h"

using wendra::EncodingKind;
using wendra::NumberSeparators;
using wendra::TForm1;

namespace {

// The default locale for as long as it lives.
struct DefaultLocale {
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(QLocale::system()); }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FreshWorkingDirectory> dir_;
  std::unique_ptr<TForm1> form_;

  QWidget* component(const char* name) const {
    auto* w = form_->findChild<QWidget*>(QLatin1String(name));
    if (!w) qWarning("no component %s", name);
    return w;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<FreshWorkingDirectory>();
    form_ = std::make_unique<TForm1>(EncodingKind::kRandomKey);
  }
  void cleanup() {
    form_.reset();
    dir_.reset();
  }

  void captionFollowsTheProgram_data();
  void captionFollowsTheProgram();
  void windowPlacementAndFont();
  void geometryAtDesignSize_data();
  void geometryAtDesignSize();
  void labelsAtDesignSize_data();
  void labelsAtDesignSize();
  void captionsFontsAndStates_data();
  void captionsFontsAndStates();
  void inputsStartAtTheirDesignValues_data();
  void inputsStartAtTheirDesignValues();
  void statusLabelResizesToItsCaption();
  void resizeDocksThePanels_data();
  void resizeDocksThePanels();
  void cannotShrinkBelowItsControls();
  void onlyTheControlsTakeTheFocus();
  void accessibleNamesOfTheInputs_data();
  void accessibleNamesOfTheInputs();
  void formCreateLeavesAnEmptyEngine();
  void separatorsFollowTheLocale();
};

void MainWindowTest::captionFollowsTheProgram_data() {
  QTest::addColumn<bool>("randomKey");
  QTest::addColumn<QString>("caption");
  QTest::newRow("wendra1") << false << "WENDRA1";
  QTest::newRow("wendra3") << true << "WENDRA3";
}

void MainWindowTest::captionFollowsTheProgram() {
  QFETCH(bool, randomKey);
  QFETCH(QString, caption);
  const EncodingKind encoding = randomKey ? EncodingKind::kRandomKey : EncodingKind::kPath;
  TForm1 form(encoding);
  QCOMPARE(form.windowTitle(), caption);
  QCOMPARE(form.encoding(), encoding);
}

void MainWindowTest::windowPlacementAndFont() {
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  QCOMPARE(form_->pos(), QPoint(238, 106));  // the outer (frame) corner
  QCOMPARE(form_->size(), QSize(705, 520));  // the client area

  const QFontInfo info(form_->font());
  QCOMPARE(info.family(), QStringLiteral("Liberation Sans"));
  QCOMPARE(info.pixelSize(), 11);
  QVERIFY(!info.bold());
  // The design reference holds with this font, so no control is scaled.
  QCOMPARE(form_->textHeight(), TForm1::kDesignTextHeight);
  QCOMPARE(form_->px(268), 268);
}

void MainWindowTest::geometryAtDesignSize_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");  // in the parent
  auto row = [](const char* name, int x, int y, int w, int h) {
    QTest::newRow(name) << QString::fromLatin1(name) << QRect(x, y, w, h);
  };
  row("Panel1", 588, 0, 117, 476);
  row("Panel2", 0, 476, 705, 44);
  row("Panel3", 0, 0, 588, 476);
  row("Chart1", 1, 1, 586, 268);
  row("Panel4", 1, 269, 586, 206);
  row("Image1", 1, 1, 584, 204);
  row("CloseButton", 20, 10, 80, 25);
  row("PopEdit", 20, 80, 80, 21);
  row("PCrossValue", 20, 120, 80, 21);
  row("PMutValue", 20, 160, 80, 21);
  row("CreateButton", 20, 188, 80, 25);
  row("WidthEdit", 12, 392, 90, 21);
  row("HeightEdit", 12, 428, 90, 21);
  row("Button1", 16, 8, 75, 25);
  row("Button3", 104, 8, 75, 25);
  row("StepCount", 188, 10, 69, 21);
  row("RefreshCount", 312, 10, 69, 21);
  row("Button2", 620, 8, 75, 25);
}

void MainWindowTest::geometryAtDesignSize() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  QWidget* w = component(qPrintable(name));
  QVERIFY(w);
  QCOMPARE(w->geometry(), geometry);
}

void MainWindowTest::labelsAtDesignSize_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("parent");
  QTest::addColumn<QPoint>("position");
  QTest::addColumn<QString>("neighbour");  // the control to its right, if any
  auto row = [](const char* name, const char* parent, int x, int y, const char* neighbour) {
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << QPoint(x, y)
                        << QString::fromLatin1(neighbour);
  };
  row("Label2", "Panel1", 20, 64, "");
  row("Label3", "Panel1", 20, 104, "");
  row("Label4", "Panel1", 20, 144, "");
  row("Label5", "Panel1", 8, 284, "GLMax");
  row("GLMax", "Panel1", 40, 284, "");
  row("Label6", "Panel1", 8, 304, "Best");
  row("Best", "Panel1", 78, 304, "");
  row("Label7", "Panel1", 8, 348, "Generation");
  row("Generation", "Panel1", 76, 348, "");
  row("Label8", "Panel1", 12, 376, "");
  row("Label9", "Panel1", 12, 414, "");
  row("Label1", "Panel2", 270, 14, "RefreshCount");
}

void MainWindowTest::labelsAtDesignSize() {
  QFETCH(QString, name);
  QFETCH(QString, parent);
  QFETCH(QPoint, position);
  QFETCH(QString, neighbour);
  auto* label = qobject_cast<QLabel*>(component(qPrintable(name)));
  QVERIFY(label);
  QCOMPARE(label->parentWidget()->objectName(), parent);
  QCOMPARE(label->pos(), position);
  QCOMPARE(label->height(), 13);
  // Sized to its text: the "&" of a focus-control label takes no room.
  const int flags = label->buddy() ? Qt::TextShowMnemonic : 0;
  QCOMPARE(label->width(), QFontMetrics(label->font()).size(flags, label->text()).width());
  // The chosen font keeps each caption clear of the value or input beside it.
  if (!neighbour.isEmpty()) QVERIFY(label->geometry().right() < component(qPrintable(neighbour))->x());
}

void MainWindowTest::captionsFontsAndStates_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("bold");
  QTest::addColumn<bool>("enabled");
  auto row = [](const char* name, const char* caption, bool bold, bool enabled) {
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption) << bold
                        << enabled;
  };
  row("CloseButton", "Close", true, true);
  row("CreateButton", "&Create", false, true);
  row("Button1", "&One Step", false, false);
  row("Button3", "&Batch", false, false);
  row("Button2", "&Stop", false, true);
  row("Label1", "&Refresh:", false, true);
  row("Label2", "&Population:", false, true);
  row("Label3", "Pc&ross:", false, true);
  row("Label4", "P&mut:", false, true);
  row("Label5", "Best:", true, true);
  row("GLMax", "0", true, true);
  row("Label6", "Actual best:", true, true);
  row("Best", "0", true, true);
  row("Label7", "Generation:", true, true);
  row("Generation", "0", true, true);
  row("Label8", "&Width", false, true);
  row("Label9", "&Height:", false, true);
}

void MainWindowTest::captionsFontsAndStates() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(bool, bold);
  QFETCH(bool, enabled);
  QWidget* w = component(qPrintable(name));
  QVERIFY(w);
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    QCOMPARE(button->text(), caption);
  } else {
    QCOMPARE(qobject_cast<QLabel*>(w)->text(), caption);
  }
  QCOMPARE(QFontInfo(w->font()).bold(), bold);
  QCOMPARE(QFontInfo(w->font()).pixelSize(), 11);
  QCOMPARE(w->isEnabled(), enabled);
}

void MainWindowTest::inputsStartAtTheirDesignValues_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("label");  // its focus-control label, if any
  QTest::newRow("PopEdit") << "PopEdit" << "100" << "Label2";
  QTest::newRow("PCrossValue") << "PCrossValue" << "0.50000" << "Label3";
  QTest::newRow("PMutValue") << "PMutValue" << "0.07000" << "Label4";
  QTest::newRow("WidthEdit") << "WidthEdit" << "10" << "Label8";
  QTest::newRow("HeightEdit") << "HeightEdit" << "10" << "Label9";
  QTest::newRow("StepCount") << "StepCount" << "100" << "";
  QTest::newRow("RefreshCount") << "RefreshCount" << "1" << "Label1";
}

void MainWindowTest::inputsStartAtTheirDesignValues() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  QFETCH(QString, label);
  auto* input = qobject_cast<wendra::SpinInput*>(component(qPrintable(name)));
  QVERIFY(input);
  QCOMPARE(input->text(), text);  // set through the input's clamp-and-format path
  QVERIFY(input->isEnabled());
  QCOMPARE(input->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  if (!label.isEmpty()) {
    QCOMPARE(qobject_cast<QLabel*>(component(qPrintable(label)))->buddy(), input);
  }
}

void MainWindowTest::statusLabelResizesToItsCaption() {
  const QPoint corner = form_->GLMax->pos();
  const int narrow = form_->GLMax->width();
  form_->GLMax->setCaption(QStringLiteral("[12]: 184"));
  QCOMPARE(form_->GLMax->text(), QStringLiteral("[12]: 184"));
  QCOMPARE(form_->GLMax->pos(), corner);
  QVERIFY(form_->GLMax->width() > narrow);
  QCOMPARE(form_->GLMax->width(),
           QFontMetrics(form_->GLMax->font()).size(0, QStringLiteral("[12]: 184")).width());
  QCOMPARE(form_->GLMax->height(), 13);
  form_->GLMax->setCaption(QStringLiteral("0"));
  QCOMPARE(form_->GLMax->width(), narrow);
}

void MainWindowTest::resizeDocksThePanels_data() {
  QTest::addColumn<QSize>("client");
  QTest::addColumn<QRect>("panel1");
  QTest::addColumn<QRect>("panel2");
  QTest::addColumn<QRect>("panel3");
  QTest::addColumn<QRect>("chart1");
  QTest::addColumn<QRect>("panel4");
  QTest::addColumn<QRect>("image1");
  QTest::addColumn<QRect>("button2");
  QTest::newRow("larger") << QSize(905, 620) << QRect(788, 0, 117, 576) << QRect(0, 576, 905, 44)
                          << QRect(0, 0, 788, 576) << QRect(1, 1, 786, 268)
                          << QRect(1, 269, 786, 306) << QRect(1, 1, 784, 304)
                          << QRect(820, 8, 75, 25);
  QTest::newRow("smaller") << QSize(600, 500) << QRect(483, 0, 117, 456) << QRect(0, 456, 600, 44)
                           << QRect(0, 0, 483, 456) << QRect(1, 1, 481, 268)
                           << QRect(1, 269, 481, 186) << QRect(1, 1, 479, 184)
                           << QRect(515, 8, 75, 25);
  // The minimum size: "&Stop" just clear of RefreshCount, HeightEdit's
  // bottom on Panel1's.
  QTest::newRow("smallest") << QSize(466, 493) << QRect(349, 0, 117, 449) << QRect(0, 449, 466, 44)
                            << QRect(0, 0, 349, 449) << QRect(1, 1, 347, 268)
                            << QRect(1, 269, 347, 179) << QRect(1, 1, 345, 177)
                            << QRect(381, 8, 75, 25);
  QTest::newRow("wider only") << QSize(1000, 520) << QRect(883, 0, 117, 476)
                              << QRect(0, 476, 1000, 44) << QRect(0, 0, 883, 476)
                              << QRect(1, 1, 881, 268) << QRect(1, 269, 881, 206)
                              << QRect(1, 1, 879, 204) << QRect(915, 8, 75, 25);
}

void MainWindowTest::resizeDocksThePanels() {
  QFETCH(QSize, client);
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  form_->resize(client);
  QTRY_COMPARE(form_->size(), client);
  QTEST(form_->Panel1->geometry(), "panel1");
  QTEST(form_->Panel2->geometry(), "panel2");
  QTEST(form_->Panel3->geometry(), "panel3");
  QTEST(form_->Chart1->geometry(), "chart1");
  QTEST(form_->Panel4->geometry(), "panel4");
  QTEST(form_->Image1->geometry(), "image1");
  QTEST(form_->Button2->geometry(), "button2");
  // Everything else keeps its offsets in its panel.
  QCOMPARE(form_->CloseButton->geometry(), QRect(20, 10, 80, 25));
  QCOMPARE(form_->HeightEdit->geometry(), QRect(12, 428, 90, 21));
  QCOMPARE(form_->StepCount->geometry(), QRect(188, 10, 69, 21));
  QCOMPARE(form_->Label1->pos(), QPoint(270, 14));

  // And back to the design size.
  form_->resize(705, 520);
  QTRY_COMPARE(form_->Panel1->geometry(), QRect(588, 0, 117, 476));
  QCOMPARE(form_->Image1->geometry(), QRect(1, 1, 584, 204));
  QCOMPARE(form_->Button2->geometry(), QRect(620, 8, 75, 25));
}

void MainWindowTest::onlyTheControlsTakeTheFocus() {
  for (QWidget* w : {static_cast<QWidget*>(form_->Panel1), static_cast<QWidget*>(form_->Panel2),
                     static_cast<QWidget*>(form_->Panel3), static_cast<QWidget*>(form_->Panel4),
                     static_cast<QWidget*>(form_->Chart1), static_cast<QWidget*>(form_->Image1),
                     static_cast<QWidget*>(form_->Label2), static_cast<QWidget*>(form_->GLMax)})
    QCOMPARE(w->focusPolicy(), Qt::NoFocus);
  for (QWidget* w : {static_cast<QWidget*>(form_->CloseButton), static_cast<QWidget*>(form_->PopEdit),
                     static_cast<QWidget*>(form_->Button2)})
    QVERIFY(w->focusPolicy() & Qt::TabFocus);
}

void MainWindowTest::accessibleNamesOfTheInputs_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("accessibleName");
  QTest::newRow("PopEdit") << "PopEdit" << "Population:";
  QTest::newRow("PCrossValue") << "PCrossValue" << "Pcross:";
  QTest::newRow("PMutValue") << "PMutValue" << "Pmut:";
  QTest::newRow("WidthEdit") << "WidthEdit" << "Width";
  QTest::newRow("HeightEdit") << "HeightEdit" << "Height:";
  QTest::newRow("RefreshCount") << "RefreshCount" << "Refresh:";
  QTest::newRow("StepCount") << "StepCount" << "Batch length";
  QTest::newRow("CreateButton") << "CreateButton" << "Create";
  QTest::newRow("Label3") << "Label3" << "Pcross:";
}

void MainWindowTest::accessibleNamesOfTheInputs() {
  QFETCH(QString, name);
  QFETCH(QString, accessibleName);
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(component(qPrintable(name)));
  QVERIFY(iface);
  QCOMPARE(iface->text(QAccessible::Name), accessibleName);
}

void MainWindowTest::formCreateLeavesAnEmptyEngine() {
  QVERIFY(!form_->engine().hasPopulation());
  QCOMPARE(form_->engine().generation(), 0);
}

void MainWindowTest::cannotShrinkBelowItsControls() {
  QCOMPARE(form_->minimumSize(), QSize(466, 493));
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  form_->resize(1, 1);
  QTRY_COMPARE(form_->size(), QSize(466, 493));
  // Every control whole inside its panel, and none over another.
  for (const QWidget* panel : {static_cast<QWidget*>(form_->Panel1), static_cast<QWidget*>(form_->Panel2)}) {
    const QList<QWidget*> controls = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* control : controls) {
      QVERIFY2(panel->rect().contains(control->geometry()), qPrintable(control->objectName()));
      for (const QWidget* other : controls) {
        if (other != control)
          QVERIFY2(!control->geometry().intersects(other->geometry()),
                   qPrintable(control->objectName() + " over " + other->objectName()));
      }
    }
  }
}

void MainWindowTest::separatorsFollowTheLocale() {
  const NumberSeparators comma{u',', u'.'};
  const NumberSeparators point{u'.', u','};
  DefaultLocale c(QLocale::c());
  TForm1 form(EncodingKind::kPath);
  QCOMPARE(form.numberSeparators(), point);
  QCOMPARE(form.Chart1->numberSeparators(), point);

  // Announced to the application, the change reaches the window.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QEvent change(QEvent::LocaleChange);
  QApplication::sendEvent(qApp, &change);
  QCOMPARE(form.numberSeparators(), comma);
  QCOMPARE(form.Chart1->numberSeparators(), comma);
  QCOMPARE(form.PCrossValue->text(), "0.50000");  // the texts stay as they are
  form.PCrossValue->setValue(0.25L);
  QCOMPARE(form.PCrossValue->text(), "0,25000");
  // The settings store reads with the new one: "0,125" reads only with ",".
  QFile file(dir_->path() + "/wendra.ini");
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("[first]\nPMutValue_Value=0,125\n");
  file.close();
  form.show();
  QCOMPARE(form.PMutValue->text(), "0,12500");

  // Sent to the window alone, too.
  QLocale::setDefault(QLocale::c());
  QApplication::sendEvent(&form, &change);
  QCOMPARE(form.Chart1->numberSeparators(), point);
  form.PMutValue->stepUp();
  QCOMPARE(form.PMutValue->text(), "0.01000");  // "0,12500" reads as 0 now
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
