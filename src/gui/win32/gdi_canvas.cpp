#include "gui/win32/gdi_canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

#include "gui/win32/wide_text.h"

namespace kelvatrix {
namespace {

COLORREF Colour(Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

int Pixel(double value) { return static_cast<int>(std::floor(value + 1e-9)); }
int Rounded(double value) { return static_cast<int>(std::lround(value)); }

int CALLBACK FamilyFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool Installed(const std::wstring& family) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(query.lfFaceName, family.c_str(), LF_FACESIZE - 1);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &query, &FamilyFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

std::wstring Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return Wide(text.substr(first, last - first + 1));
}

}  // namespace

std::wstring InstalledFamily(const std::string& families) {
  std::wstring last;
  std::string_view rest = families;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    last = Trimmed(rest.substr(0, comma));
    if (!last.empty() && Installed(last)) return last;
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return last;
}

bool GdiCanvas::FontKey::operator<(const FontKey& other) const {
  return std::tie(font.family, font.size, font.points, font.bold, height, escapement) <
         std::tie(other.font.family, other.font.size, other.font.points, other.font.bold, other.height,
                  other.escapement);
}

GdiCanvas::GdiCanvas(HDC dc, double dotsPerInch, bool pixels)
    : dc_(dc), dotsPerInch_(dotsPerInch), pixels_(pixels), savedDc_(SaveDC(dc)) {
  SetBkMode(dc_, TRANSPARENT);
  SelectObject(dc_, GetStockObject(NULL_BRUSH));
}

GdiCanvas::~GdiCanvas() {
  RestoreDC(dc_, savedDc_);
  if (gdiPen_) DeleteObject(gdiPen_);
  for (const auto& [key, font] : fonts_) DeleteObject(font);
}

POINT GdiCanvas::Map(PointF point) const {
  return {Pixel(point.x * transform_.sx + transform_.dx), Pixel(point.y * transform_.sy + transform_.dy)};
}

RECT GdiCanvas::MapRect(const RectF& rect) const {
  const double left = rect.left * transform_.sx + transform_.dx;
  const double top = rect.top * transform_.sy + transform_.dy;
  const double right = rect.Right() * transform_.sx + transform_.dx;
  const double bottom = rect.Bottom() * transform_.sy + transform_.dy;
  return {Rounded(std::min(left, right)), Rounded(std::min(top, bottom)), Rounded(std::max(left, right)),
          Rounded(std::max(top, bottom))};
}

int GdiCanvas::DeviceHeight(const Font& font) const {
  const double units = font.points ? font.size * dotsPerInch_ / 72.0 : font.size;
  return std::max(1, Rounded(units * std::abs(transform_.sy)));
}

HFONT GdiCanvas::FontOf(const Font& font, int escapement) {
  const FontKey key{font, DeviceHeight(font), escapement};
  if (const auto found = fonts_.find(key); found != fonts_.end()) return found->second;
  LOGFONTW description{};
  description.lfHeight = -key.height;  // the character height, as the sizes mean
  description.lfEscapement = escapement;
  description.lfOrientation = escapement;
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = DEFAULT_QUALITY;
  const std::wstring family = InstalledFamily(font.family);
  wcsncpy(description.lfFaceName, family.c_str(), LF_FACESIZE - 1);
  HFONT made = CreateFontIndirectW(&description);
  fonts_.emplace(key, made);
  return made;
}

void GdiCanvas::Select(const Font& font, int escapement) { SelectObject(dc_, FontOf(font, escapement)); }

FontMetrics GdiCanvas::Metrics(const Font& font) {
  Select(font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc_, &metrics);
  const double scale = std::abs(transform_.sy);
  return {metrics.tmAscent / scale, metrics.tmDescent / scale, metrics.tmHeight / scale,
          (metrics.tmHeight + metrics.tmExternalLeading) / scale};
}

double GdiCanvas::Advance(const Font& font, std::string_view text) {
  Select(font);
  const std::wstring wide = Wide(text);
  SIZE size{};
  GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx / std::abs(transform_.sx);
}

SizeF GdiCanvas::LaidOutSize(const Font& font, std::string_view text) {
  return {Advance(font, text), Metrics(font).height};
}

std::string GdiCanvas::Elided(const Font& font, std::string_view text, double width) {
  if (Advance(font, text) <= width) return std::string(text);
  const std::wstring wide = Wide(text);
  const std::wstring ellipsis = L"\u2026";
  Select(font);
  const double scale = std::abs(transform_.sx);
  SIZE cut{};
  GetTextExtentPoint32W(dc_, ellipsis.c_str(), 1, &cut);
  // How many characters fit beside the ellipsis, measured in one call; a surrogate pair
  // is kept whole.
  const int room = std::max(0, static_cast<int>(width * scale) - static_cast<int>(cut.cx));
  int fit = 0;
  SIZE all{};
  GetTextExtentExPointW(dc_, wide.c_str(), static_cast<int>(wide.size()), room, &fit, nullptr, &all);
  if (fit > 0 && IS_HIGH_SURROGATE(wide[static_cast<std::size_t>(fit) - 1])) --fit;
  return Utf8(wide.substr(0, static_cast<std::size_t>(fit)) + ellipsis);
}

void GdiCanvas::SetPen(const Pen& pen) {
  if (gdiPen_ && pen == pen_) return;
  pen_ = pen;
  const int width = std::max(1, Rounded(pen.width * std::abs(transform_.sx)));
  LOGBRUSH brush{BS_SOLID, Colour(pen.color), 0};
  HPEN made;
  if (pen.style == LineStyle::Dot) {
    // One dot, two gaps, in pen widths.
    const DWORD dashes[] = {static_cast<DWORD>(width), static_cast<DWORD>(2 * width)};
    made = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, width, &brush, 2, dashes);
  } else if (width == 1) {
    made = CreatePen(PS_SOLID, 1, Colour(pen.color));
  } else {
    made = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_BEVEL, width, &brush, 0, nullptr);
  }
  SelectObject(dc_, made);
  if (gdiPen_) DeleteObject(gdiPen_);
  gdiPen_ = made;
}

bool GdiCanvas::ThinPen() const { return pen_.style == LineStyle::Solid && pen_.width * std::abs(transform_.sx) < 1.5; }

void GdiCanvas::EndPoint(POINT at) {
  if (ThinPen()) SetPixelV(dc_, at.x, at.y, Colour(pen_.color));
}

void GdiCanvas::DrawLine(PointF from, PointF to) {
  const POINT a = Map(from);
  const POINT b = Map(to);
  MoveToEx(dc_, a.x, a.y, nullptr);
  LineTo(dc_, b.x, b.y);
  EndPoint(b);
}

void GdiCanvas::DrawLines(const std::vector<LineF>& lines) {
  for (const LineF& line : lines) DrawLine(line.from, line.to);
}

void GdiCanvas::DrawPolyline(const std::vector<PointF>& points) {
  if (points.empty()) return;
  std::vector<POINT> mapped;
  mapped.reserve(points.size());
  for (const PointF& point : points) mapped.push_back(Map(point));
  Polyline(dc_, mapped.data(), static_cast<int>(mapped.size()));
  EndPoint(mapped.back());
}

void GdiCanvas::FillRect(const RectF& rect, Rgb color) {
  const RECT area = MapRect(rect);
  HBRUSH brush = CreateSolidBrush(Colour(color));
  ::FillRect(dc_, &area, brush);
  DeleteObject(brush);
}

void GdiCanvas::DrawRect(const RectF& rect) {
  // GDI leaves a shape's right and bottom edge out; the program's outlines include them.
  const RECT area = MapRect(rect);
  Rectangle(dc_, area.left, area.top, area.right + 1, area.bottom + 1);
}

void GdiCanvas::DrawEllipse(const RectF& rect) {
  const RECT area = MapRect(rect);
  Ellipse(dc_, area.left, area.top, area.right + 1, area.bottom + 1);
}

void GdiCanvas::DrawArc(const RectF& rect, double startDegrees, double spanDegrees) {
  const RECT area = MapRect(rect);
  const double cx = (area.left + area.right + 1) / 2.0;
  const double cy = (area.top + area.bottom + 1) / 2.0;
  const double radius = std::max(area.right - area.left, area.bottom - area.top) + 2.0;
  const auto Radial = [&](double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return POINT{Rounded(cx + radius * std::cos(radians)), Rounded(cy - radius * std::sin(radians))};
  };
  const POINT start = Radial(spanDegrees >= 0 ? startDegrees : startDegrees + spanDegrees);
  const POINT end = Radial(spanDegrees >= 0 ? startDegrees + spanDegrees : startDegrees);
  SetArcDirection(dc_, AD_COUNTERCLOCKWISE);
  Arc(dc_, area.left, area.top, area.right + 1, area.bottom + 1, start.x, start.y, end.x, end.y);
}

void GdiCanvas::DrawText(PointF at, std::string_view text) {
  Select(font_);
  SetTextColor(dc_, Colour(pen_.color));
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const POINT where = Map(at);
  const std::wstring wide = Wide(text);
  TextOutW(dc_, where.x, where.y, wide.c_str(), static_cast<int>(wide.size()));
}

void GdiCanvas::DrawText(const RectF& box, int alignment, std::string_view text) {
  Select(font_);
  SetTextColor(dc_, Colour(pen_.color));
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  RECT area = MapRect(box);
  UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
  if (alignment & align::kRight) format |= DT_RIGHT;
  else if (alignment & align::kHCenter) format |= DT_CENTER;
  format |= (alignment & align::kVCenter) ? DT_VCENTER : DT_TOP;
  std::wstring wide = Wide(text);
  ::DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &area, format);
}

void GdiCanvas::DrawTextUpwards(PointF center, std::string_view text) {
  const SizeF size = LaidOutSize(font_, text);
  Select(font_, 900);
  SetTextColor(dc_, Colour(pen_.color));
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  // Turned a quarter to the left, the text's top left lies at the left of its box's
  // bottom.
  const POINT where = Map({center.x - size.height / 2, center.y + size.width / 2});
  const std::wstring wide = Wide(text);
  TextOutW(dc_, where.x, where.y, wide.c_str(), static_cast<int>(wide.size()));
}

void GdiCanvas::SetClip(const RectF& rect) {
  const RECT area = MapRect(rect);
  SelectClipRgn(dc_, nullptr);
  IntersectClipRect(dc_, area.left, area.top, area.right, area.bottom);
}

void GdiCanvas::ClearClip() { SelectClipRgn(dc_, nullptr); }

void GdiCanvas::Restore() {
  if (saved_.empty()) return;
  transform_ = saved_.back();
  saved_.pop_back();
}

void GdiCanvas::Translate(double dx, double dy) {
  transform_.dx += dx * transform_.sx;
  transform_.dy += dy * transform_.sy;
}

void GdiCanvas::Scale(double sx, double sy) {
  transform_.sx *= sx;
  transform_.sy *= sy;
  // A pen's width is in the units it is drawn in: made again at the new scale.
  if (gdiPen_) {
    const Pen pen = pen_;
    pen_ = {};
    SetPen(pen);
  }
}

GdiImageCanvas::GdiImageCanvas(int width, int height)
    : width_(std::max(1, width)), height_(std::max(1, height)), stride_((width_ * 3 + 3) & ~3) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // rows top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<std::uint8_t*>(bits);
  oldBitmap_ = SelectObject(dc_, bitmap_);
  canvas_ = std::make_unique<GdiCanvas>(dc_, 96.0, true);
}

GdiImageCanvas::~GdiImageCanvas() {
  canvas_.reset();
  SelectObject(dc_, oldBitmap_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

std::uint8_t* GdiImageCanvas::Row(int y) {
  GdiFlush();  // what GDI drew is in the bits before they are read
  return bits_ + static_cast<std::ptrdiff_t>(y) * stride_;
}

void GdiImageCanvas::CopyTo(HDC dc, int x, int y) const {
  GdiFlush();
  BitBlt(dc, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

TextMeasure& ScreenMeasure() {
  // A memory context compatible with the screen measures as the screen draws.
  static HDC dc = CreateCompatibleDC(nullptr);
  static GdiCanvas measure(dc, 96.0, true);
  return measure;
}

}  // namespace kelvatrix
