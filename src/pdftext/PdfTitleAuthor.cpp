#include "pdftext/PdfTitleAuthor.h"

#include <QStringList>
#include <QXmlStreamReader>
#include <vector>

#include "pdftext/PdfEngine.h"

extern "C" {
#include <mupdf/pdf.h>
}

namespace {

constexpr char kDublinCore[] = "http://purl.org/dc/elements/1.1/";
constexpr char kRdf[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// The text stored under `key` in the document information, decoded by the
// engine into UTF-8; empty when there is none.
QString InfoText(fz_context* ctx, fz_document* doc, const char* key) {
  std::vector<char> text(4096, '\0');
  int length = -1;
  fz_var(length);
  fz_try(ctx) { length = fz_lookup_metadata(ctx, doc, key, text.data(), static_cast<int>(text.size())); }
  fz_catch(ctx) { length = -1; }
  if (length <= 0) return QString();
  text.back() = '\0';
  return QString::fromUtf8(text.data());
}

// The XMP metadata packet of the catalog as text; empty without one.
QString XmpPacket(fz_context* ctx, fz_document* doc) {
  fz_buffer* buffer = nullptr;
  fz_var(buffer);
  fz_try(ctx) {
    pdf_document* pdf = pdf_specifics(ctx, doc);
    pdf_obj* metadata = pdf != nullptr ? pdf_dict_getp(ctx, pdf_trailer(ctx, pdf), "Root/Metadata") : nullptr;
    if (pdf_is_stream(ctx, metadata)) buffer = pdf_load_stream(ctx, metadata);
  }
  fz_catch(ctx) {
    fz_drop_buffer(ctx, buffer);
    buffer = nullptr;
  }
  if (buffer == nullptr) return QString();
  const QString packet = PdfBufferText(ctx, buffer);
  fz_drop_buffer(ctx, buffer);
  return packet;
}

// dc:title (the x-default alternative, else the first) and dc:creator (all
// names) of an XMP packet; a packet that is no XML gives what was read
// before the fault.
void ReadXmp(const QString& packet, QString* title, QString* author) {
  QXmlStreamReader xml(packet);
  QString property;        // the Dublin Core property being read, or empty
  QStringList titles, creators;
  int defaultTitle = -1;
  while (!xml.atEnd() && !xml.hasError()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.namespaceUri() == QLatin1String(kDublinCore) &&
          (xml.name() == QLatin1String("title") || xml.name() == QLatin1String("creator"))) {
        property = xml.name().toString();
      } else if (!property.isEmpty() && xml.namespaceUri() == QLatin1String(kRdf) && xml.name() == QLatin1String("li")) {
        const bool isDefault = xml.attributes().value(QStringLiteral("xml:lang")) == QLatin1String("x-default");
        const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        if (property == QLatin1String("title")) {
          if (isDefault && defaultTitle < 0) defaultTitle = static_cast<int>(titles.size());
          titles << text;
        } else {
          creators << text;
        }
      }
    } else if (xml.isEndElement() && xml.namespaceUri() == QLatin1String(kDublinCore)) {
      property.clear();
    }
  }
  if (!titles.isEmpty()) *title = titles[defaultTitle >= 0 ? defaultTitle : 0];
  creators.removeAll(QString());
  *author = creators.join(QStringLiteral(", "));
}

}  // namespace

void ReadPdfTitleAndAuthor(const QByteArray& bytes, QString* title, QString* author) {
  title->clear();
  author->clear();
  PdfContext context = NewPdfContext();
  if (!context) return;
  fz_context* ctx = context.get();
  char message[256] = {};
  fz_document* doc = OpenPdfDocument(ctx, bytes, message, sizeof message);
  if (doc == nullptr) return;
  if (!PdfNeedsPassword(ctx, doc)) {
    *title = InfoText(ctx, doc, FZ_META_INFO_TITLE);
    *author = InfoText(ctx, doc, FZ_META_INFO_AUTHOR);
    if (title->trimmed().isEmpty() || author->trimmed().isEmpty()) {
      const QString packet = XmpPacket(ctx, doc);
      QString xmpTitle, xmpAuthor;
      if (!packet.isEmpty()) ReadXmp(packet, &xmpTitle, &xmpAuthor);
      if (title->trimmed().isEmpty()) *title = xmpTitle;
      if (author->trimmed().isEmpty()) *author = xmpAuthor;
    }
  }
  fz_drop_document(ctx, doc);
}
