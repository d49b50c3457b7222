#include "platform/linux/qt/dialog_appearance.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include "tool/dialog_layout.h"

namespace {

const QStringList& JapaneseGothicSubstitutes() {
  static const QStringList faces = {QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                                    QStringLiteral("Noto Sans CJK JP"),
                                    QStringLiteral("Noto Sans Mono CJK JP")};
  return faces;
}

}  // namespace

QFont DialogFont() {
  const QString face = QString::fromUtf8(layout::kFontFace);
  if (QFont::substitutes(face).isEmpty())
    QFont::insertSubstitutions(face, JapaneseGothicSubstitutes());
  QFont font(face);
  font.setPixelSize(layout::kFontPixelHeight);
  font.setWeight(QFont::Normal);
  font.setStyle(QFont::StyleNormal);
  return font;
}

void ApplyDialogBackground(QWidget& window) {
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor(layout::kBackgroundRed, layout::kBackgroundGreen,
                                            layout::kBackgroundBlue));
  window.setPalette(palette);
  window.setAutoFillBackground(true);
}

QIcon DialogIcon() {
  constexpr int kSize = 16;
  // Classic 16-colour palette entries only, and no antialiasing, so no other colour appears.
  const QColor white(255, 255, 255);
  const QColor black(0, 0, 0);
  const QColor grey(128, 128, 128);
  const QColor navy(0, 0, 128);
  const QColor red(255, 0, 0);
  const QColor blue(0, 0, 255);

  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(grey);
  painter.setBrush(white);
  painter.drawRect(1, 1, 13, 13);  // the sheet
  painter.setBrush(Qt::NoBrush);
  painter.setPen(navy);
  painter.drawEllipse(4, 4, 7, 7);  // a circle of given radius
  painter.setPen(QPen(red, 1, Qt::DashLine));
  painter.drawLine(0, 15, 15, 0);  // the long construction line, reaching past the sheet
  painter.setPen(blue);
  painter.drawLine(0, 7, 15, 7);  // a line at the host's angle
  painter.setPen(black);
  painter.drawPoint(7, 8);  // the indicated point
  painter.end();
  return QIcon(QPixmap::fromImage(image));
}
