#include "printing/ticket.h"

#include <algorithm>

#include "util/text.h"

namespace tablora::printing {
namespace {

// Widths of the number columns of a dish line, at normal size.
constexpr int kQuantityWidth = 4, kPriceWidth = 7, kAmountWidth = 8;

size_t characterLength(std::string_view text, size_t at) {
    const size_t len =
        static_cast<size_t>(util::utf8SequenceLength(static_cast<unsigned char>(text[at])));
    return std::min(len, text.size() - at);
}

}  // namespace

int Columns::characterWidth(std::string_view character) {
    if (static_cast<unsigned char>(character[0]) < 0x80) return 1;
    m_scratch.clear();
    m_gbk.append(m_scratch, character);
    return static_cast<int>(m_scratch.size());
}

int Columns::width(std::string_view utf8) {
    int width = 0;
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = characterLength(utf8, i);
        width += characterWidth(utf8.substr(i, len));
        i += len;
    }
    return width;
}

std::string Columns::printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = characterLength(utf8, i);
        const std::string_view c = utf8.substr(i, len);
        if (static_cast<unsigned char>(c[0]) < 0x80 || characterWidth(c) == 2)
            out.append(c);
        else
            out += '?';
        i += len;
    }
    return out;
}

std::vector<std::string> Columns::wrap(std::string_view utf8, int width) {
    std::vector<std::string> pieces;
    std::string piece;
    int used = 0;
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = characterLength(utf8, i);
        const int w = characterWidth(utf8.substr(i, len));
        if (used + w > width && !piece.empty()) {
            pieces.push_back(std::move(piece));
            piece.clear();
            used = 0;
        }
        piece.append(utf8.substr(i, len));
        used += w;
        i += len;
    }
    if (!piece.empty() || pieces.empty()) pieces.push_back(std::move(piece));
    return pieces;
}

Ticket::Ticket(int paperMm)
    : m_paperMm(paperMm >= 80 ? 80 : 58), m_columns(paperMm >= 80 ? 48 : 32) {}

std::string Ticket::padLeft(std::string_view text, int width) {
    return std::string(static_cast<size_t>(std::max(0, width - m_measure.width(text))), ' ') +
           std::string(text);
}

std::string Ticket::padRight(std::string_view text, int width) {
    return std::string(text) +
           std::string(static_cast<size_t>(std::max(0, width - m_measure.width(text))), ' ');
}

void Ticket::add(std::string text, bool bold, bool big, bool centred) {
    m_lines.push_back({m_measure.printable(text), bold, big, centred});
}

void Ticket::title(std::string_view text) {
    for (auto& piece : m_measure.wrap(text, m_columns / 2)) add(std::move(piece), true, true, true);
}

void Ticket::text(std::string_view line, bool bold) {
    for (auto& piece : m_measure.wrap(line, m_columns)) add(std::move(piece), bold, false, false);
}

void Ticket::pair(std::string_view label, std::string_view value) {
    if (value.empty()) return text(label);
    const int gap = m_columns - m_measure.width(label) - m_measure.width(value);
    if (gap >= 1) {
        add(std::string(label) + std::string(static_cast<size_t>(gap), ' ') + std::string(value),
            false, false, false);
        return;
    }
    text(label);
    for (auto& piece : m_measure.wrap(value, m_columns))
        add(padLeft(piece, m_columns), false, false, false);
}

void Ticket::rule() {
    add(std::string(static_cast<size_t>(m_columns), '-'), false, false, false);
}

void Ticket::dish(std::string_view name, std::string_view quantity, std::string_view price,
                  std::string_view amount, bool bold) {
    const int nameWidth = m_columns - kQuantityWidth - kPriceWidth - kAmountWidth - 3;
    const auto pieces = m_measure.wrap(name, nameWidth);
    // Numbers wider than their columns take the room of the name's column on a line of their
    // own, so they are never cut.
    const std::string numbers = " " + padLeft(quantity, kQuantityWidth) + " " +
                                padLeft(price, kPriceWidth) + " " + padLeft(amount, kAmountWidth);
    if (m_measure.width(numbers) + nameWidth > m_columns) {
        for (const auto& piece : pieces) add(piece, bold, false, false);
        for (const auto& piece : m_measure.wrap(numbers.substr(1), m_columns))
            add(padLeft(piece, m_columns), bold, false, false);
        return;
    }
    add(padRight(pieces[0], nameWidth) + numbers, bold, false, false);
    for (size_t i = 1; i < pieces.size(); ++i) add(pieces[i], bold, false, false);
}

void Ticket::bigDish(std::string_view name, std::string_view quantity) {
    const int columns = m_columns / 2;  // double width
    const std::string count = "×" + std::string(quantity);
    const int countWidth = m_measure.width(count);
    const auto pieces = m_measure.wrap(name, std::max(1, columns - countWidth - 1));
    for (size_t i = 0; i + 1 < pieces.size(); ++i) add(pieces[i], true, true, false);
    const std::string& last = pieces.back();
    const int gap = columns - m_measure.width(last) - countWidth;
    if (gap >= 1)
        add(last + std::string(static_cast<size_t>(gap), ' ') + count, true, true, false);
    else {
        add(last, true, true, false);
        add(padLeft(count, columns), true, true, false);
    }
}

std::string Ticket::escPos() {
    std::string out;
    out += "\x1b\x40";  // ESC @: initialise
    out += "\x1c\x26";  // FS &: Chinese character mode, so GBK bytes print as characters
    for (const Line& line : m_lines) {
        out += "\x1b\x61";  // ESC a n: alignment
        out += line.centred ? '\x01' : '\x00';
        out += "\x1b\x45";  // ESC E n: bold
        out += line.bold ? '\x01' : '\x00';
        out += "\x1d\x21";  // GS ! n: double width and height, or normal
        out += line.big ? '\x11' : '\x00';
        out += "\x1c\x21";  // FS ! n: the same for Chinese characters
        out += line.big ? '\x0c' : '\x00';
        m_measure.appendGbk(out, line.text);
        out += '\n';
    }
    out += "\x1b\x64\x04";                      // ESC d 4: feed past the cutter
    out += std::string("\x1d\x56\x42\x00", 4);  // GS V 66 0: cut
    return out;
}

}  // namespace tablora::printing
