#include "src/diagnostics/Console.h"

namespace vexa {

StandardConsole::StandardConsole() { std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }

void StandardConsole::write_line(Stream stream, std::string_view line)
{
    auto* file = stream == Stream::Out ? stdout : stderr;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
}

}
