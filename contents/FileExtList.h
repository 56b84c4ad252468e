// clbFileExt: the check list of readable file patterns on the contents page; its ticked
// entries decide which files of a folder are listed.
#pragma once

#include <QListWidget>

#include <string>
#include <vector>

namespace folivex {

class TFileExtList : public QListWidget {
    Q_OBJECT
public:
    explicit TFileExtList(QWidget* parent = nullptr);

    // One entry per pattern, in order, each ticked.
    void SetPatterns(const std::vector<std::string>& patterns);
    // The ticked patterns, in order.
    std::vector<std::string> CheckedPatterns() const;
};

} // namespace folivex
