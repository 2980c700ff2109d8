#include "tests/layering/Layers.h"

#include <array>

namespace layering {

namespace {

constexpr int base_area = 0;
constexpr int automerge_area = 1;
constexpr int kaso_area = 2;
constexpr int src_area = 3;

constexpr std::array layer_table {
    Layer { "base", base_area, 0, "automerge" },
    Layer { "automerge", automerge_area, 0, "automerge" },
    Layer { "kaso/platform", kaso_area, 0, "ui" },
    Layer { "kaso/ui/layout", kaso_area, 0, "layout" },
    Layer { "kaso/ui/format", kaso_area, 0, "ui" },
    Layer { "kaso/media", kaso_area, 1, "media" },
    Layer { "kaso/actions", kaso_area, 1, "actions" },
    Layer { "kaso/search", kaso_area, 2, "ui" },
    Layer { "kaso/ui", kaso_area, 3, "ui" },
    Layer { "src/model", src_area, 0, "model" },
    Layer { "src/actions", src_area, 1, "actions" },
    Layer { "src/backend", src_area, 1, "backend" },
    Layer { "src/history", src_area, 2, "history" },
    Layer { "src/sync", src_area, 3, "sync" },
    Layer { "src/widgets", src_area, 4, "screens" },
    Layer { "src/screens", src_area, 5, "screens" },
    Layer { "src/app", src_area, 6, "app" },
    Layer { "src/diagnostics", src_area, 7, "diagnostics" },
    Layer { "src/main.cpp", src_area, 8, "app" },
};

bool lies_in(std::string_view path, std::string_view folder)
{
    return path == folder || (path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/');
}

bool names_tree_area(std::string_view path)
{
    return lies_in(path, "base") || lies_in(path, "automerge") || lies_in(path, "kaso") || lies_in(path, "src");
}

}

std::span<Layer const> layers()
{
    return layer_table;
}

void PrintTo(Layer const& layer, std::ostream* out)
{
    *out << layer.folder;
}

Layer const* layer_of(std::string_view path)
{
    Layer const* best = nullptr;
    for (auto const& layer : layer_table) {
        if (lies_in(path, layer.folder) && (!best || layer.folder.size() > best->folder.size()))
            best = &layer;
    }
    return best;
}

bool may_use(Layer const& from, Layer const& to)
{
    if (from.folder == to.folder)
        return true;
    if (from.area != to.area)
        return to.area < from.area;
    return to.tier < from.tier;
}

std::vector<std::string> quoted_includes(std::string_view text)
{
    auto skip_blanks = [](std::string_view line) {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        return line;
    };
    std::vector<std::string> found;
    while (!text.empty()) {
        auto end = text.find('\n');
        auto line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);

        line = skip_blanks(line);
        if (!line.starts_with('#'))
            continue;
        line = skip_blanks(line.substr(1));
        if (!line.starts_with("include"))
            continue;
        line = skip_blanks(line.substr(7));
        if (!line.starts_with('"'))
            continue;
        auto close = line.find('"', 1);
        if (close != std::string_view::npos)
            found.emplace_back(line.substr(1, close - 1));
    }
    return found;
}

std::vector<std::string> include_violations(std::string_view path, std::string_view text)
{
    std::vector<std::string> violations;
    auto const* from = layer_of(path);
    if (!from) {
        violations.push_back(std::string(path) + " lies in no layer: give its folder a place in tests/layering/Layers.cpp");
        return violations;
    }
    for (auto const& include : quoted_includes(text)) {
        if (!names_tree_area(include))
            continue;
        auto const* to = layer_of(include);
        if (!to) {
            violations.push_back(std::string(path) + " includes " + include + ", which lies in no layer");
            continue;
        }
        if (!may_use(*from, *to))
            violations.push_back(std::string(path) + " includes " + include + ": " + std::string(from->folder) + " may not use " + std::string(to->folder));
    }
    return violations;
}

}
