// The picture formats the program writes, told by a file name's extension.
#pragma once

#include <optional>
#include <string_view>

namespace valvescope {

enum class PictureFormat { Png, Svg, Pdf };

// The format named by the extension of the file's name (after its last "/"), in any case; none
// for any other extension or a name without one.
inline std::optional<PictureFormat> PictureFormatOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view extension = name.substr(dot + 1);
    const auto is = [extension](std::string_view lower) {
        if (extension.size() != lower.size()) {
            return false;
        }
        for (std::size_t k = 0; k < lower.size(); ++k) {
            const char c = extension[k];
            if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[k]) {
                return false;
            }
        }
        return true;
    };
    if (is("png")) {
        return PictureFormat::Png;
    }
    if (is("svg")) {
        return PictureFormat::Svg;
    }
    if (is("pdf")) {
        return PictureFormat::Pdf;
    }
    return std::nullopt;
}

} // namespace valvescope
