#include "query/spreadsheet_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string_view>
#include <thread>
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
    // Without a declared character set LibreOffice reads the GBK text as Windows-1252; Excel
    // honours the declaration as well.
    std::string piece =
        std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">") + kEnd;
    // Order numbers are 14 digits: as numbers a spreadsheet shows 2.0261E+13 and loses them.
    std::vector<bool> asText;
    for (const auto& column : list.columns()) asText.push_back(column.title == "系统单号");
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
        for (size_t c = 0; c < cells.size(); ++c) {
            const std::string_view cell = cells[c];
            piece += c < asText.size() && asText[c]
                         ? "    <td style=\"mso-number-format:'\\@'\" sdnum=\"2052;0;@\">"
                         : "    <td>";
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

// Converts and writes chunks of UTF-8 text in order on a thread of its own; at most a few
// chunks wait, so memory stays a few megabytes whatever the list's length.
class ChunkWriter {
  public:
    explicit ChunkWriter(int fd) : m_fd(fd), m_thread([this] { run(); }) {}
    ~ChunkWriter() { finish(); }
    void push(std::string chunk) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_chunks.size() < 4 || m_failed; });
        if (m_failed) return;  // nothing more is worth writing
        m_chunks.push_back(std::move(chunk));
        m_changed.notify_all();
    }
    // Waits for every chunk; false when any could not be written.
    bool finish() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
            m_changed.notify_all();
        }
        if (m_thread.joinable()) m_thread.join();
        return !m_failed;
    }

  private:
    void run() {
        util::GbkConverter converter;
        std::string gbk;
        for (;;) {
            std::string chunk;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return !m_chunks.empty() || m_done; });
                if (m_chunks.empty()) return;
                chunk = std::move(m_chunks.front());
                m_chunks.pop_front();
                m_changed.notify_all();
            }
            gbk.clear();
            gbk.reserve(chunk.size());
            converter.append(gbk, chunk);
            const bool wrote = writeAll(m_fd, gbk);
            // The disk starts on what is written while the rest is made, so the sync at the
            // end has little left to wait for (a journal of years is some 200 MB).
            if (wrote) {
                ::sync_file_range(m_fd, m_written, static_cast<off_t>(gbk.size()),
                                  SYNC_FILE_RANGE_WRITE);
                m_written += static_cast<off_t>(gbk.size());
            }
            if (!wrote) {
                std::lock_guard lock(m_mutex);
                m_failed = true;
                m_chunks.clear();
                m_changed.notify_all();
                return;
            }
        }
    }

    int m_fd;
    off_t m_written = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_chunks;
    bool m_done = false;
    bool m_failed = false;
    std::thread m_thread;  // last: started once the rest is ready
};

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
    // The rows are read and laid out here while another thread turns the text before them
    // into GBK and writes it: a journal of years goes out in the time the slower half takes.
    ChunkWriter writer(fd);
    std::string pending;
    produce(list, headerRow, title, [&](const std::string& piece) {
        pending += piece;
        if (pending.size() >= (1u << 20)) {
            writer.push(std::move(pending));
            pending.clear();
        }
    });
    writer.push(std::move(pending));
    written = writer.finish() && written;
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
