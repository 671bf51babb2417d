// zell-script SCRIPT [OUTDIR]: runs the program headless from a script and exits with its exit code.
// A malformed script is reported with its line number and exits 2 without running.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/script/runner.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zell-script SCRIPT [OUTDIR]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zell-script: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    auto script = zell::script::parse(text.str(), &error);
    if (!script) {
        std::fprintf(stderr, "zell-script: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    std::string outdir = argc == 3 ? argv[2] : ".";
    std::error_code ignored;  // a folder that cannot be made shows when the first file cannot be written
    std::filesystem::create_directory(outdir, ignored);
    return zell::script::run(*script, outdir).exit_code;
}
