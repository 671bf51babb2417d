#include "tests/support/scenario.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wshadow"
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace zell::testing {

Scenario::Scenario(const std::string& script_text, const Host::MainProgram& program) {
    static std::atomic<int> counter{0};
    dir = std::filesystem::temp_directory_path() /
          ("zell-scenario-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    std::string error;
    auto s = script::parse(script_text, &error);
    if (!s) {
        ADD_FAILURE() << "script does not parse: " << error;
        return;
    }
    result = script::run(*s, dir.string(), program);
}

Scenario::~Scenario() { std::filesystem::remove_all(dir); }

std::vector<std::string> Scenario::text(const std::string& file) const {
    std::ifstream in(dir / file);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    EXPECT_EQ(lines.size(), 39u) << file;
    lines.resize(39);
    return lines;
}

Image Scenario::shot(const std::string& file) const {
    int w = 0, h = 0, n = 0;
    unsigned char* data = stbi_load((dir / file).c_str(), &w, &h, &n, 3);
    if (!data) {
        ADD_FAILURE() << "cannot read " << file;
        return {};
    }
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = data + (size_t(y) * w + x) * 3;
            img.at(x, y) = rgb(p[0], p[1], p[2]);
        }
    stbi_image_free(data);
    return img;
}

std::vector<uint32_t> Scenario::midi() const {
    std::vector<uint32_t> out;
    std::istringstream in(result.log);
    std::string word;
    unsigned long long ms = 0;
    std::string hex;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream l(line);
        if (l >> word && word == "midi" && l >> ms >> hex) out.push_back(uint32_t(std::stoul(hex, nullptr, 16)));
    }
    return out;
}

std::string gutter_throw(int x) {
    std::string click = "click left " + std::to_string(x) + " 680\n";
    return click + click;  // place the ball, then a press and release on the spot: no velocity
}

std::string gutter_game(int x) {
    std::string s = "key Enter\n";  // Start Throwing
    for (int i = 0; i < 20; ++i) s += gutter_throw(x);
    return s;
}

}  // namespace zell::testing
