#include "plain_message.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <memory>

#include "application.h"
#include "busy_pointer.h"

namespace wendra {

namespace {

// A one-paragraph plain text wrapped anywhere, for a text without blanks:
// a tour of a 10 x 10 grid is some 2000 pixels of digits and ";" with no
// break opportunity, which QLabel's word wrap leaves on one line, cut off at
// the edge of the box.
class WrapAnywhereLabel : public QLabel {
 public:
  WrapAnywhereLabel(const QString& text, int widthLimit, int heightLimit, QWidget* parent)
      : QLabel(text, parent), widthLimit_(widthLimit), heightLimit_(heightLimit) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);  // hasHeightForWidth
  }

  QSize sizeHint() const override {
    const int width = std::min(fontMetrics().horizontalAdvance(text()), widthLimit_);
    return {width, heightForWidth(width)};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }
  int heightForWidth(int width) const override {
    const QRect lines = fontMetrics().boundingRect(QRect(0, 0, std::max(width, 1), INT_MAX / 2),
                                                   kFlags, text());
    // Cut off below the last line that fits whole.
    const int lineHeight = std::max(fontMetrics().lineSpacing(), 1);
    return std::min(lines.height(), heightLimit_ / lineHeight * lineHeight);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), kFlags, text());
  }

 private:
  static constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
  int widthLimit_;
  int heightLimit_;
};

}  // namespace

void showPlainMessage(const QString& text) {
  std::unique_ptr<QLabel> detachedLabel;
  QMessageBox box(QMessageBox::NoIcon, Application::title(), text, QMessageBox::Ok);
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  auto* boxLabel = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  const QScreen* screen = box.screen();
  if (grid != nullptr && boxLabel != nullptr && screen != nullptr) {
    // QMessageBox never grows wider than this; the rest of its width goes to
    // margins and the indent beside the text.
    const QSize area = screen->availableGeometry().size();
    const int boxLimit = area.width() <= 1024 ? area.width() : std::min(area.width() - 480, 1000);
    auto* label = new WrapAnywhereLabel(text, boxLimit - 80, area.height() - 160, &box);
    label->setTextInteractionFlags(boxLabel->textInteractionFlags());
    // The layout hands back the item that held the box's label.
    if (std::unique_ptr<QLayoutItem> old{grid->replaceWidget(boxLabel, label)}) {
      boxLabel->hide();
      boxLabel->setParent(nullptr);
      detachedLabel.reset(boxLabel);
    } else {
      delete label;
    }
  }
  const NormalPointer pointer;
  box.exec();
}

}  // namespace wendra
