#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace layering {

// One folder of the tree and its place in the order of dependencies. Four areas are stacked,
// base under automerge under kaso under src; inside an area each folder has a tier. A folder may use every
// folder of a lower area and the folders of its own area whose tier is lower than its own;
// folders of one tier (actions, backend) do not use each other. The device-sync import writes
// pulled items into the library document and the history, so sync sits above both.
//
//   src        main.cpp                                          7
//              app  diagnostics                                  6
//              screens                                           5
//              widgets                                           4
//              sync                                              3
//              history                                           2
//              actions  backend                                  1
//              model                                             0
//   kaso       ui                                                3
//              search                                            2
//              actions  media                                    1
//              platform  ui/layout  ui/format                    0
//   automerge  (the whole library)                               0
//   base       (ErrorOr and TRY, header-only)                    0
struct Layer {
    std::string_view folder; // root-relative; a file name for a layer of one file
    int area;
    int tier;
    std::string_view subsystem; // the test label of the code in this folder
};

std::span<Layer const> layers();

// How a test names a layer in its messages: its folder.
void PrintTo(Layer const& layer, std::ostream* out);

// The layer that owns a root-relative path: the longest folder it lies in. None for a path
// outside every layer (a new folder nobody placed yet).
Layer const* layer_of(std::string_view path);

// Whether code of `from` may include headers of, or link, `to`.
bool may_use(Layer const& from, Layer const& to);

// The root-relative paths in the `#include "..."` lines of a source text, in order.
std::vector<std::string> quoted_includes(std::string_view text);

// What is wrong with the includes of one file: one line per include that runs the wrong way or
// names a folder with no layer, or one line when the file itself lies in no layer. Includes
// that are not root-relative paths of the tree ("config.h") are not the layering's business.
std::vector<std::string> include_violations(std::string_view path, std::string_view text);

}
