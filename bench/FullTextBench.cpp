// Prints the figures of the full-text index:
//   (a) indexing 500 generated multi-page PDFs (extracting every page's text
//       through MuPDF on every core and writing the index) against pdftotext
//       extracting the same files, as many at once as there are cores
//       (target: within 1.5x of pdftotext);
//   (b) the index's size as a fraction of the PDFs' size;
//   (c) query latency of two-word queries in an index of 100,000 pages
//       (target: under 50 ms);
//   (d) the time to open that index.
// Usage: folian_fulltext_bench [pdfs [pages-per-pdf [indexed-pages]]]
//        (default 500 20 100000). Needs pdftotext (poppler-utils) and
// folian-cli (built beside it) to import the PDFs. Everything is written
// into a temporary folder and removed afterwards.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fulltext/FullTextIndex.h"
#include "fulltext/FullTextSync.h"
#include "library/FlnLoad.h"
#include "search/LibraryIdentity.h"

namespace {

// A made-up vocabulary of pronounceable words (consonant-vowel syllables,
// some closed), so that the letters' trigrams are about as varied as in
// real text; words are spread as in real text: a few frequent, most rare.
std::vector<std::string> Vocabulary(std::mt19937& rng, int size) {
  static const char kConsonants[] = "bcdfghjklmnprstvwz";
  static const char kVowels[] = "aeiou";
  static const char kCodas[] = "nrsl";
  std::vector<std::string> words;
  for (int i = 0; i < size; ++i) {
    std::string word;
    const int syllables = 2 + static_cast<int>(rng() % 3);
    for (int p = 0; p < syllables; ++p) {
      word += kConsonants[rng() % 18];
      word += kVowels[rng() % 5];
      if (rng() % 4 == 0) word += kCodas[rng() % 4];
    }
    words.push_back(word);
  }
  return words;
}

std::string Word(std::mt19937& rng, const std::vector<std::string>& words) {
  // Zipf-like: the square of a uniform number favours the first words.
  const double u = std::uniform_real_distribution<double>(0, 1)(rng);
  return words[static_cast<size_t>(u * u * static_cast<double>(words.size() - 1))];
}

std::string PageText(std::mt19937& rng, const std::vector<std::string>& words, int lines) {
  std::string text;
  for (int line = 0; line < lines; ++line) {
    for (int w = 0; w < 10; ++w) text += Word(rng, words) + (w < 9 ? " " : "");
    text += "\n";
  }
  return text;
}

std::string PdfString(const std::string& text) {
  std::string out = "(";
  for (const char c : text) {
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    out += c;
  }
  return out + ")";
}

// A PDF of `pages` pages of 40 lines of text each.
std::string MultiPagePdf(std::mt19937& rng, const std::vector<std::string>& words, int pages) {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                      "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>"};
  std::string kids;
  for (int i = 0; i < pages; ++i) {
    std::string content = "BT /F1 10 Tf 50 750 Td 12 TL";
    const std::string text = PageText(rng, words, 40);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      content += " " + PdfString(text.substr(start, end - start)) + " '";
    content += " ET";
    kids += std::to_string(objects.size() + 1) + " 0 R ";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                      std::to_string(objects.size() + 2) + " 0 R /Resources << /Font << /F1 3 0 R >> >> >>");
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  char line[32];
  for (const size_t offset : offsets) {
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const int pdfCount = argc > 1 ? std::atoi(argv[1]) : 500;
  const int pagesPerPdf = argc > 2 ? std::atoi(argv[2]) : 20;
  const int indexedPages = argc > 3 ? std::atoi(argv[3]) : 100000;
  QTemporaryDir dir;
  if (!dir.isValid()) Fail("no temporary folder");
  qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

  std::mt19937 rng(20261210);
  const std::vector<std::string> words = Vocabulary(rng, 5000);
  QDir().mkpath(dir.filePath("pdfs"));
  int64_t pdfBytes = 0;
  for (int i = 0; i < pdfCount; ++i) {
    const std::string pdf = MultiPagePdf(rng, words, pagesPerPdf);
    QFile file(dir.filePath(QStringLiteral("pdfs/doc%1.pdf").arg(i, 4, 10, QLatin1Char('0'))));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf.data(), static_cast<qint64>(pdf.size())) < 0)
      Fail("cannot write the PDFs");
    pdfBytes += static_cast<int64_t>(pdf.size());
  }
  std::printf("%d PDFs of %d pages (%.1f MB), %u cores\n", pdfCount, pagesPerPdf, pdfBytes / 1e6, cores);

  // pdftotext: every PDF, `cores` at a time.
  const std::string pdftotext = "cd '" + dir.filePath("pdfs").toStdString() +
                                "' && ls *.pdf | xargs -P " + std::to_string(cores) +
                                " -I{} pdftotext -q {} /dev/null";
  std::system("sync");
  const double popplerStart = NowMs();
  if (std::system(pdftotext.c_str()) != 0) Fail("pdftotext failed (is poppler-utils installed?)");
  const double popplerMs = NowMs() - popplerStart;

  // Folian: import, then index from the library file.
  const std::string library = dir.filePath("bench.fln").toStdString();
  const std::string cli = FOLIAN_CLI_PATH;
  if (std::system((cli + " new '" + library + "' && " + cli + " import '" + library + "' '" +
                   dir.filePath("pdfs").toStdString() + "' > /dev/null")
                      .c_str()) != 0)
    Fail("folian-cli could not import the PDFs");
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(library.c_str(), &data).ok()) Fail("cannot load the library");
  const QString indexPath = FullTextIndexPath(&data);
  FullTextIndex index;
  QString notice, error;
  if (!index.open(indexPath, &notice, &error)) Fail(error.toStdString());
  std::map<int32_t, FullTextIndex::Document> held;
  const FullTextWork work = PlanFullTextWork(&data, held);
  std::system("sync");
  const double folianStart = NowMs();
  if (!RunFullTextWork(&index, library, work, nullptr, nullptr, &error)) Fail(error.toStdString());
  const double folianMs = NowMs() - folianStart;
  FreeFlnData(&data);
  const int64_t pages = index.pageCount();
  index.close();
  const int64_t indexBytes = QFileInfo(indexPath).size();

  std::printf("(a) pdftotext, %u at once:    %8.0f ms  (%.0f pages/s)\n", cores, popplerMs,
              pages * 1000.0 / popplerMs);
  std::printf("    Folian index, %u threads: %8.0f ms  (%.0f pages/s; %.2fx pdftotext; target <= 1.5x)\n", cores,
              folianMs, pages * 1000.0 / folianMs, folianMs / popplerMs);
  std::printf("(b) index %.1f MB for %.1f MB of PDFs: %.2f of their size (%lld pages)\n", indexBytes / 1e6,
              pdfBytes / 1e6, static_cast<double>(indexBytes) / static_cast<double>(pdfBytes),
              static_cast<long long>(pages));

  // (c) an index of `indexedPages` pages, written directly.
  const QString bigPath = dir.filePath("big.fulltext");
  FullTextIndex big;
  if (!big.open(bigPath, &notice, &error)) Fail(error.toStdString());
  const int perEntry = 100;
  const double buildStart = NowMs();
  for (int first = 0; first < indexedPages; first += perEntry) {
    std::vector<QString> texts;
    for (int p = 0; p < perEntry && first + p < indexedPages; ++p)
      texts.push_back(QString::fromStdString(PageText(rng, words, 40)));
    if (!big.begin(&error) || !big.store(first / perEntry, "bench", FullTextIndex::State::Text, texts, &error) ||
        !big.commit(&error))
      Fail(error.toStdString());
  }
  const double buildMs = NowMs() - buildStart;
  std::vector<double> latencies;
  std::vector<size_t> found;
  for (int q = 0; q < 40; ++q) {
    // Two words of middling frequency.
    const std::string query = words[200 + rng() % 2000] + " " + words[200 + rng() % 2000];
    std::vector<FullTextIndex::EntryHits> results;
    const double start = NowMs();
    if (!big.search(QString::fromStdString(query), &results, &error)) Fail(error.toStdString());
    latencies.push_back(NowMs() - start);
    found.push_back(results.size());
  }
  std::sort(latencies.begin(), latencies.end());
  std::sort(found.begin(), found.end());
  std::printf("(c) %lld pages indexed in %.0f s; two-word queries: median %.1f ms, worst %.1f ms (target < 50 ms);"
              " entries found: median %zu, most %zu\n",
              static_cast<long long>(big.pageCount()), buildMs / 1000, latencies[latencies.size() / 2],
              latencies.back(), found[found.size() / 2], found.back());

  // (d) what each opening of a library pays, on the window's indexing and
  // search threads and in folian-cli: opening that index checks its layout.
  big.close();
  FullTextIndex reopened;
  const double openStart = NowMs();
  if (!reopened.open(bigPath, &notice, &error)) Fail(error.toStdString());
  std::printf("(d) opening that index, its layout checked: %.2f ms\n", NowMs() - openStart);
  return 0;
}
