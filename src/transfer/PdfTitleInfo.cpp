#include "transfer/PdfTitleInfo.h"

#include <QRegularExpression>

#include "format/FieldText.h"

namespace {

// White space runs as one space, trimmed; empty when the text has no letter
// or digit or holds what only a wrong decoding leaves behind.
QString CleanText(const QString& text) {
  const QString simple = text.simplified();
  bool hasLetterOrDigit = false;
  for (const QChar c : simple) {
    if (c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control) return QString();
    hasLetterOrDigit = hasLetterOrDigit || c.isLetterOrNumber();
  }
  return hasLetterOrDigit ? simple : QString();
}

bool LooksLikeFileName(const QString& text) {
  // Office's printer drivers put the program before the document's name.
  static const QRegularExpression program(QStringLiteral("^Microsoft (Word|PowerPoint|Excel) - "),
                                          QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression extension(
      QStringLiteral("\\.(pdf|docx?|dotx?|rtf|odt|txt|tex|dvi|ps|eps|pptx?|xlsx?|indd|pages|key|html?|md|jpe?g|png|tiff?)$"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression path(QStringLiteral("^([A-Za-z]:\\\\|/|~/|\\\\\\\\)"));
  static const QRegularExpression untitled(QStringLiteral("^(untitled|無題|名称未設定)( ?\\d+)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
  return program.match(text).hasMatch() || extension.match(text).hasMatch() || path.match(text).hasMatch() ||
         untitled.match(text).hasMatch();
}

}  // namespace

QString PlausibleTitle(const QString& text) {
  const QString clean = CleanText(text);
  return LooksLikeFileName(clean) ? QString() : clean;
}

QString PlausibleAuthor(const QString& text) {
  static const QRegularExpression placeholder(
      QStringLiteral("^(administrator|admin|user|owner|unknown|author|anonymous|root)$"),
      QRegularExpression::CaseInsensitiveOption);
  const QString clean = CleanText(text);
  return placeholder.match(clean).hasMatch() || LooksLikeFileName(clean) ? QString() : clean;
}

PdfInfoFilled FillEntryFromPdfInfo(const QByteArray& pdf, const PdfInfoReader& reader, FLN_ENTRY* entry) {
  PdfInfoFilled filled;
  if (!reader) return filled;
  QString title, author;
  reader(pdf, &title, &author);
  title = PlausibleTitle(title);
  author = PlausibleAuthor(author);
  if (!title.isEmpty()) {
    StoreFittedText(title, entry->en_title, sizeof entry->en_title);
    filled.title = true;
  }
  if (!author.isEmpty()) {
    StoreFittedText(author, entry->en_author_name, sizeof entry->en_author_name);
    filled.author = true;
  }
  return filled;
}
