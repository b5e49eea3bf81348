#include "app/data_problems.h"


#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "framework/files.h"
#include "scenefile/reporting.h"

namespace {

// Every data file the show reads, and the part of the show it belongs to.
struct DataFile {
    const char* name;
    const char* part;
};
constexpr DataFile kDataFiles[] = {
    {"Tuvari.xm", "music"},        {"cola.bmp", "title"},         {"tunneli.3ds", "tunnel"},
    {"tunneli.bmp", "tunnel"},     {"kylpyla.3ds", "bath hall"},  {"Sunset.bmp", "bath hall"},
    {"Benedeti.bmp", "bath hall"}, {"Travertn.bmp", "bath hall"}, {"Sponge2.bmp", "bath hall"},
    {"vesi.bmp", "bath hall"},     {"insane.3ds", "knot"},        {"insane.bmp", "knot"},
    {"kaupunki.3ds", "city"},      {"Stoned02.bmp", "city"},      {"Groove1.bmp", "city"},
    {"Crisscro.bmp", "city"},      {"Stoned00.bmp", "city"},      {"Stoned12.bmp", "city"},
    {"womb.3ds", "womb"},          {"womb.bmp", "womb"},
};

const char* program = "orvdemo";

// One line per file, the first problem only: what is wrong, then what the show will lack.
void SayProblem(const char* fileName, const char* problem)
{
    static std::set<std::string> said;
    if (!said.insert(fileName).second)
        return;
    const char* part = "show";
    for (const DataFile& f : kDataFiles)
        if (std::strcmp(f.name, fileName) == 0)
            part = f.part;
    const bool scene = std::strstr(fileName, ".3ds") != nullptr;
    const bool damaged = std::strncmp(problem, "damaged", 7) == 0;
    std::fprintf(stderr, "%s: %s: %s; %s%s%s\n", program, fileName, problem,
                 scene ? "the " : "the ", part,
                 scene ? (damaged ? " scene may be incomplete" : " scene will be empty")
                       : " scene draws without this texture");
}

}  // namespace

bool OrvWatchDataFiles(const std::string& dir, const char* name)
{
    program = name;
    for (const DataFile& f : kDataFiles)
        if (std::error_code ec; std::filesystem::exists(OrvPath(dir + "/" + f.name), ec)) {
            OlvarSetProblemHandler(SayProblem);
            return true;
        }
    std::fprintf(stderr,
                 "%s: none of the show's data files (Tuvari.xm, tunneli.3ds, cola.bmp...) are in %s; "
                 "the show will be empty and silent. Give the directory that holds them with --data DIR "
                 "(after a build: --data build/data)\n",
                 program, dir.c_str());
    return false;
}

void OrvRouteTrace(int trace)
{
    const bool on = trace == 1 || (trace < 0 && !OrvIsTerminal(stdout));
    OlvarSetTraceStream(on ? stdout : nullptr);
}
