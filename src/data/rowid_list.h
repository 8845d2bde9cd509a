#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tablora::data {

// A table's rowids in ascending order, kept as runs of consecutive values: a table whose rows
// were only ever appended is one run, so five million lines cost a few bytes instead of 40 MB,
// and a table with gaps costs one run per gap.
class RowidList {
  public:
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_t runCount() const { return m_runs.size(); }
    void clear();
    // first, first + 1, ..., first + count - 1.
    void assignRange(std::int64_t first, size_t count);
    // Rowids given in ascending order.
    void append(std::int64_t rowid);

    std::int64_t at(size_t index) const;
    // The index of the first rowid not below `rowid` (size() when there is none).
    size_t lowerBound(std::int64_t rowid) const;
    // The index of `rowid`, or -1 when it is not held.
    std::ptrdiff_t indexOf(std::int64_t rowid) const;

    // False when the rowid was held already / was not held.
    bool insert(std::int64_t rowid);
    bool erase(std::int64_t rowid);

  private:
    struct Run {
        std::int64_t first;  // its first rowid
        size_t index;        // the index of that rowid in the list
    };
    size_t runLength(size_t run) const {
        return (run + 1 < m_runs.size() ? m_runs[run + 1].index : m_size) - m_runs[run].index;
    }
    // The run holding the index, or the last one starting at or before the rowid.
    size_t runOfIndex(size_t index) const;
    // m_runs.size() when every run starts above the rowid.
    size_t runOfRowid(std::int64_t rowid) const;
    void shiftIndexes(size_t fromRun, std::ptrdiff_t by);

    std::vector<Run> m_runs;
    size_t m_size = 0;
};

}  // namespace tablora::data
