#pragma once

#include "automerge/Document.h"

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace automerge::test {

// The canonical dump that tests/interop/automerge/scripts.cjs makes with the reference:
// {"heads": [hex...], "root": [[key, [[type, value]...]]...]}.
nlohmann::json dump(Document const& document);

// Runs a script of tests/interop/automerge/scripts.cjs on C++ documents. Returns the documents
// by name, or an error message.
std::map<std::string, Document> run_script(nlohmann::json const& script, std::string& error);

std::vector<uint8_t> read_file(std::filesystem::path const& path);
void write_file(std::filesystem::path const& path, std::span<const uint8_t> bytes);
std::string hex(std::span<const uint8_t> bytes);

std::filesystem::path source_dir();
std::filesystem::path fixtures_dir();

}
