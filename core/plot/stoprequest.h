// A redraw asked to stop ends early, with RedrawStopped.
#pragma once

#include <exception>
#include <stop_token>

namespace valvescope {

class RedrawStopped : public std::exception {
public:
    const char* what() const noexcept override { return "The redraw was stopped"; }
};

// Throws RedrawStopped once a stop has been asked for.
inline void StopIfAsked(const std::stop_token& stop) {
    if (stop.stop_requested()) {
        throw RedrawStopped();
    }
}

} // namespace valvescope
