// brelto_include_check SOURCE-FOLDER: reads the layout table of the README
// (one row per folder: what it holds and what it may include) and every
// quoted #include of the tree, and fails on an include that the table does
// not allow: the layers may only include downwards.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What a row of the table allows: whole folders, single files, or anything.
struct Allowed {
    std::set<std::string> folders;
    std::set<std::string> files;
    bool everything = false;
};

// Rows by folder ("core/"), read from the table under the heading "## Layout".
using Layout = std::map<std::string, Allowed>;

constexpr const char* kEverything = "every folder";

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> found;
    std::stringstream row(line);
    std::string cell;
    std::getline(row, cell, '|'); // before the first bar
    while (std::getline(row, cell, '|'))
        found.push_back(cell);
    return found;
}

std::vector<std::string> quoted(const std::string& cell) {
    std::vector<std::string> names;
    static const std::regex name("`([^`]+)`");
    for (std::sregex_iterator it(cell.begin(), cell.end(), name), end; it != end; ++it)
        names.push_back((*it)[1]);
    return names;
}

bool readLayout(const fs::path& readme, Layout& layout) {
    std::ifstream in(readme);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) inSection = line == "## Layout";
        if (!inSection || line.rfind("| `", 0) != 0) continue;
        const std::vector<std::string> row = cells(line);
        if (row.size() < 3) continue;
        Allowed allowed;
        allowed.everything = row[2].find(kEverything) != std::string::npos;
        for (const std::string& entry : quoted(row[2]))
            (entry.back() == '/' ? allowed.folders : allowed.files).insert(entry);
        for (const std::string& folder : quoted(row[0]))
            layout[folder] = allowed;
    }
    return !layout.empty();
}

// The row that holds a path of the tree: the longest folder that starts it.
std::string rowOf(const Layout& layout, const std::string& path) {
    std::string best;
    for (const auto& [folder, allowed] : layout)
        if (path.rfind(folder, 0) == 0 && folder.size() > best.size()) best = folder;
    return best;
}

bool skipped(const fs::path& relative) {
    const std::string first = relative.begin()->string();
    return first == "build" || first.front() == '.';
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelto_include_check SOURCE-FOLDER\n");
        return 2;
    }
    const fs::path root = fs::canonical(argv[1]);
    Layout layout;
    if (!readLayout(root / "README.md", layout)) {
        std::fprintf(stderr, "include-check: no layout table in %s\n",
                     (root / "README.md").c_str());
        return 1;
    }
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    int checked = 0, faults = 0;
    auto fault = [&faults](const std::string& where, const std::string& what) {
        std::fprintf(stderr, "%s: %s\n", where.c_str(), what.c_str());
        ++faults;
    };
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory() && skipped(relative)) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string extension = it->path().extension().string();
        if (!it->is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
        const std::string file = relative.generic_string();
        const std::string owner = rowOf(layout, file);
        if (owner.empty()) {
            fault(file, "its folder has no row in the README's layout table");
            continue;
        }
        std::ifstream in(it->path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            ++checked;
            const std::string name = match[1];
            const std::string where = file + ":" + std::to_string(number);
            // As the compiler looks: beside the including file first.
            std::string target;
            const fs::path beside = it->path().parent_path() / name;
            if (fs::exists(beside))
                target = fs::relative(fs::canonical(beside), root).generic_string();
            else if (fs::exists(root / name))
                target = name;
            else {
                fault(where, "includes \"" + name + "\", which is not in the tree");
                continue;
            }
            const std::string targetRow = rowOf(layout, target);
            const Allowed& allowed = layout.at(owner);
            if (targetRow == owner || allowed.everything || allowed.folders.count(targetRow) != 0 ||
                allowed.files.count(target) != 0)
                continue;
            fault(where, "includes \"" + name + "\" of " +
                             (targetRow.empty() ? std::string("no row") : targetRow) +
                             ", which the layout table does not let " + owner + " include");
        }
    }
    std::printf("include-check: %d includes checked against %zu folders, %d not allowed\n", checked,
                layout.size(), faults);
    return faults == 0 ? 0 : 1;
}
