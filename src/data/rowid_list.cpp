#include "data/rowid_list.h"

#include <algorithm>

namespace tablora::data {

void RowidList::clear() {
    m_runs.clear();
    m_size = 0;
}

void RowidList::assignRange(std::int64_t first, size_t count) {
    clear();
    if (count == 0) return;
    m_runs.push_back({first, 0});
    m_size = count;
}

void RowidList::append(std::int64_t rowid) {
    if (m_runs.empty() || rowid != at(m_size - 1) + 1) m_runs.push_back({rowid, m_size});
    ++m_size;
}

size_t RowidList::runOfIndex(size_t index) const {
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), index,
                                     [](size_t i, const Run& r) { return i < r.index; });
    return static_cast<size_t>(it - m_runs.begin()) - 1;
}

size_t RowidList::runOfRowid(std::int64_t rowid) const {
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), rowid,
                                     [](std::int64_t v, const Run& r) { return v < r.first; });
    return it == m_runs.begin() ? m_runs.size() : static_cast<size_t>(it - m_runs.begin()) - 1;
}

std::int64_t RowidList::at(size_t index) const {
    const Run& run = m_runs[runOfIndex(index)];
    return run.first + static_cast<std::int64_t>(index - run.index);
}

size_t RowidList::lowerBound(std::int64_t rowid) const {
    const size_t run = runOfRowid(rowid);
    if (run == m_runs.size()) return 0;
    const auto offset = static_cast<std::uint64_t>(rowid - m_runs[run].first);
    return m_runs[run].index + static_cast<size_t>(std::min<std::uint64_t>(offset, runLength(run)));
}

std::ptrdiff_t RowidList::indexOf(std::int64_t rowid) const {
    const size_t index = lowerBound(rowid);
    return index < m_size && at(index) == rowid ? static_cast<std::ptrdiff_t>(index) : -1;
}

void RowidList::shiftIndexes(size_t fromRun, std::ptrdiff_t by) {
    for (size_t r = fromRun; r < m_runs.size(); ++r)
        m_runs[r].index = static_cast<size_t>(static_cast<std::ptrdiff_t>(m_runs[r].index) + by);
}

bool RowidList::insert(std::int64_t rowid) {
    const size_t index = lowerBound(rowid);
    if (index < m_size && at(index) == rowid) return false;
    if (index == m_size) {
        append(rowid);
        return true;
    }
    // Runs hold consecutive values, so the rowid above the new one starts a run: the new one
    // extends the run ending just below it, or starts that run one earlier, or joins the two,
    // or is a run of its own.
    const size_t next = runOfIndex(index);
    const bool joinsNext = m_runs[next].first == rowid + 1;
    const bool joinsPrevious = index > 0 && at(index - 1) == rowid - 1;
    if (joinsNext && joinsPrevious) {
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(next));
        shiftIndexes(next, 1);
    } else if (joinsNext) {
        m_runs[next].first = rowid;
        shiftIndexes(next + 1, 1);
    } else if (joinsPrevious) {
        shiftIndexes(next, 1);
    } else {
        m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(next), Run{rowid, index});
        shiftIndexes(next + 1, 1);
    }
    ++m_size;
    return true;
}

bool RowidList::erase(std::int64_t rowid) {
    const std::ptrdiff_t found = indexOf(rowid);
    if (found < 0) return false;
    const auto index = static_cast<size_t>(found);
    const size_t run = runOfIndex(index);
    const size_t length = runLength(run);
    const size_t offset = index - m_runs[run].index;
    if (length == 1) {
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(run));
        shiftIndexes(run, -1);
    } else if (offset == 0) {
        ++m_runs[run].first;
        shiftIndexes(run + 1, -1);
    } else if (offset == length - 1) {
        shiftIndexes(run + 1, -1);
    } else {
        // Split: the values above the erased one become a run of their own.
        m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(run) + 1, Run{rowid + 1, index});
        shiftIndexes(run + 2, -1);
    }
    --m_size;
    return true;
}

}  // namespace tablora::data
