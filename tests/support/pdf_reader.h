#pragma once
// Reads printed PDF files back with poppler-utils: the page count and size (pdfinfo) and
// the text (pdftotext, laid out as on the page).

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace kelvatrix::test {

struct PdfFacts {
  int pages = 0;
  double widthPt = 0;
  double heightPt = 0;
};

inline PdfFacts ReadPdfFacts(const QString& file) {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {file});
  info.waitForFinished(30000);
  const QString text = QString::fromUtf8(info.readAllStandardOutput());
  PdfFacts facts;
  const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text);
  if (pages.hasMatch()) facts.pages = pages.captured(1).toInt();
  const auto size =
      QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
  if (size.hasMatch()) {
    facts.widthPt = size.captured(1).toDouble();
    facts.heightPt = size.captured(2).toDouble();
  }
  return facts;
}

// `layout`: the text laid out as on the page; else each piece of text on a line of its own.
inline QString ReadPdfText(const QString& file, bool layout = true) {
  QProcess text;
  QStringList arguments = {file, QStringLiteral("-")};
  if (layout) arguments.prepend(QStringLiteral("-layout"));
  text.start(QStringLiteral("pdftotext"), arguments);
  text.waitForFinished(120000);
  return QString::fromUtf8(text.readAllStandardOutput());
}

}  // namespace kelvatrix::test
