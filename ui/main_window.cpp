#include "main_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QPushButton>
#include <QResizeEvent>
#include <QtMath>
#include <iterator>
#include <utility>

#include "accelerators.h"
#include "application.h"
#include "engines.h"
#include "form_storage.h"
#include "minimum_size.h"
#include "session_end.h"

namespace wendra {

namespace {

// Design geometry (pixels at the design font).
constexpr int kClientWidth = 705;
constexpr int kClientHeight = 520;
constexpr int kLeft = 238;  // outer position on the screen
constexpr int kTop = 106;
constexpr int kPanel1Width = 117;
constexpr int kPanel2Height = 44;
constexpr int kChartHeight = 268;
constexpr int kBevel = 1;              // panel edge; not scaled
constexpr int kStopRightMargin = 10;   // Button2's right edge to Panel2's
constexpr int kLabelHeight = 13;
constexpr int kInputHeight = 21;
constexpr int kButtonHeight = 25;

int measureTextHeight(const QFont& font) {
  // The height a one-line layout of "0" takes. QFontMetrics::height() rounds
  // ascent and descent separately and gives 12 for Liberation Sans 11 px;
  // the layout height (13) is what the design reference was measured as.
  return QFontMetrics(font).size(0, QStringLiteral("0")).height();
}

QFont boldened(QFont font) {
  font.setBold(true);
  return font;
}

// The first character of each of the default locale's separators; "." and
// "," where the locale gives none.
NumberSeparators localeSeparators() {
  const QLocale locale;
  const auto first = [](const QString& text, QChar none) {
    return text.isEmpty() ? none : text.front();
  };
  return {first(locale.decimalPoint(), u'.'), first(locale.groupSeparator(), u',')};
}

}  // namespace

QFont windowFont() {
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

QString windowCaption(EncodingKind encoding) {
  return encoding == EncodingKind::kPath ? QStringLiteral("WENDRA1") : QStringLiteral("WENDRA3");
}

TForm1::TForm1(EncodingKind encoding, QWidget* parent)
    : QWidget(parent),
      encoding_(encoding),
      textHeight_(measureTextHeight(windowFont())),
      separators_(localeSeparators()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(windowCaption(encoding));
  setFont(windowFont());
  // Placed exactly where designed; move() places the frame, resize() sets the
  // client area.
  move(kLeft, kTop);
  resize(px(kClientWidth), px(kClientHeight));

  createControls();
  handOutSeparators();  // before the inputs format their first values
  setUpInputs();
  arrangeTabOrder();
  setMinimumSize(smallestClientSize());
  dockPanels();
  connectHandlers();
  accelerators_ = new Accelerators(this);
  // The first control in tab order gets the focus when the window is first
  // activated.
  CloseButton->setFocus(Qt::ActiveWindowFocusReason);
  attachSettingsStore();

  FormCreate();
}

TForm1::~TForm1() { FormStorage1->formDestroy(); }

void TForm1::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  FormStorage1->formClose(*event);
}

void TForm1::attachSettingsStore() {
  ComponentTable components;
  for (SpinInput* input : inputs()) components.addValue(input->objectName(), input);
  FormStorage1 = new FormStorage(this, std::move(components));
  FormStorage1->setNumberSeparators(separators_);
  FormStorage1->setErrorReporter(&Application::showError);
  new SessionEndWatcher(this);
}

std::array<SpinInput*, 7> TForm1::inputs() const {
  return {StepCount, RefreshCount, PopEdit, PCrossValue, PMutValue, WidthEdit, HeightEdit};
}

void TForm1::handOutSeparators() {
  for (SpinInput* input : inputs()) input->setNumberSeparators(separators_);
  Chart1->setNumberSeparators(separators_);
  if (FormStorage1 != nullptr) FormStorage1->setNumberSeparators(separators_);
}

int TForm1::px(int designPixels) const {
  if (textHeight_ == kDesignTextHeight) return designPixels;
  return qRound(double(designPixels) * textHeight_ / kDesignTextHeight);
}

void TForm1::createControls() {
  // In the order of the component fields: later controls stack above
  // earlier ones, and the accelerator search meets them in this order.
  Panel1 = new Panel(this);
  Panel2 = new Panel(this);
  Panel3 = new Panel(this);
  CloseButton = makeButton(Panel1, QStringLiteral("Close"), 20, 10, 80);
  CloseButton->setFont(boldened(font()));
  Button3 = makeButton(Panel2, QStringLiteral("&Batch"), 104, 8, 75);
  Button1 = makeButton(Panel2, QStringLiteral("&One Step"), 16, 8, 75);
  Chart1 = new Chart(Panel3);  // takes no focus
  Series1 = &Chart1->series1();
  Series2 = &Chart1->series2();
  StepCount = makeInput(Panel2, 188, 10, 69);
  RefreshCount = makeInput(Panel2, 312, 10, 69);
  Label1 = makeLabel(Panel2, QStringLiteral("&Refresh:"), 270, 14);
  PopEdit = makeInput(Panel1, 20, 80, 80);
  PCrossValue = makeInput(Panel1, 20, 120, 80);
  PMutValue = makeInput(Panel1, 20, 160, 80);
  Label2 = makeLabel(Panel1, QStringLiteral("&Population:"), 20, 64);
  Label3 = makeLabel(Panel1, QStringLiteral("Pc&ross:"), 20, 104);
  Label4 = makeLabel(Panel1, QStringLiteral("P&mut:"), 20, 144);
  CreateButton = makeButton(Panel1, QStringLiteral("&Create"), 20, 188, 80);
  Panel4 = new Panel(Panel3);
  Label5 = makeLabel(Panel1, QStringLiteral("Best:"), 8, 284, true);
  Label6 = makeLabel(Panel1, QStringLiteral("Actual best:"), 8, 304, true);
  GLMax = makeLabel(Panel1, QStringLiteral("0"), 40, 284, true);
  Best = makeLabel(Panel1, QStringLiteral("0"), 78, 304, true);
  Image1 = new TourView(Panel4);
  Image1->setFocusPolicy(Qt::NoFocus);
  Button2 = makeButton(Panel2, QStringLiteral("&Stop"), 620, 8, 75);
  Label7 = makeLabel(Panel1, QStringLiteral("Generation:"), 8, 348, true);
  Generation = makeLabel(Panel1, QStringLiteral("0"), 76, 348, true);
  WidthEdit = makeInput(Panel1, 12, 392, 90);
  HeightEdit = makeInput(Panel1, 12, 428, 90);
  Label8 = makeLabel(Panel1, QStringLiteral("&Width"), 12, 376);
  Label9 = makeLabel(Panel1, QStringLiteral("&Height:"), 12, 414);

  pairLabelsWithInputs();
  nameComponents();
  Button1->setEnabled(false);
  Button3->setEnabled(false);
}

void TForm1::pairLabelsWithInputs() {
  // Focus controls. The label's caption also becomes its input's accessible
  // name ("Population:"); the batch length has no label.
  const std::pair<PanelLabel*, SpinInput*> buddies[] = {
      {Label1, RefreshCount}, {Label2, PopEdit},  {Label3, PCrossValue},
      {Label4, PMutValue},    {Label8, WidthEdit}, {Label9, HeightEdit}};
  for (const auto& [label, input] : buddies) {
    label->setBuddy(input);
    label->fitToCaption();  // the "&" now takes no room
  }
  StepCount->setAccessibleName(QStringLiteral("Batch length"));
}

void TForm1::nameComponents() {
  // Components are found by their field names (the settings store resolves
  // "PopEdit.Value" this way).
  const std::pair<QObject*, const char*> names[] = {
      {Panel1, "Panel1"},         {Panel2, "Panel2"},         {Panel3, "Panel3"},
      {CloseButton, "CloseButton"}, {Button3, "Button3"},     {Button1, "Button1"},
      {Chart1, "Chart1"},         {StepCount, "StepCount"},   {RefreshCount, "RefreshCount"},
      {Label1, "Label1"},         {PopEdit, "PopEdit"},       {PCrossValue, "PCrossValue"},
      {PMutValue, "PMutValue"},   {Label2, "Label2"},         {Label3, "Label3"},
      {Label4, "Label4"},         {CreateButton, "CreateButton"}, {Panel4, "Panel4"},
      {Label5, "Label5"},         {Label6, "Label6"},         {GLMax, "GLMax"},
      {Best, "Best"},             {Image1, "Image1"},         {Button2, "Button2"},
      {Label7, "Label7"},         {Generation, "Generation"}, {WidthEdit, "WidthEdit"},
      {HeightEdit, "HeightEdit"}, {Label8, "Label8"},         {Label9, "Label9"}};
  for (const auto& [component, name] : names) component->setObjectName(QLatin1String(name));
}

void TForm1::setUpInputs() {
  // Equal bounds (PMutValue: 0 and 0) switch clamping off. Decimal matters
  // only for vtFloat; the others keep the default 2. Each value is set through
  // the input's clamp-and-format path.
  const std::pair<SpinInput*, const InputParameter&> setups[] = {
      {StepCount, kStepCountInput},     {RefreshCount, kRefreshCountInput},
      {PopEdit, kPopEditInput},         {PCrossValue, kPCrossValueInput},
      {PMutValue, kPMutValueInput},     {WidthEdit, kWidthEditInput},
      {HeightEdit, kHeightEditInput},
  };
  for (const auto& [input, setup] : setups) {
    input->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    input->configure(SpinInput::Setup::of(setup));
  }
}

void TForm1::arrangeTabOrder() {
  QWidget* const order[] = {CloseButton, PopEdit,   PCrossValue, PMutValue,
                            CreateButton, WidthEdit, HeightEdit,  Button3,
                            Button1,      StepCount, RefreshCount, Button2};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}

void TForm1::connectHandlers() {
  connect(CreateButton, &QPushButton::clicked, this, &TForm1::CreateButtonClick);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(CloseButton, &QPushButton::clicked, this, &TForm1::CloseButtonClick);
  // Only wendra3 shows the best tour on a double click on the chart.
  if (encoding_ == EncodingKind::kRandomKey)
    connect(Chart1, &Chart::doubleClicked, this, &TForm1::Chart2DblClick);
}

QSize TForm1::smallestClientSize() const {
  DockedControls controls;
  controls.panel2Height = px(kPanel2Height);
  for (const QWidget* child : Panel1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    controls.panel1Controls.append(child->geometry());
  for (const QWidget* child : Panel2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child != Button2) controls.panel2LeftAnchored.append(child->geometry());
  }
  controls.panel2RightAnchored = Button2->size();
  controls.rightMargin = px(kStopRightMargin);
  // Panel3 holds the chart inside its bevel, beside Panel1.
  controls.upperPart = QSize(px(kPanel1Width) + 2 * kBevel, px(kChartHeight) + 2 * kBevel);
  return minimumClientSize(controls);
}

void TForm1::dockPanels() {
  const int clientWidth = width();
  const int clientHeight = height();
  const int panel2Height = px(kPanel2Height);
  const int panel1Width = px(kPanel1Width);
  const int upperHeight = qMax(0, clientHeight - panel2Height);

  Panel2->setGeometry(0, clientHeight - panel2Height, clientWidth, panel2Height);
  Panel1->setGeometry(clientWidth - panel1Width, 0, panel1Width, upperHeight);
  Panel3->setGeometry(0, 0, qMax(0, clientWidth - panel1Width), upperHeight);

  const int innerWidth = qMax(0, Panel3->width() - 2 * kBevel);
  const int innerHeight = qMax(0, Panel3->height() - 2 * kBevel);
  const int chartHeight = px(kChartHeight);
  Chart1->setGeometry(kBevel, kBevel, innerWidth, chartHeight);
  Panel4->setGeometry(kBevel, kBevel + chartHeight, innerWidth,
                      qMax(0, innerHeight - chartHeight));
  Image1->setGeometry(kBevel, kBevel, qMax(0, Panel4->width() - 2 * kBevel),
                      qMax(0, Panel4->height() - 2 * kBevel));

  // Anchored to the top and right edges of Panel2.
  Button2->move(Panel2->width() - px(kStopRightMargin) - Button2->width(), Button2->y());
}

SpinInput* TForm1::makeInput(QWidget* parent, int left, int top, int width) {
  auto* input = new SpinInput(parent);
  input->setGeometry(px(left), px(top), px(width), px(kInputHeight));
  return input;
}

PanelLabel* TForm1::makeLabel(QWidget* parent, const QString& caption, int left, int top,
                              bool bold) {
  auto* label = new PanelLabel(caption, px(kLabelHeight), parent);
  if (bold) label->setFont(boldened(font()));
  label->move(px(left), px(top));
  return label;
}

QPushButton* TForm1::makeButton(QWidget* parent, const QString& caption, int left, int top,
                                int width) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(px(left), px(top), px(width), px(kButtonHeight));
  return button;
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  dockPanels();
  FormResize();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // The inputs keep their texts; the chart redraws its labels, the status
  // labels show the new separator at their next update.
  if (event->type() == QEvent::LocaleChange) {
    separators_ = localeSeparators();
    handOutSeparators();
  }
}

void TForm1::FormCreate() {
  // Empty engine state: no population, no bests, generation 0, and the
  // random stream at its start.
  engine_ = makeEngine(encoding_);
  batchIndex = 0;
  batchLimit = 0;
}

void TForm1::CloseButtonClick() { close(); }

// The other handlers, the display update and the tour redraw are the run
// control (run_control.cpp).

}  // namespace wendra
