#include "record/RecordFile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr qreal kBodyPoints = 9, kFooterPoints = 7.5;

// A reader searching the record finds "Identifikátor", not a ligature of "fi" in it: Qt shapes
// text with letter spacing without ligatures, and a twentieth of the writer's dot is not seen.
QFont WithoutLigatures(QFont font) {
  font.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
  return font;
}

// The record laid out for pages of `page` size (the writer's device units).
void LayOut(QTextDocument& document, const UnitRecord& record, QPaintDevice& device, const QSizeF& page,
            const std::vector<std::size_t>& newPageBefore) {
  document.documentLayout()->setPaintDevice(&device);
  QFont font = document.defaultFont();
  font.setPointSizeF(kBodyPoints);
  document.setDefaultFont(WithoutLigatures(font));
  document.setPageSize(page);
  document.setHtml(QString::fromStdString(RecordHtml(record, newPageBefore)));
}

// The first part a page break splits badly: a short one (or the signature, the last) split at
// all, a long one split right after its heading. Each part begins with its heading, a paragraph
// of its own outside the tables.
std::optional<std::size_t> BadlySplitPart(const QTextDocument& document,
                                          const std::vector<RecordPart>& record, qreal pageHeight) {
  struct Span {
    QRectF heading;
    qreal bottom;  // of its last line
  };
  std::vector<Span> parts;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const QRectF rect = document.documentLayout()->blockBoundingRect(block);
    const bool topLevel = QTextCursor(block).currentTable() == nullptr;
    if (topLevel && parts.size() < record.size() &&
        block.text().toStdString() == record[parts.size()].heading)
      parts.push_back({rect, rect.bottom()});
    else if (!parts.empty())
      parts.back().bottom = std::max(parts.back().bottom, rect.bottom());
  }
  const auto pageOf = [&](qreal y) { return static_cast<int>(y / pageHeight); };
  for (std::size_t n = 0; n < parts.size(); ++n) {
    const qreal top = parts[n].heading.top(), bottom = parts[n].bottom;
    if (pageOf(top) == pageOf(bottom - 1)) continue;
    const bool shortPart = bottom - top <= pageHeight / 4 || n + 1 == parts.size();
    if (shortPart || pageOf(top) != pageOf(parts[n].heading.bottom() + 3 * parts[n].heading.height()))
      return n;
  }
  return std::nullopt;
}

}  // namespace

std::string RecordPdf(const UnitRecord& record) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 15, 18, 12), QPageLayout::Millimeter);
    writer.setTitle(QString::fromStdString(RecordTitle() + " " + record.unit.id));
    writer.setCreator(QString::fromStdString(record.program));
    QFont footerFont = WithoutLigatures(QFont());
    footerFont.setPointSizeF(kFooterPoints);
    const qreal footerHeight = 2.5 * QFontMetricsF(footerFont, &writer).height();
    const QSizeF page(writer.width(), writer.height() - footerHeight);

    QTextDocument document;
    const std::vector<RecordPart> parts = RecordParts(record);
    std::vector<std::size_t> newPageBefore;
    for (;;) {
      LayOut(document, record, writer, page, newPageBefore);
      const std::optional<std::size_t> split = BadlySplitPart(document, parts, page.height());
      if (!split || std::find(newPageBefore.begin(), newPageBefore.end(), *split) != newPageBefore.end())
        break;
      newPageBefore.push_back(*split);
    }

    QPainter painter(&writer);
    const int pages = document.pageCount();
    for (int n = 0; n < pages; ++n) {
      if (n > 0) writer.newPage();
      painter.save();
      painter.translate(0, -n * page.height());
      document.drawContents(&painter, QRectF(0, n * page.height(), page.width(), page.height()));
      painter.restore();
      // The foot: a rule, the unit, the date and the page's number of all.
      painter.setFont(footerFont);
      painter.setPen(QPen(QColor(140, 140, 140), 0));
      const qreal footTop = writer.height() - footerHeight * 0.6;
      painter.drawLine(QPointF(0, footTop), QPointF(page.width(), footTop));
      painter.setPen(Qt::black);
      painter.drawText(QRectF(0, footTop, page.width(), writer.height() - footTop),
                       Qt::AlignHCenter | Qt::AlignBottom,
                       QString::fromStdString(RecordFooter(record, n + 1, pages)));
    }
  }  // the writer finishes the document as it goes
  return buffer.data().toStdString();
}

// A font database of names alone (fontconfig's aliases over no font files) lists families but
// draws every letter as a box: asked for a letter, the font has none.
bool RecordFontsFound() { return QFontMetricsF(QFont()).inFont(QLatin1Char('A')); }

std::string RecordBytes(const UnitRecord& record, RecordFormat format) {
  switch (format) {
    case RecordFormat::Pdf: return RecordPdf(record);
    case RecordFormat::Html: return RecordHtml(record);
    case RecordFormat::Text: break;
  }
  return RecordText(record);
}

FileFault SaveRecord(const UnitRecord& record, RecordFormat format, const std::string& path,
                     FileTarget target) {
  return SaveSettingsFile(path, RecordBytes(record, format), target);
}
