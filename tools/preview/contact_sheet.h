// A grid of equal cells, each a reduced copy of one rendered frame, saved as one
// PNG. Frames are reduced by averaging square blocks of pixels, which also
// smooths the edges of a frame drawn without multisampling.
#pragma once

#include "tools/assetgen/image.h"

#include <string>

namespace preview {

class ContactSheet {
public:
    // Cells are the frame size divided by `reduction` (1, 2, 4 ...).
    ContactSheet(int columns, int rows, int reduction);

    void place(int column, int row, const assetgen::Image& frame);
    // Throws std::runtime_error when the file cannot be written.
    void save(const std::string& path) const;

private:
    int m_Reduction;
    int m_CellWidth;
    int m_CellHeight;
    assetgen::Image m_Image;
};

} // namespace preview
