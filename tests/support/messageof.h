// What an error says: the message of the exception `run` throws, or "no error".
#pragma once

#include <exception>
#include <string>

namespace valvescope::fixtures {

inline std::string MessageOf(const auto& run) {
    try {
        run();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

} // namespace valvescope::fixtures
