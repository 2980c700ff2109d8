// The tree's dependencies point downward: every include line of the libraries' sources and every
// link between the libraries the build makes is checked against the layers of Layers.cpp, and
// each library exports its own folder only. The build refuses most wrong-way includes by itself
// (a target cannot see the headers of a library it does not link); this catches the rest, and a
// link added to make such an include compile.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/layering/Layers.h"

namespace {

using namespace layering;
namespace fs = std::filesystem;

fs::path tree_dir(char const* variable)
{
    char const* value = std::getenv(variable);
    return value ? fs::path(value) : fs::path();
}

std::string read_text(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every header and source file of the libraries, root-relative.
std::vector<std::string> library_files()
{
    auto root = tree_dir("VEXA_SOURCE_DIR");
    std::vector<std::string> files;
    for (auto area : { "base", "automerge", "kaso", "src" }) {
        for (auto const& entry : fs::recursive_directory_iterator(root / area)) {
            auto extension = entry.path().extension();
            if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
                files.push_back(entry.path().lexically_relative(root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// One library as the build made it (cmake/VexaLayering.cmake writes the record).
struct Library {
    std::string name;
    std::string folder;
    std::vector<std::string> include_directories;
    std::vector<std::string> links;
};

std::map<std::string, Library> built_libraries()
{
    std::map<std::string, Library> libraries;
    std::istringstream record(read_text(tree_dir("VEXA_BINARY_DIR") / "layering" / "targets.txt"));
    std::string line;
    while (std::getline(record, line)) {
        if (line.empty() || line.starts_with('#'))
            continue;
        std::istringstream words(line);
        Library library;
        words >> library.name >> library.folder;
        bool after_separator = false;
        for (std::string word; words >> word;) {
            if (word == "--")
                after_separator = true;
            else
                (after_separator ? library.links : library.include_directories).push_back(word);
        }
        libraries[library.name] = library;
    }
    return libraries;
}

// The tests of one subsystem's folders run under that subsystem's label (see CMakeLists.txt);
// with no label given, every folder is checked.
bool checked_here(Layer const& layer)
{
    char const* subsystem = std::getenv("VEXA_LAYERING_SUBSYSTEM");
    return !subsystem || layer.subsystem == subsystem;
}

std::string test_name(Layer const& layer)
{
    std::string name(layer.folder);
    std::replace_if(name.begin(), name.end(), [](char c) { return c == '/' || c == '.'; }, '_');
    return name;
}

TEST(LayerRules, IncludesAreJudgedByTheLayersOfBothEnds)
{
    struct Case {
        char const* file;
        char const* include;
        bool allowed;
    };
    Case const cases[] = {
        { "src/backend/FetchWorkerBody.h", "src/model/Video.h", true },
        { "src/backend/FetchWorkerBody.h", "src/app/WorkerMessages.h", false },
        { "src/backend/ImageFetch.cpp", "src/widgets/Flex.h", false },
        { "src/history/HistoryOwner.cpp", "src/screens/Pages.h", false },
        { "src/sync/PeerStore.cpp", "src/app/VexaApp.h", false },
        { "src/history/HistoryStore.cpp", "src/sync/PeerStore.h", false },
        { "src/actions/UiAction.cpp", "src/history/HistoryStore.h", false },
        { "src/sync/PeerStore.cpp", "src/history/HistoryStore.h", true },
        { "src/history/HistoryStore.cpp", "src/actions/UiAction.h", true },
        { "src/model/Formatting.h", "kaso/ui/Color.h", true },
        { "src/model/Route.h", "src/actions/UiAction.h", false },
        { "src/screens/Pages.cpp", "src/widgets/Flex.h", true },
        { "src/widgets/Flex.h", "src/screens/Builders.h", false },
        { "src/app/VexaApp.cpp", "src/screens/Chrome.h", true },
        { "src/main.cpp", "src/app/Launch.h", true },
        { "src/main.cpp", "src/diagnostics/DiagnosticMode.h", true },
        { "src/app/Launch.cpp", "src/diagnostics/DiagnosticMode.h", false },
        { "src/diagnostics/ScrollBench.cpp", "src/app/VexaApp.h", true },
        { "kaso/ui/Widget.h", "kaso/ui/layout/Tree.h", true },
        { "kaso/ui/layout/Tree.cpp", "kaso/ui/Widget.h", false },
        { "kaso/ui/Launch.cpp", "src/app/Launch.h", false },
        { "kaso/actions/Executor.cpp", "automerge/Document.h", true },
        { "kaso/media/MediaEngine.cpp", "kaso/ui/Widget.h", false },
        { "automerge/Document.cpp", "kaso/platform/Error.h", false },
        { "automerge/storage/Chunk.cpp", "automerge/Error.h", true },
        { "automerge/Error.h", "base/ErrorOr.h", true },
        { "base/ErrorOr.h", "automerge/Error.h", false },
        { "src/app/VexaApp.cpp", "src/nowhere/Thing.h", false },
    };
    for (auto const& c : cases) {
        auto text = std::string("#include \"") + c.include + "\"\n";
        EXPECT_EQ(include_violations(c.file, text).empty(), c.allowed) << c.file << " -> " << c.include;
    }
}

TEST(LayerRules, OnlyQuotedIncludeLinesCount)
{
    auto text = "// #include \"src/app/Commented.h\"\n"
                "#include <src/app/Angled.h>\n"
                "  #  include \"src/app/Spaced.h\"  // trailing words\n"
                "#include\t\"src/app/Tabbed.h\"\n"
                "#define INCLUDE \"src/app/NotAnInclude.h\"\n"
                "#include \"Local.h\"";
    EXPECT_EQ(quoted_includes(text), (std::vector<std::string> { "src/app/Spaced.h", "src/app/Tabbed.h", "Local.h" }));
}

TEST(LayerRules, AFileOutsideEveryLayerIsReported)
{
    auto violations = include_violations("src/newfolder/Thing.cpp", "#include \"src/model/Video.h\"\n");
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_NE(violations[0].find("lies in no layer"), std::string::npos) << violations[0];
}

TEST(LayerRules, ALayerIsTheLongestFolderAPathLiesIn)
{
    EXPECT_EQ(layer_of("kaso/ui/layout/Tree.h")->folder, "kaso/ui/layout");
    EXPECT_EQ(layer_of("kaso/ui/Widget.h")->folder, "kaso/ui");
    EXPECT_EQ(layer_of("src/sync/noise/CipherState.h")->folder, "src/sync");
    EXPECT_EQ(layer_of("src/mainly/Thing.h"), nullptr);
    EXPECT_EQ(layer_of("kaso/uix/Thing.h"), nullptr);
}

TEST(LayerTable, EveryLibraryFileLiesInALayer)
{
    for (auto const& file : library_files())
        EXPECT_NE(layer_of(file), nullptr) << file << ": give its folder a place in tests/layering/Layers.cpp";
}

TEST(LayerTable, EveryLayerIsALibraryTheBuildMakes)
{
    auto libraries = built_libraries();
    ASSERT_FALSE(libraries.empty()) << "no record of the build's libraries";
    for (auto const& layer : layers()) {
        if (layer.folder.ends_with(".cpp"))
            continue;
        bool found = std::any_of(libraries.begin(), libraries.end(), [&](auto const& entry) { return entry.second.folder == layer.folder; });
        EXPECT_TRUE(found) << layer.folder << " has no library exporting it";
    }
    for (auto const& [name, library] : libraries)
        EXPECT_NE(layer_of(library.folder), nullptr) << name << " exports " << library.folder << ", which lies in no layer";
}

TEST(LayerTable, SubsystemsAreTheTestLabels)
{
    std::vector<std::string_view> const labels { "automerge", "layout", "ui", "media", "app", "model", "screens",
        "actions", "backend", "history", "sync", "diagnostics" };
    for (auto const& layer : layers())
        EXPECT_NE(std::find(labels.begin(), labels.end(), layer.subsystem), labels.end()) << layer.folder;
}

class FolderLayering : public testing::TestWithParam<Layer> {
protected:
    void SetUp() override
    {
        if (!checked_here(GetParam()))
            GTEST_SKIP() << "checked under the label " << GetParam().subsystem;
    }
    // Whether a root-relative path lies in the folder under test.
    bool owns(std::string_view path) const
    {
        auto const* layer = layer_of(path);
        return layer && layer->folder == GetParam().folder;
    }
};

TEST_P(FolderLayering, IncludesPointDownward)
{
    auto root = tree_dir("VEXA_SOURCE_DIR");
    int files = 0;
    for (auto const& file : library_files()) {
        if (!owns(file))
            continue;
        ++files;
        for (auto const& violation : include_violations(file, read_text(root / file)))
            ADD_FAILURE() << violation;
    }
    EXPECT_GT(files, 0) << "no files in " << GetParam().folder;
}

TEST_P(FolderLayering, LinksPointDownward)
{
    auto libraries = built_libraries();
    for (auto const& [name, library] : libraries) {
        if (!owns(library.folder))
            continue;
        for (auto const& link : library.links) {
            auto const& linked = libraries.at(link);
            auto const* to = layer_of(linked.folder);
            ASSERT_NE(to, nullptr) << link;
            EXPECT_TRUE(may_use(GetParam(), *to)) << name << " links " << link << ": " << GetParam().folder << " may not use " << to->folder;
        }
    }
}

TEST_P(FolderLayering, LibrariesExportOnlyTheirOwnFolder)
{
    auto include_root = tree_dir("VEXA_BINARY_DIR") / "include";
    auto source_folder = fs::canonical(tree_dir("VEXA_SOURCE_DIR") / GetParam().folder);
    for (auto const& [name, library] : built_libraries()) {
        if (!owns(library.folder))
            continue;
        ASSERT_EQ(library.include_directories, std::vector<std::string> { (include_root / name).string() }) << name;
        // The folder's path in the library's include folder leads into the folder itself: the
        // whole folder, or (for a library sharing its folder) some of its headers.
        // Nothing sits beside the folder's path: each folder on the way holds one entry.
        auto exported = include_root / name;
        for (auto const& part : fs::path(library.folder)) {
            EXPECT_EQ(std::distance(fs::directory_iterator(exported), fs::directory_iterator()), 1) << exported;
            exported /= part;
        }
        // The path leads into the folder itself: the whole folder, or (for a library that
        // shares its folder) some of its headers.
        ASSERT_TRUE(fs::exists(exported)) << exported;
        if (fs::is_symlink(exported)) {
            EXPECT_EQ(fs::canonical(exported), source_folder) << exported;
            continue;
        }
        for (auto const& entry : fs::directory_iterator(exported))
            EXPECT_EQ(fs::canonical(entry.path()).parent_path(), source_folder) << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Layers, FolderLayering, testing::ValuesIn(layers().begin(), layers().end()),
    [](testing::TestParamInfo<Layer> const& info) { return test_name(info.param); });

}
