#include "sheet/sheet_writers.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "sheet/text_metrics.h"

namespace torvacalc {

namespace {

// A number for a content stream: at most two decimals, no exponent, a
// point as decimal mark whatever the locale.
std::string Num(double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  if (ec != std::errc()) return "0";
  std::string s(buf, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

// A PDF string literal of Windows-1252 bytes.
std::string PdfString(const std::string& winAnsi) {
  std::string s = "(";
  for (char ch : winAnsi) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '(' || c == ')' || c == '\\') {
      s += '\\';
      s += ch;
    } else if (c < 32 || c > 126) {
      char oct[8];
      std::snprintf(oct, sizeof oct, "\\%03o", c);
      s += oct;
    } else {
      s += ch;
    }
  }
  return s + ")";
}

std::string Content(const TSheetPage& page, double height) {
  std::string s;
  auto y = [height](double v) { return Num(height - v); };
  for (const TSheetItem& item : page.items) {
    if (const auto* b = std::get_if<TSheetBox>(&item)) {
      const std::string rect = Num(b->x) + " " + y(b->y + b->h) + " " + Num(b->w) + " " + Num(b->h) + " re ";
      if (b->fill >= 0) s += Num(b->fill) + " g " + rect + "f 0 g\n";
      if (b->line > 0) s += Num(b->line) + " w " + rect + "S\n";
    } else if (const auto* l = std::get_if<TSheetLine>(&item)) {
      s += Num(l->grey) + " G " + Num(l->width) + " w " + (l->dashed ? "[3 2] 0 d " : "") + Num(l->x1) + " " +
           y(l->y1) + " m " + Num(l->x2) + " " + y(l->y2) + " l S 0 G" + (l->dashed ? " [] 0 d" : "") + "\n";
    } else if (const auto* p = std::get_if<TSheetPolyline>(&item)) {
      s += Num(p->grey) + " G " + Num(p->width) + " w 1 j " + (p->dashed ? "[3 2] 0 d " : "");
      for (size_t i = 0; i < p->points.size(); ++i)
        s += Num(p->points[i].first) + " " + y(p->points[i].second) + (i == 0 ? " m " : " l ");
      s += std::string("S 0 G 0 j") + (p->dashed ? " [] 0 d" : "") + "\n";
    } else if (const auto* t = std::get_if<TSheetText>(&item)) {
      double x = t->x;
      if (t->align != TAlign::Left) {
        const double w = TextWidth(t->text, t->size, t->bold);
        x -= t->align == TAlign::Right ? w : w / 2;
      }
      s += "BT " + Num(t->grey) + " g /" + (t->bold ? "F2 " : "F1 ") + Num(t->size) + " Tf " + Num(x) + " " + y(t->y) +
           " Td " + PdfString(ToWinAnsi(t->text)) + " Tj ET" + (t->grey > 0 ? " 0 g" : "") + "\n";
    }
  }
  return s;
}

std::string Deflated(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), 6) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

std::string XmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Grey(double g) {
  const int v = static_cast<int>(g * 255 + 0.5);
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", v, v, v);
  return buf;
}

}  // namespace

std::string PdfOfDocument(const TSheetDocument& doc, bool compress) {
  // Objects: 1 catalogue, 2 page tree, 3 and 4 the fonts, 5 the document
  // information, then a page and its content for each page.
  std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  auto object = [&](const std::string& body) {
    offsets.push_back(out.size());
    out += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  const size_t pages = doc.pages.size();
  std::string kids;
  for (size_t i = 0; i < pages; ++i) kids += std::to_string(6 + 2 * i) + " 0 R ";
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
  object("<< /Title " + PdfString(ToWinAnsi(doc.title)) + " /Producer (Torvacalc " TORVACALC_VERSION ") >>");
  for (size_t i = 0; i < pages; ++i) {
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Num(doc.size.width) + " " + Num(doc.size.height) +
           "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " + std::to_string(7 + 2 * i) + " 0 R >>");
    std::string content = Content(doc.pages[i], doc.size.height);
    std::string filter;
    if (compress)
      if (std::string packed = Deflated(content); !packed.empty()) {
        content = std::move(packed);
        filter = " /Filter /FlateDecode";
      }
    object("<< /Length " + std::to_string(content.size()) + filter + " >>\nstream\n" + content + "\nendstream");
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t o : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string HtmlOfDocument(const TSheetDocument& doc, const std::string& language) {
  const std::string w = Num(doc.size.width), h = Num(doc.size.height);
  std::string s = "<!DOCTYPE html>\n<html lang=\"" + XmlEscaped(language) +
                  "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + XmlEscaped(doc.title) +
                  "</title>\n<style>\n"
                  "body { background: #888; margin: 0; }\n"
                  "svg { display: block; margin: 12px auto; background: #fff; }\n"
                  "text { font-family: Helvetica, Arial, sans-serif; white-space: pre; }\n"
                  "@media print { body { background: none; } svg { margin: 0; page-break-after: always; } }\n"
                  "@page { size: " +
                  w + "pt " + h +
                  "pt; margin: 0; }\n"
                  "</style>\n</head>\n<body>\n";
  for (const TSheetPage& page : doc.pages) {
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "pt\" height=\"" + h + "pt\" viewBox=\"0 0 " + w +
         " " + h + "\">\n";
    for (const TSheetItem& item : page.items) {
      if (const auto* b = std::get_if<TSheetBox>(&item)) {
        s += "<rect x=\"" + Num(b->x) + "\" y=\"" + Num(b->y) + "\" width=\"" + Num(b->w) + "\" height=\"" + Num(b->h) +
             "\" fill=\"" + (b->fill >= 0 ? Grey(b->fill) : "none") + "\"" +
             (b->line > 0 ? " stroke=\"#000\" stroke-width=\"" + Num(b->line) + "\"" : "") + "/>\n";
      } else if (const auto* l = std::get_if<TSheetLine>(&item)) {
        s += "<line x1=\"" + Num(l->x1) + "\" y1=\"" + Num(l->y1) + "\" x2=\"" + Num(l->x2) + "\" y2=\"" + Num(l->y2) +
             "\" stroke=\"" + Grey(l->grey) + "\" stroke-width=\"" + Num(l->width) + "\"" +
             (l->dashed ? " stroke-dasharray=\"3 2\"" : "") + "/>\n";
      } else if (const auto* p = std::get_if<TSheetPolyline>(&item)) {
        s += "<polyline fill=\"none\" stroke=\"" + Grey(p->grey) + "\" stroke-width=\"" + Num(p->width) + "\"" +
             (p->dashed ? " stroke-dasharray=\"3 2\"" : "") + " points=\"";
        for (const auto& [x, y] : p->points) s += Num(x) + "," + Num(y) + " ";
        s += "\"/>\n";
      } else if (const auto* t = std::get_if<TSheetText>(&item)) {
        const char* anchor = t->align == TAlign::Left ? "start" : t->align == TAlign::Right ? "end" : "middle";
        s += "<text x=\"" + Num(t->x) + "\" y=\"" + Num(t->y) + "\" font-size=\"" + Num(t->size) + "\"" +
             (t->bold ? " font-weight=\"bold\"" : "") +
             (t->align != TAlign::Left ? std::string(" text-anchor=\"") + anchor + "\"" : "") +
             (t->grey > 0 ? " fill=\"" + Grey(t->grey) + "\"" : "") + ">" + XmlEscaped(t->text) + "</text>\n";
      }
    }
    s += "</svg>\n";
  }
  return s + "</body>\n</html>\n";
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".part";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error(path + ": cannot be written");
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f.flush()) throw std::runtime_error(path + ": cannot be written");
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw std::runtime_error(path + ": cannot be written");
  }
}

}  // namespace torvacalc
