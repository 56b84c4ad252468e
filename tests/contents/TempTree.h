// Real temporary folder trees for the contents tests.
#pragma once

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

namespace folivex::test {

class TempTree {
public:
    TempTree() { EXPECT_TRUE(dir_.isValid()); }

    std::string Root() const { return dir_.path().toStdString(); }
    std::string Path(const std::string& relative) const { return Root() + "/" + relative; }

    void Folder(const std::string& relative) const {
        std::filesystem::create_directories(Path(relative));
    }
    void File(const std::string& relative, const std::string& content = "x") const {
        std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
        std::ofstream(Path(relative), std::ios::binary) << content;
    }
    void Files(std::initializer_list<std::string> relatives) const {
        for (const auto& r : relatives)
            File(r);
    }

private:
    QTemporaryDir dir_;
};

} // namespace folivex::test
