// A generated text asset: its file name in the data directory and its contents.
#pragma once

#include <string>

namespace assetgen {

struct TextFile {
    std::string name;
    std::string text;
};

} // namespace assetgen
