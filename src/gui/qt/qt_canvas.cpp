#include "gui/qt/qt_canvas.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPrinter>
#include <QStaticText>

#include <cmath>
#include <optional>

namespace kelvatrix {
namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Texts laid out once for drawing at a point, by font and text. A chart shows a few dozen
// labels; the cache is emptied when it grows past what any window shows.
const QStaticText& LaidOut(const QFont& font, std::string_view text) {
  static QHash<QString, QStaticText> cache;
  const QString key = font.key() + QLatin1Char('\n') + Q(text);
  auto found = cache.constFind(key);
  if (found != cache.constEnd()) return *found;
  if (cache.size() > 2000) cache.clear();
  QStaticText laidOut(Q(text));
  laidOut.setTextFormat(Qt::PlainText);
  laidOut.prepare(QTransform(), font);
  return *cache.insert(key, laidOut);
}

FontMetrics MetricsOf(const QFontMetricsF& metrics) {
  return {metrics.ascent(), metrics.descent(), metrics.height(), metrics.lineSpacing()};
}

Qt::Alignment ToQtAlignment(int alignment) {
  Qt::Alignment flags;
  if (alignment & align::kLeft) flags |= Qt::AlignLeft;
  if (alignment & align::kRight) flags |= Qt::AlignRight;
  if (alignment & align::kHCenter) flags |= Qt::AlignHCenter;
  if (alignment & align::kVCenter) flags |= Qt::AlignVCenter;
  return flags;
}

QRectF ToQRectF(const RectF& r) { return QRectF(r.left, r.top, r.width, r.height); }

// A rectangle on whole pixels, as Qt's integer rectangle: its integer paths are the ones
// the program's faces and spans were always drawn with.
std::optional<QRect> WholePixels(const RectF& r) {
  const auto whole = [](double v) { return v == std::floor(v) && std::abs(v) < 1e9; };
  if (!whole(r.left) || !whole(r.top) || !whole(r.width) || !whole(r.height)) return std::nullopt;
  return QRect(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.width), static_cast<int>(r.height));
}

}  // namespace

QFont ToQFont(const Font& font) {
  QFont qfont;
  qfont.setFamilies(QString::fromStdString(font.family).split(QLatin1Char(',')));
  if (font.points) {
    qfont.setPointSizeF(font.size);
  } else {
    qfont.setPixelSize(static_cast<int>(font.size + 0.5));
  }
  qfont.setBold(font.bold);
  return qfont;
}

QColor ToQColor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

Rgb ToRgb(const QColor& color) {
  return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
          static_cast<std::uint8_t>(color.blue())};
}

Font FromQFont(const QFont& font) {
  Font converted;
  converted.family = font.families().join(QLatin1Char(',')).toStdString();
  if (font.pixelSize() > 0) {
    converted.size = font.pixelSize();
    converted.points = false;
  } else {
    converted.size = font.pointSizeF();
    converted.points = true;
  }
  converted.bold = font.bold();
  return converted;
}

FontMetrics QtScreenMeasure::Metrics(const Font& font) { return MetricsOf(QFontMetricsF(ToQFont(font))); }

double QtScreenMeasure::Advance(const Font& font, std::string_view text) {
  return QFontMetricsF(ToQFont(font)).horizontalAdvance(Q(text));
}

SizeF QtScreenMeasure::LaidOutSize(const Font& font, std::string_view text) {
  const QSizeF size = LaidOut(ToQFont(font), text).size();
  return {size.width(), size.height()};
}

std::string QtScreenMeasure::Elided(const Font& font, std::string_view text, double width) {
  return QFontMetricsF(ToQFont(font)).elidedText(Q(text), Qt::ElideRight, width).toStdString();
}

QtScreenMeasure& ScreenMeasure() {
  static QtScreenMeasure measure;
  return measure;
}

FontMetrics QtCanvas::Metrics(const Font& font) {
  return MetricsOf(QFontMetricsF(ToQFont(font), painter_.device()));
}

double QtCanvas::Advance(const Font& font, std::string_view text) {
  return QFontMetricsF(ToQFont(font), painter_.device()).horizontalAdvance(Q(text));
}

SizeF QtCanvas::LaidOutSize(const Font& font, std::string_view text) {
  const QSizeF size = LaidOut(ToQFont(font), text).size();
  return {size.width(), size.height()};
}

std::string QtCanvas::Elided(const Font& font, std::string_view text, double width) {
  return QFontMetricsF(ToQFont(font), painter_.device()).elidedText(Q(text), Qt::ElideRight, width).toStdString();
}

void QtCanvas::SetPen(const Pen& pen) {
  painter_.setPen(QPen(ToQColor(pen.color), pen.width, pen.style == LineStyle::Dot ? Qt::DotLine : Qt::SolidLine));
}

void QtCanvas::SetFont(const Font& font) { painter_.setFont(ToQFont(font)); }

void QtCanvas::DrawLine(PointF from, PointF to) { painter_.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y)); }

void QtCanvas::DrawLines(const std::vector<LineF>& lines) {
  static_assert(sizeof(LineF) == sizeof(QLineF), "a line is four doubles on both sides");
  painter_.drawLines(reinterpret_cast<const QLineF*>(lines.data()), static_cast<int>(lines.size()));
}

void QtCanvas::DrawPolyline(const std::vector<PointF>& points) {
  static_assert(sizeof(PointF) == sizeof(QPointF), "a point is two doubles on both sides");
  painter_.drawPolyline(reinterpret_cast<const QPointF*>(points.data()), static_cast<int>(points.size()));
}

void QtCanvas::FillRect(const RectF& rect, Rgb color) {
  if (const auto whole = WholePixels(rect)) {
    painter_.fillRect(*whole, ToQColor(color));
  } else {
    painter_.fillRect(ToQRectF(rect), ToQColor(color));
  }
}

void QtCanvas::DrawRect(const RectF& rect) {
  painter_.setBrush(Qt::NoBrush);
  if (const auto whole = WholePixels(rect)) {
    painter_.drawRect(*whole);
  } else {
    painter_.drawRect(ToQRectF(rect));
  }
}

void QtCanvas::DrawEllipse(const RectF& rect) {
  painter_.setBrush(Qt::NoBrush);
  if (const auto whole = WholePixels(rect)) {
    painter_.drawEllipse(*whole);
  } else {
    painter_.drawEllipse(ToQRectF(rect));
  }
}

void QtCanvas::DrawArc(const RectF& rect, double startDegrees, double spanDegrees) {
  const int start = static_cast<int>(std::lround(startDegrees * 16));
  const int span = static_cast<int>(std::lround(spanDegrees * 16));
  if (const auto whole = WholePixels(rect)) {
    painter_.drawArc(*whole, start, span);
  } else {
    painter_.drawArc(ToQRectF(rect), start, span);
  }
}

void QtCanvas::DrawText(PointF at, std::string_view text) {
  painter_.drawStaticText(QPointF(at.x, at.y), LaidOut(painter_.font(), text));
}

void QtCanvas::DrawText(const RectF& box, int alignment, std::string_view text) {
  const int flags = static_cast<int>(ToQtAlignment(alignment)) | Qt::TextSingleLine;
  if (const auto whole = WholePixels(box)) {
    painter_.drawText(*whole, flags, Q(text));
  } else {
    painter_.drawText(ToQRectF(box), flags, Q(text));
  }
}

void QtCanvas::DrawTextUpwards(PointF center, std::string_view text) {
  const QStaticText& laidOut = LaidOut(painter_.font(), text);
  painter_.save();
  painter_.translate(center.x, center.y);
  painter_.rotate(-90);
  const QSizeF size = laidOut.size();
  painter_.drawStaticText(QPointF(-size.width() / 2, -size.height() / 2), laidOut);
  painter_.restore();
}

void QtCanvas::SetClip(const RectF& rect) {
  if (const auto whole = WholePixels(rect)) {
    painter_.setClipRect(*whole);
  } else {
    painter_.setClipRect(ToQRectF(rect));
  }
}

void QtCanvas::ClearClip() { painter_.setClipping(false); }

bool QtCanvas::Pixels() const { return painter_.deviceTransform().type() <= QTransform::TxTranslate; }

QtImageCanvas::QtImageCanvas(int width, int height) : image_(width, height, QImage::Format_RGB888) {}

QtImageCanvas::~QtImageCanvas() {
  if (painter_.isActive()) painter_.end();
}

Canvas& QtImageCanvas::Drawing() {
  if (!painter_.isActive()) painter_.begin(&image_);
  return canvas_;
}

std::uint8_t* QtImageCanvas::Row(int y) {
  // The pixels are read and changed with no painter on the image.
  if (painter_.isActive()) painter_.end();
  return image_.scanLine(y);
}

const QImage& QtImageCanvas::Image() {
  if (painter_.isActive()) painter_.end();
  return image_;
}

QtPageCanvas::QtPageCanvas(QPrinter& printer) : printer_(printer) { painter_.begin(&printer_); }

QtPageCanvas::~QtPageCanvas() { End(); }

void QtPageCanvas::End() {
  if (painter_.isActive()) painter_.end();
}

SizeF QtPageCanvas::PageSize() const {
  const QSize size = printer_.pageLayout().paintRectPixels(printer_.resolution()).size();
  return {static_cast<double>(size.width()), static_cast<double>(size.height())};
}

double QtPageCanvas::Resolution() const { return printer_.resolution(); }

void QtPageCanvas::NewPage() { printer_.newPage(); }

}  // namespace kelvatrix
