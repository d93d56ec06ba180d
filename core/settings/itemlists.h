// The item lists of the seven settings boxes, as plain decimal texts.
#pragma once

#include <string>
#include <vector>

namespace valvescope {

// One decade of the E192 preferred numbers, 100 ... 988.
std::vector<int> E192Decade();

std::vector<std::string> EndIItems();      // 5 ... 500 mA
std::vector<std::string> GridVItems();     // 1 ... 700 V per step
std::vector<std::string> GridLinesItems(); // 1 ... 20
std::vector<std::string> EndVItems();      // 50 ... 2000 V
std::vector<std::string> RaItems();        // 100 ... 1000000 ohm
std::vector<std::string> BPlusItems();     // 50 ... 2000 V
std::vector<std::string> RkItems();        // 0, 10 ... 4990 ohm

} // namespace valvescope
