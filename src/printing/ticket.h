#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/desktop.h"
#include "util/gbk.h"

namespace tablora::printing {

// How many columns texts take on the printer: a character takes as many as its GBK bytes (two
// for Chinese, one for ASCII and for the "?" a character GBK lacks prints as).
class Columns {
  public:
    int width(std::string_view utf8);
    // Cuts a text into pieces of at most `width` columns, at character boundaries.
    std::vector<std::string> wrap(std::string_view utf8, int width);
    // The text with every character a receipt printer cannot print as one GBK character (none
    // in GBK, or the one-byte "€") made "?": the width counted, the bytes sent and the drawn
    // copy then agree.
    std::string printable(std::string_view utf8);
    // The text in GBK, appended.
    void appendGbk(std::string& out, std::string_view utf8) { m_gbk.append(out, utf8); }

  private:
    int characterWidth(std::string_view character);
    util::GbkConverter m_gbk;
    std::string m_scratch;
};

// A paper ticket as lines, laid out for the paper's width in columns (58 mm: 32, 80 mm: 48 at
// normal size); a Chinese character takes two columns, and double-size text twice its columns.
class Ticket {
  public:
    explicit Ticket(int paperMm);
    int columns() const { return m_columns; }
    int paperMm() const { return m_paperMm; }

    // A title: centred, bold, double size; wrapped to fit.
    void title(std::string_view text);
    // A line of normal text, wrapped where it is too long.
    void text(std::string_view line, bool bold = false);
    // "label" at the left and "value" at the right of the same line (wrapped when both do
    // not fit).
    void pair(std::string_view label, std::string_view value);
    void rule();
    // A dish line: the name in its column, wrapped there, and the numbers right-aligned in
    // theirs on the name's first line. Header rows use the same columns.
    void dish(std::string_view name, std::string_view quantity, std::string_view price,
              std::string_view amount, bool bold = false);
    // A kitchen line in double size: the name, wrapped, then "×quantity" at the right.
    void bigDish(std::string_view name, std::string_view quantity);

    // The bytes for a receipt printer: initialised, Chinese mode, GBK text, sizes and weights
    // as laid out, fed and cut at the end.
    std::string escPos();
    // The same ticket as plain lines (UTF-8), for a drawn copy and for reading in tests.
    using Line = ui::TicketLine;
    const std::vector<Line>& lines() const { return m_lines; }

  private:
    void add(std::string text, bool bold, bool big, bool centred);
    std::string padLeft(std::string_view text, int width);
    std::string padRight(std::string_view text, int width);
    int m_paperMm, m_columns;
    std::vector<Line> m_lines;
    Columns m_measure;
};

}  // namespace tablora::printing
