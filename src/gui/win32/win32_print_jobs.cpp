#include "gui/win32/win32_print_jobs.h"

#include <commdlg.h>

#include <memory>
#include <optional>

#include "gui/win32/gdi_canvas.h"
#include "gui/win32/wide_text.h"

namespace kelvatrix {
namespace {

constexpr double kMmPerInch = 25.4;
// A metafile page's units: fine enough for the charts' lines and the report's text.
constexpr int kMetafileDotsPerInch = 600;

struct PaperMm {
  double width;
  double height;
  short windowsPaper;
};

PaperMm PaperOf(PageSetup::Paper paper) {
  switch (paper) {
    case PageSetup::Paper::A3: return {297, 420, DMPAPER_A3};
    case PageSetup::Paper::A5: return {148, 210, DMPAPER_A5};
    case PageSetup::Paper::Letter: return {215.9, 279.4, DMPAPER_LETTER};
    case PageSetup::Paper::Legal: return {215.9, 355.6, DMPAPER_LEGAL};
    case PageSetup::Paper::A4: break;
  }
  return {210, 297, DMPAPER_A4};
}

// One printer job's pages on a printer device context, which the job owns.
class PrinterPages final : public PageCanvas {
 public:
  // `marginsMm` left, top, right, bottom; none: the whole sheet.
  PrinterPages(HDC dc, const std::string& title, std::optional<std::array<double, 4>> marginsMm) : dc_(dc) {
    const std::wstring name = Wide(title);
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = name.c_str();
    begun_ = StartDocW(dc_, &document) > 0 && StartPage(dc_) > 0;
    dpi_ = GetDeviceCaps(dc_, LOGPIXELSX);
    // Device coordinates start at the printable area's corner, PHYSICALOFFSET into the sheet.
    const double offsetX = GetDeviceCaps(dc_, PHYSICALOFFSETX);
    const double offsetY = GetDeviceCaps(dc_, PHYSICALOFFSETY);
    const double sheetWidth = GetDeviceCaps(dc_, PHYSICALWIDTH);
    const double sheetHeight = GetDeviceCaps(dc_, PHYSICALHEIGHT);
    if (marginsMm) {
      const double unit = dpi_ / kMmPerInch;
      origin_ = {(*marginsMm)[0] * unit - offsetX, (*marginsMm)[1] * unit - offsetY};
      size_ = {sheetWidth - ((*marginsMm)[0] + (*marginsMm)[2]) * unit,
               sheetHeight - ((*marginsMm)[1] + (*marginsMm)[3]) * unit};
    } else {
      origin_ = {-offsetX, -offsetY};
      size_ = {sheetWidth, sheetHeight};
    }
    MakeCanvas();
  }
  ~PrinterPages() override {
    canvas_.reset();
    DeleteDC(dc_);
  }
  bool Begun() const { return begun_; }
  void End() {
    canvas_.reset();
    EndPage(dc_);
    EndDoc(dc_);
  }

  Canvas& Drawing() override { return *canvas_; }
  SizeF PageSize() const override { return size_; }
  double Resolution() const override { return dpi_; }
  void NewPage() override {
    canvas_.reset();
    EndPage(dc_);
    StartPage(dc_);  // a page starts with the context's defaults again
    MakeCanvas();
  }

 private:
  void MakeCanvas() {
    canvas_ = std::make_unique<GdiCanvas>(dc_, dpi_, false);
    canvas_->Translate(origin_.x, origin_.y);
  }

  HDC dc_;
  bool begun_ = false;
  double dpi_ = 600;
  PointF origin_;
  SizeF size_;
  std::unique_ptr<GdiCanvas> canvas_;
};

// A job's pages as metafiles: `<folder>\<title>-<n>.emf`.
class MetafilePages final : public PageCanvas {
 public:
  MetafilePages(std::wstring stem, double sheetWidthMm, double sheetHeightMm, std::array<double, 4> marginsMm)
      : stem_(std::move(stem)), widthMm_(sheetWidthMm), heightMm_(sheetHeightMm), margins_(marginsMm) {
    Open();
  }
  ~MetafilePages() override { Close(); }

  bool Failed() const { return failed_; }
  int Pages() const { return page_; }
  std::wstring FileOf(int page) const { return stem_ + L"-" + std::to_wstring(page) + L".emf"; }

  Canvas& Drawing() override { return *canvas_; }
  SizeF PageSize() const override {
    const double unit = kMetafileDotsPerInch / kMmPerInch;
    return {(widthMm_ - margins_[0] - margins_[2]) * unit, (heightMm_ - margins_[1] - margins_[3]) * unit};
  }
  double Resolution() const override { return kMetafileDotsPerInch; }
  void NewPage() override {
    Close();
    Open();
  }
  void Close() {
    canvas_.reset();
    if (!dc_) return;
    HENHMETAFILE done = CloseEnhMetaFile(dc_);
    dc_ = nullptr;
    if (done) {
      DeleteEnhMetaFile(done);
    } else {
      failed_ = true;
    }
  }

 private:
  void Open() {
    ++page_;
    // The frame in hundredths of a millimetre: the whole sheet.
    const RECT frame{0, 0, static_cast<LONG>(widthMm_ * 100), static_cast<LONG>(heightMm_ * 100)};
    const std::wstring file = FileOf(page_);
    dc_ = CreateEnhMetaFileW(nullptr, file.c_str(), &frame, L"Kelvatrix\0Print\0");
    if (!dc_) {
      failed_ = true;
      dc_ = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);  // drawn into nothing
    }
    // Units of 1/600 inch, whatever the reference screen's pixels are.
    HDC screen = GetDC(nullptr);
    const double screenPerMm = GetDeviceCaps(screen, HORZRES) / static_cast<double>(GetDeviceCaps(screen, HORZSIZE));
    const double screenPerMmY = GetDeviceCaps(screen, VERTRES) / static_cast<double>(GetDeviceCaps(screen, VERTSIZE));
    ReleaseDC(nullptr, screen);
    SetMapMode(dc_, MM_ANISOTROPIC);
    SetWindowExtEx(dc_, kMetafileDotsPerInch * 10, kMetafileDotsPerInch * 10, nullptr);
    SetViewportExtEx(dc_, static_cast<int>(screenPerMm * kMmPerInch * 10 + 0.5),
                     static_cast<int>(screenPerMmY * kMmPerInch * 10 + 0.5), nullptr);
    canvas_ = std::make_unique<GdiCanvas>(dc_, kMetafileDotsPerInch, false);
    const double unit = kMetafileDotsPerInch / kMmPerInch;
    canvas_->Translate(margins_[0] * unit, margins_[1] * unit);
  }

  std::wstring stem_;
  double widthMm_;
  double heightMm_;
  std::array<double, 4> margins_;
  HDC dc_ = nullptr;
  int page_ = 0;
  bool failed_ = false;
  std::unique_ptr<GdiCanvas> canvas_;
};

const char* const kNoPrinter =
    "No printer is set up on this computer. To print into files, start Kelvatrix with --print-to and a folder";

// The current printer: chosen in the Print dialog (or the system's default), kept for
// the program's life as the platform keeps one.
class PrinterJobs final : public PrintJobs {
 public:
  PrinterJobs(HWND owner, bool dialogs) : owner_(owner), dialogs_(dialogs) {}
  ~PrinterJobs() override {
    if (devMode_) GlobalFree(devMode_);
    if (devNames_) GlobalFree(devNames_);
  }

  PrintedJob PrintReport(const std::string& title, const PageSetup& setup, const Render& render) override {
    const PaperMm paper = PaperOf(setup.paper);
    if (dialogs_) {
      PRINTDLGW dialog = Dialog(PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE);
      if (!PrintDlgW(&dialog)) {
        // Cancelled, or no printer at all, which the dialog has said itself.
        Keep(dialog);
        return {false, 0, {}};
      }
      Keep(dialog);
      if (dialog.hDC) DeleteDC(dialog.hDC);
    } else {
      Require();
    }
    HDC dc = MakeDc(setup.landscape, paper.windowsPaper);
    return Run(dc, title, setup.marginsMm, render);
  }

  PrintedJob PrintPage(const std::string& title, bool landscape, const Render& render) override {
    Require();
    // The user's printer settings stay: the turn is made on a copy, for this job only.
    HDC dc = MakeDc(landscape, 0);
    return Run(dc, title, std::nullopt, render);
  }

 private:
  PRINTDLGW Dialog(DWORD flags) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.hDevMode = devMode_;
    dialog.hDevNames = devNames_;
    dialog.Flags = flags;
    return dialog;
  }
  void Keep(const PRINTDLGW& dialog) {
    devMode_ = dialog.hDevMode;
    devNames_ = dialog.hDevNames;
  }
  void Require() {
    if (devNames_) return;
    PRINTDLGW dialog = Dialog(PD_RETURNDEFAULT);
    dialog.hDevMode = nullptr;
    dialog.hDevNames = nullptr;
    if (!PrintDlgW(&dialog)) throw PrintError(kNoPrinter);
    Keep(dialog);
  }
  HDC MakeDc(bool landscape, short paper) {
    auto* names = static_cast<DEVNAMES*>(GlobalLock(devNames_));
    const std::wstring device = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
    printerName_ = Utf8(device);
    GlobalUnlock(devNames_);
    HDC dc = nullptr;
    if (auto* mode = static_cast<DEVMODEW*>(devMode_ ? GlobalLock(devMode_) : nullptr)) {
      std::vector<std::uint8_t> copy(reinterpret_cast<std::uint8_t*>(mode),
                                     reinterpret_cast<std::uint8_t*>(mode) + mode->dmSize + mode->dmDriverExtra);
      GlobalUnlock(devMode_);
      auto* turned = reinterpret_cast<DEVMODEW*>(copy.data());
      turned->dmFields |= DM_ORIENTATION;
      turned->dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
      if (paper) {
        turned->dmFields |= DM_PAPERSIZE;
        turned->dmPaperSize = paper;
      }
      dc = CreateDCW(nullptr, device.c_str(), nullptr, turned);
    } else {
      dc = CreateDCW(nullptr, device.c_str(), nullptr, nullptr);
    }
    if (!dc) throw PrintError("The printer \"" + printerName_ + "\" cannot be used");
    return dc;
  }
  PrintedJob Run(HDC dc, const std::string& title, std::optional<std::array<double, 4>> margins,
                 const Render& render) {
    PrinterPages pages(dc, title, margins);
    if (!pages.Begun()) throw PrintError("The printer \"" + printerName_ + "\" cannot be used");
    const int count = render(pages);
    pages.End();
    return {true, count, printerName_};
  }

  HWND owner_;
  bool dialogs_;
  HGLOBAL devMode_ = nullptr;
  HGLOBAL devNames_ = nullptr;
  std::string printerName_;
};

class MetafileJobs final : public PrintJobs {
 public:
  explicit MetafileJobs(std::string folder) : folder_(std::move(folder)) {}

  PrintedJob PrintReport(const std::string& title, const PageSetup& setup, const Render& render) override {
    PaperMm paper = PaperOf(setup.paper);
    if (setup.landscape) std::swap(paper.width, paper.height);
    return Print(title, paper.width, paper.height, setup.marginsMm, render);
  }

  PrintedJob PrintPage(const std::string& title, bool landscape, const Render& render) override {
    PaperMm paper = PaperOf(PageSetup::Paper::A4);
    if (landscape) std::swap(paper.width, paper.height);
    return Print(title, paper.width, paper.height, {}, render);
  }

 private:
  PrintedJob Print(const std::string& title, double width, double height, std::array<double, 4> margins,
                   const Render& render) {
    const DWORD attributes = GetFileAttributesW(Wide(folder_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw PrintError("The folder for print files \"" + folder_ + "\" does not exist");
    std::string stem = folder_;
    if (!stem.empty() && stem.back() != '\\' && stem.back() != '/') stem += '\\';
    stem += PrintFileName(title);
    MetafilePages pages(Wide(stem), width, height, margins);
    const int count = render(pages);
    pages.Close();
    if (pages.Failed() || count <= 0) throw PrintError("The print file \"" + Utf8(pages.FileOf(1)) + "\" cannot be written");
    std::string destination = Utf8(pages.FileOf(1));
    if (pages.Pages() > 1) destination += " to " + Utf8(pages.FileOf(pages.Pages()));
    return {true, count, destination};
  }

  std::string folder_;
};

}  // namespace

std::unique_ptr<PrintJobs> MakePrinterJobs(HWND owner, bool dialogs) {
  return std::make_unique<PrinterJobs>(owner, dialogs);
}

std::unique_ptr<PrintJobs> MakeMetafileJobs(const std::string& folder) {
  return std::make_unique<MetafileJobs>(folder);
}

}  // namespace kelvatrix
