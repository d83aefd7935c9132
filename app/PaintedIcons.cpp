#include "app/PaintedIcons.h"

#include <array>
#include <functional>

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kestrine::app {
namespace {

using PaintFunction = void (*)(QPainter&);

const QColor kOutline(40, 40, 40);

void Monitor(QPainter& p, const QColor& screen) {
  p.setPen(QPen(kOutline, 0.8));
  p.setBrush(QColor(90, 90, 96));
  p.drawRoundedRect(QRectF(1, 1, 12, 9), 1.2, 1.2);
  p.setBrush(screen);
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(2.5, 2.5, 9, 6));
  p.setBrush(QColor(90, 90, 96));
  p.setPen(QPen(kOutline, 0.8));
  p.drawRect(QRectF(5.5, 10, 3, 1.5));
  p.drawRoundedRect(QRectF(3, 11.5, 8, 1.8), 0.6, 0.6);
}

void PaintAnswered(QPainter& p) { Monitor(p, QColor(40, 200, 60)); }
void PaintUnanswered(QPainter& p) { Monitor(p, QColor(170, 170, 170)); }

void PaintAlert(QPainter& p) {
  p.setPen(QPen(QColor(150, 110, 0), 0.8));
  p.setBrush(QColor(255, 210, 0));
  p.drawEllipse(QPointF(7, 7), 6.2, 6.2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(210, 20, 20));
  p.drawRoundedRect(QRectF(6.1, 2.8, 1.8, 5.6), 0.8, 0.8);
  p.drawEllipse(QPointF(7, 10.4), 1.0, 1.0);
}

void Page(QPainter& p, const QRectF& r) {
  const qreal fold = 3;
  QPainterPath page;
  page.moveTo(r.left(), r.top());
  page.lineTo(r.right() - fold, r.top());
  page.lineTo(r.right(), r.top() + fold);
  page.lineTo(r.right(), r.bottom());
  page.lineTo(r.left(), r.bottom());
  page.closeSubpath();
  p.setPen(QPen(kOutline, 0.9));
  p.setBrush(Qt::white);
  p.drawPath(page);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void PaintNew(QPainter& p) {
  Page(p, QRectF(3, 1, 10, 13));
  p.setPen(QPen(QColor(230, 180, 0), 1.2));
  p.drawLine(QPointF(10, 9), QPointF(14, 13));
  p.drawLine(QPointF(14, 9), QPointF(10, 13));
}

void PaintCut(QPainter& p) {
  p.setPen(QPen(QColor(60, 60, 70), 1.1));
  p.drawLine(QPointF(6.5, 9.5), QPointF(11, 1));
  p.drawLine(QPointF(9.5, 9.5), QPointF(5, 1));
  p.setPen(QPen(QColor(40, 60, 160), 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(5, 11.5), 2.2, 2.2);
  p.drawEllipse(QPointF(11, 11.5), 2.2, 2.2);
}

void PaintCopy(QPainter& p) {
  Page(p, QRectF(1.5, 1, 8, 10));
  Page(p, QRectF(6.5, 4, 8, 10));
}

void PaintPaste(QPainter& p) {
  p.setPen(QPen(QColor(90, 60, 20), 0.9));
  p.setBrush(QColor(190, 140, 70));
  p.drawRoundedRect(QRectF(1.5, 2, 10, 12), 1, 1);
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(QRectF(4, 0.8, 5, 2.6));
  Page(p, QRectF(6.5, 5.5, 8, 9));
}

void PaintPrint(QPainter& p) {
  p.setPen(QPen(kOutline, 0.9));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4, 1, 8, 6));
  p.setBrush(QColor(170, 170, 175));
  p.drawRoundedRect(QRectF(1, 6, 14, 6), 1, 1);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4, 10, 8, 4));
  p.setPen(QPen(QColor(40, 200, 60), 1.2));
  p.drawPoint(QPointF(13, 8));
}

void PaintProgram(QPainter& p) {
  p.setPen(QPen(QColor(20, 40, 90), 1.2));
  p.setBrush(QColor(40, 80, 160));
  p.drawRoundedRect(QRectF(2, 6, 28, 20), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 200, 60));
  p.drawRoundedRect(QRectF(5, 9, 14, 10), 1.5, 1.5);
  p.setBrush(QColor(255, 160, 0));
  QPainterPath arrow;
  arrow.moveTo(21, 11);
  arrow.lineTo(28, 16);
  arrow.lineTo(21, 21);
  arrow.closeSubpath();
  p.drawPath(arrow);
  p.setBrush(QColor(230, 230, 235));
  p.drawRect(QRectF(5, 22, 22, 1.6));
}

struct PictureSpec {
  QSize size;
  PaintFunction paint;
};

const std::array<PictureSpec, 9> kPictures{{
    {{14, 14}, PaintAnswered},
    {{14, 14}, PaintUnanswered},
    {{14, 14}, PaintAlert},
    {{16, 15}, PaintNew},
    {{16, 15}, PaintCut},
    {{16, 15}, PaintCopy},
    {{16, 15}, PaintPaste},
    {{16, 15}, PaintPrint},
    {{32, 32}, PaintProgram},
}};

const PictureSpec& SpecOf(Picture picture) { return kPictures.at(static_cast<std::size_t>(picture)); }

// Paints the picture at whatever size is asked, scaling its design grid; disabled pictures are greyed.
class PaintedIconEngine final : public QIconEngine {
 public:
  explicit PaintedIconEngine(Picture picture) : picture_(picture) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->drawImage(rect, Render(rect.size() * painter->device()->devicePixelRatio(), mode));
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    return QPixmap::fromImage(Render(size, mode));
  }
  QIconEngine* clone() const override { return new PaintedIconEngine(picture_); }

 private:
  QImage Render(const QSize& size, QIcon::Mode mode) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const PictureSpec& drawing = SpecOf(picture_);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.scale(static_cast<qreal>(size.width()) / drawing.size.width(),
                    static_cast<qreal>(size.height()) / drawing.size.height());
      drawing.paint(painter);
    }
    if (mode == QIcon::Disabled) Grey(image);
    return image;
  }

  static void Grey(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        const int alpha = qAlpha(line[x]);
        const int grey = (qGray(line[x]) + 2 * alpha) / 3;  // lighter, premultiplied stays <= alpha
        line[x] = qRgba(grey, grey, grey, alpha);
      }
    }
  }

  Picture picture_;
};

}  // namespace

QSize DesignSize(Picture picture) { return SpecOf(picture).size; }

QIcon PaintedIcon(Picture picture) { return QIcon(new PaintedIconEngine(picture)); }

Picture NodeImagePicture(int image) {
  switch (image) {
    case 0: return Picture::EncoderAnswered;
    case 2: return Picture::EncoderAlert;
    default: return Picture::EncoderUnanswered;
  }
}

}  // namespace kestrine::app
