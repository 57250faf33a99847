#include "record/RecordFile.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

std::string RecordPdf(const UnitRecord& record) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter);
    writer.setTitle(QString::fromStdString(RecordTitle() + " " + record.unit.id));
    writer.setCreator(QString::fromStdString(record.program));
    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    document.setHtml(QString::fromStdString(RecordHtml(record)));
    document.print(&writer);
  }  // the writer finishes the document as it goes
  return buffer.data().toStdString();
}

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
