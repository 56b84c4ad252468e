// The album's picture list: what the contents grid shows and edits, and what the view,
// the album files and the search read. Row 0 is the heading; rows 1 .. RowCount() - 1
// are the pictures in album order. An empty list keeps one blank row below the heading.
#pragma once

#include <string>
#include <vector>

namespace folivex {

class PictureList {
public:
    struct Row {
        std::string fileName; // relative to the picture folder, UTF-8
        std::string comment;  // UTF-8, may be empty
        std::string number;   // hidden column 3
    };

    PictureList() { Reset(); }

    // Two rows: the heading and one blank row.
    void Reset();

    int RowCount() const { return int(rows_.size()) + 1; }
    // Sets the number of rows (heading included); new rows are blank, extra rows go.
    void SetRowCount(int rowCount);

    // True when row 1 has no file name: the album has no pictures.
    bool IsEmpty() const { return rows_.empty() || rows_.front().fileName.empty(); }

    // Rows 1 .. RowCount() - 1; out-of-range rows read as blank.
    const Row& At(int row) const;
    Row& MutableAt(int row);
    const std::string& FileName(int row) const { return At(row).fileName; }
    const std::string& Comment(int row) const { return At(row).comment; }

    void Append(Row row);            // adds a row at the end
    void Insert(int row, Row value); // before row `row`
    void Remove(int row);            // keeps at least one (blank) row
    void Move(int from, int to);     // reorders: row `from` ends up at `to`

    const std::vector<Row>& Rows() const { return rows_; }

private:
    std::vector<Row> rows_; // rows_[0] is grid row 1
};

} // namespace folivex
