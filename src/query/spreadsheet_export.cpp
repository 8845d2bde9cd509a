#include "query/spreadsheet_export.h"

#include <cstdio>
#include <memory>

#include "util/gbk.h"

namespace tablora::query {
namespace {

constexpr const char* kEnd = "\r\n";

std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
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
    for (int r = 0; r < list.rowCount(); ++r) {
        piece = std::string("  <tr>") + kEnd;
        for (int c = 0; c < columns; ++c)
            piece += "    <td>" + escaped(list.cell(r, c)) + "</td>" + kEnd;
        piece += std::string("  </tr>") + kEnd;
        sink(piece);
    }
    sink(std::string("</table>") + kEnd);
}

}  // namespace

std::string spreadsheetText(const ui::ReportList& list, bool headerRow, const std::string& title) {
    std::string text;
    produce(list, headerRow, title, [&](const std::string& piece) { text += piece; });
    return text;
}

bool ExportListAsSpreadsheet(const std::string& path, const ui::ReportList& list, bool headerRow,
                             const std::string& title) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file) return false;
    bool written = true;
    std::string pending;
    auto flush = [&] {
        const std::string gbk = util::toGbk(pending);
        written = written && std::fwrite(gbk.data(), 1, gbk.size(), file.get()) == gbk.size();
        pending.clear();
    };
    produce(list, headerRow, title, [&](const std::string& piece) {
        pending += piece;
        if (pending.size() >= (1u << 20)) flush();
    });
    flush();
    return std::fclose(file.release()) == 0 && written;
}

std::string withXlsExtension(const std::string& path) {
    std::string lowered = path;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered.find(".xls") == std::string::npos ? path + ".xls" : path;
}

}  // namespace tablora::query
