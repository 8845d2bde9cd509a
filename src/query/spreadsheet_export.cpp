#include "query/spreadsheet_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include "util/gbk.h"

namespace tablora::query {
namespace {

constexpr const char* kEnd = "\r\n";

void appendEscaped(std::string& out, std::string_view text) {
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '&' && c != '<' && c != '>' && c != '\0') continue;
        out.append(text.data() + from, i - from);
        from = i + 1;
        // A NUL byte read from the file would end the cell early in a reader: left out.
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
    }
    out.append(text.data() + from, text.size() - from);
}

std::string escaped(std::string_view text) {
    std::string out;
    appendEscaped(out, text);
    return out;
}

// Produces the file's text piece by piece: the title block and header first, then one piece
// per data row, then the closing line. A journal of years would not fit in memory twice over.
template <class Sink>
void produce(const ui::ReportList& list, bool headerRow, const std::string& title, Sink&& sink) {
    const int columns = list.columnCount();
    std::string piece;
    if (!title.empty()) {
        piece += std::string("<table border=\"0\">") + kEnd + "  <tr>" + kEnd + "<th  colspan='" +
                 std::to_string(columns) + "' style='font-family:宋体;font-size:30px;'>" +
                 escaped(title) + "</th>" + kEnd + "  </tr>" + kEnd + "</table>" + kEnd;
    }
    piece += std::string("<table border=\"1\">") + kEnd;
    if (headerRow) {
        piece += std::string("  <tr>") + kEnd;
        for (const auto& column : list.columns())
            piece += "    <th>" + escaped(column.title) + "</th>" + kEnd;
        piece += std::string("  </tr>") + kEnd;
    }
    sink(piece);
    std::vector<std::string_view> cells;
    list.forEachRow([&](int r) {
        piece.assign("  <tr>\r\n");
        list.rowCells(r, cells);
        for (const std::string_view cell : cells) {
            piece += "    <td>";
            appendEscaped(piece, cell);
            piece += "</td>\r\n";
        }
        piece += "  </tr>\r\n";
        sink(piece);
    });
    sink(std::string("</table>") + kEnd);
}

}  // namespace

std::string spreadsheetText(const ui::ReportList& list, bool headerRow, const std::string& title) {
    std::string text;
    produce(list, headerRow, title, [&](const std::string& piece) { text += piece; });
    return text;
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

bool ExportListAsSpreadsheet(const std::string& path, const ui::ReportList& list, bool headerRow,
                             const std::string& title) {
    // Only a regular file (or a new one) is a place to save: a FIFO or a device would hold
    // the program until something reads it.
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return false;
    // Written whole beside the chosen name, then put in its place: a full disk or a kill
    // mid-save leaves the old file as it was, never half a new one.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool written = ::fchmod(fd, mode) == 0;
    std::string pending, gbk;
    util::GbkConverter converter;
    auto flush = [&] {
        gbk.clear();
        gbk.reserve(pending.size());
        converter.append(gbk, pending);
        written = written && writeAll(fd, gbk);
        pending.clear();
    };
    produce(list, headerRow, title, [&](const std::string& piece) {
        if (!written) return;
        pending += piece;
        if (pending.size() >= (1u << 20)) flush();
    });
    flush();
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

std::string withXlsExtension(const std::string& path) {
    std::string lowered = path;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered.find(".xls") == std::string::npos ? path + ".xls" : path;
}

}  // namespace tablora::query
