#include "core/settings/itemlists.h"

#include <cmath>
#include <initializer_list>

namespace valvescope {

namespace {

std::vector<std::string> Texts(std::initializer_list<int> values) {
    std::vector<std::string> texts;
    texts.reserve(values.size());
    for (int value : values) {
        texts.push_back(std::to_string(value));
    }
    return texts;
}

void AppendScaled(std::vector<std::string>& texts, const std::vector<int>& decade, int factor,
                  std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        texts.push_back(std::to_string(decade[i] * factor));
    }
}

// A tenth of a whole number with one decimal, the ".0" of whole values left out.
std::string Tenth(int value) {
    std::string text = std::to_string(value / 10);
    if (value % 10 != 0) {
        text += '.';
        text += static_cast<char>('0' + value % 10);
    }
    return text;
}

} // namespace

std::vector<int> E192Decade() {
    constexpr int steps = 192;
    std::vector<int> decade;
    decade.reserve(steps);
    for (int i = 0; i < steps; ++i) {
        int value = static_cast<int>(std::lround(100.0 * std::pow(10.0, i / double(steps))));
        // The series keeps 920 where the rule gives 919.
        decade.push_back(value == 919 ? 920 : value);
    }
    return decade;
}

std::vector<std::string> EndIItems() {
    return Texts({5,  10, 15, 20, 25, 30,  35,  40,  45,  50,  55,  60,  65,  70,
                  75, 80, 85, 90, 95, 100, 150, 200, 250, 300, 350, 400, 450, 500});
}

std::vector<std::string> GridVItems() {
    return Texts({1,  2,  3,  4,  5,  6,  7,   8,   9,   10,  12,  15,  20,  25,  30,  35,  40,
                  45, 50, 60, 70, 80, 90, 100, 150, 200, 250, 300, 350, 400, 450, 500, 600, 700});
}

std::vector<std::string> GridLinesItems() {
    std::vector<std::string> texts;
    for (int count = 1; count <= 20; ++count) {
        texts.push_back(std::to_string(count));
    }
    return texts;
}

std::vector<std::string> EndVItems() {
    return Texts({50,   100,  150,  200,  250,  300,  350,  400,  450,  500,
                  550,  600,  650,  700,  750,  800,  850,  900,  950,  1000,
                  1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000});
}

std::vector<std::string> RaItems() {
    const std::vector<int> decade = E192Decade();
    std::vector<std::string> texts;
    texts.reserve(4 * decade.size() + 1);
    for (int factor : {1, 10, 100, 1000}) {
        AppendScaled(texts, decade, factor, decade.size());
    }
    texts.push_back("1000000");
    return texts;
}

std::vector<std::string> BPlusItems() {
    return EndVItems();
}

std::vector<std::string> RkItems() {
    const std::vector<int> decade = E192Decade();
    constexpr std::size_t upTo4990 = 135;
    std::vector<std::string> texts{"0"};
    texts.reserve(1 + 2 * decade.size() + upTo4990);
    for (int value : decade) {
        texts.push_back(Tenth(value));
    }
    AppendScaled(texts, decade, 1, decade.size());
    AppendScaled(texts, decade, 10, upTo4990);
    return texts;
}

} // namespace valvescope
