// The floors of the source tree, read from its #include lines: the toolkit at the bottom knows
// nothing above it, the core knows no screens, platform/ stands on the toolkit, db/ and the core,
// the shell (src/app) is included by nobody, no subsystem's screens borrow the main form's, the
// screen folders include each other without a circle, and no file grows past what one reads
// through. Each failure names the file, the line and what it objects to.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLines = 900;

struct Include {
    std::string file;    // the including file, from the project folder ("src/toolkit/ui/TolGrid.cpp")
    int line = 0;
    std::string text;    // as written between the quotes
    std::string target;  // the header's folder under src/ ("toolkit/ui"); empty when it is not there
};

struct SourceFile {
    std::string path;    // from the project folder
    std::string folder;  // under src/ ("toolkit/ui"), or "tools/NAME" for a tool
    bool underSrc = false;
    int lines = 0;
};

const fs::path& projectDir() {
    static const fs::path dir(QUINTALEVA_SOURCE_DIR);
    return dir;
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// "toolkit/ui" for "toolkit/ui/TolGrid.h".
std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string subsystemOf(const std::string& folder) { return folder.substr(0, folder.find('/')); }

bool isScreenFolder(const std::string& folder) {
    return folder.size() >= 3 && (folder.ends_with("/ui") || folder.find("/ui/") != std::string::npos);
}

struct Tree {
    std::vector<SourceFile> files;
    std::vector<Include> includes;
};

const Tree& tree() {
    static const Tree t = [] {
        Tree tree;
        const std::regex includeLine(R"(^\s*#\s*include\s*"([^"]+)\")");
        for (const char* top : {"src", "tools"}) {
            for (const auto& entry : fs::recursive_directory_iterator(projectDir() / top)) {
                const std::string ext = entry.path().extension().string();
                if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
                    continue;
                SourceFile file;
                file.path = fs::relative(entry.path(), projectDir()).generic_string();
                file.underSrc = startsWith(file.path, "src/");
                file.folder = file.underSrc ? folderOf(file.path.substr(4)) : folderOf(file.path);
                std::ifstream in(entry.path());
                std::string text;
                std::smatch m;
                while (std::getline(in, text)) {
                    ++file.lines;
                    if (!std::regex_search(text, m, includeLine))
                        continue;
                    Include inc{file.path, file.lines, m[1].str(), {}};
                    // A header beside the file (the tools' own) is not one of the floors'.
                    if (!fs::exists(entry.path().parent_path() / inc.text) &&
                        fs::exists(projectDir() / "src" / inc.text))
                        inc.target = folderOf(inc.text);
                    tree.includes.push_back(std::move(inc));
                }
                tree.files.push_back(std::move(file));
            }
        }
        std::sort(tree.files.begin(), tree.files.end(), [](auto& a, auto& b) { return a.path < b.path; });
        std::sort(tree.includes.begin(), tree.includes.end(),
                  [](auto& a, auto& b) { return std::tie(a.file, a.line) < std::tie(b.file, b.line); });
        return tree;
    }();
    return t;
}

const SourceFile& fileOf(const Include& inc) {
    const auto& files = tree().files;
    return *std::find_if(files.begin(), files.end(), [&](const SourceFile& f) { return f.path == inc.file; });
}

std::string where(const Include& inc) { return inc.file + ":" + std::to_string(inc.line) + ": #include \"" + inc.text + "\""; }

// Every include of the tree that `broken` objects to, one line each with the reason.
std::string offences(const std::function<std::string(const SourceFile&, const Include&)>& broken) {
    std::string out;
    for (const Include& inc : tree().includes) {
        if (inc.target.empty())
            continue;
        if (const std::string why = broken(fileOf(inc), inc); !why.empty())
            out += "\n  " + where(inc) + ": " + why;
    }
    return out;
}

TEST(IncludeRules, TheTreeIsRead) {
    // A wrong source folder would pass every rule below on nothing.
    EXPECT_GT(tree().files.size(), 300u);
    EXPECT_GT(tree().includes.size(), 1000u);
}

TEST(IncludeRules, TheToolkitIncludesOnlyTheToolkit) {
    const std::string found = offences([](const SourceFile& f, const Include& inc) -> std::string {
        if (!f.underSrc || subsystemOf(f.folder) != "toolkit" || subsystemOf(inc.target) == "toolkit")
            return {};
        return "the toolkit may include only toolkit/ headers";
    });
    EXPECT_TRUE(found.empty()) << found;
}

TEST(IncludeRules, TheCoreIncludesNoScreens) {
    const std::string found = offences([](const SourceFile& f, const Include& inc) -> std::string {
        if (!f.underSrc || isScreenFolder(f.folder) || !isScreenFolder(inc.target))
            return {};
        return "a core file (outside ui/) may not include a ui/ header";
    });
    EXPECT_TRUE(found.empty()) << found;
}

TEST(IncludeRules, PlatformStandsOnTheToolkitDbAndTheCore) {
    const std::string found = offences([](const SourceFile& f, const Include& inc) -> std::string {
        if (!f.underSrc || subsystemOf(f.folder) != "platform")
            return {};
        const std::string to = subsystemOf(inc.target);
        if (to == "platform" || to == "toolkit" || to == "db" || (!isScreenFolder(inc.target) && to != "app"))
            return {};
        return "platform/ may include only platform/, toolkit/, db/ and core headers";
    });
    EXPECT_TRUE(found.empty()) << found;
}

TEST(IncludeRules, NobodyIncludesTheShellOrTheMainFormsScreens) {
    const std::string found = offences([](const SourceFile& f, const Include& inc) -> std::string {
        const std::string from = f.underSrc ? subsystemOf(f.folder) : f.folder;
        const std::string to = subsystemOf(inc.target);
        if (to == "app" && from != "app")
            return "nothing outside src/app includes the shell";
        if (startsWith(inc.target, "invoice/ui") && from != "invoice" && from != "app")
            return "only the invoice screens and the shell include invoice/ui/";
        return {};
    });
    EXPECT_TRUE(found.empty()) << found;
}

TEST(IncludeRules, ScreenFoldersIncludeEachOtherWithoutACircle) {
    // X/ui -> Y/ui, each edge with the first include that makes it.
    std::map<std::string, std::map<std::string, const Include*>> edges;
    for (const Include& inc : tree().includes) {
        const SourceFile& f = fileOf(inc);
        if (!f.underSrc || !isScreenFolder(f.folder) || !isScreenFolder(inc.target))
            continue;
        const std::string from = subsystemOf(f.folder), to = subsystemOf(inc.target);
        if (from != to && !edges[from].count(to))
            edges[from][to] = &inc;
    }
    std::map<std::string, int> state;  // 0 unseen, 1 on the path, 2 done
    std::vector<std::string> path;
    std::string found;
    std::function<void(const std::string&)> visit = [&](const std::string& node) {
        state[node] = 1;
        path.push_back(node);
        const auto out = edges.find(node);
        for (const auto& [next, inc] : out != edges.end() ? out->second : decltype(out->second){}) {
            if (!found.empty())
                break;
            if (state[next] == 1) {
                const auto start = std::find(path.begin(), path.end(), next);
                found = "\n  a circle among the screen folders:";
                for (auto it = start; it != path.end(); ++it) {
                    const std::string& to = std::next(it) != path.end() ? *std::next(it) : next;
                    found += "\n    " + *it + "/ui -> " + to + "/ui at " + where(*edges[*it][to]);
                }
            } else if (state[next] == 0) {
                visit(next);
            }
        }
        path.pop_back();
        state[node] = 2;
    };
    for (const auto& [node, _] : edges)
        if (found.empty() && state[node] == 0)
            visit(node);
    EXPECT_TRUE(found.empty()) << found;
}

TEST(IncludeRules, NoSourceFileIsLongerThanOneReadsThrough) {
    std::string found;
    for (const SourceFile& f : tree().files)
        if (f.lines > kMaxLines)
            found += "\n  " + f.path + ":" + std::to_string(f.lines) + ": " + std::to_string(f.lines) +
                     " lines, more than " + std::to_string(kMaxLines);
    EXPECT_TRUE(found.empty()) << found;
}

} // namespace
