#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace vexa::testing {

// The text of tests/fixtures/backend/innertube/<name>; empty when it cannot be read.
inline std::string innertube_fixture(std::string const& name)
{
    char const* source = std::getenv("VEXA_SOURCE_DIR");
    std::string root = source ? source : ".";
    std::ifstream file(root + "/tests/fixtures/backend/innertube/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}
