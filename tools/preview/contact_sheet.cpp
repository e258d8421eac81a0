#include "tools/preview/contact_sheet.h"

#include "tools/preview/gl_window.h"

#include <stdexcept>

namespace preview {

ContactSheet::ContactSheet(int columns, int rows, int reduction)
    : m_Reduction(reduction), m_CellWidth(FRAME_WIDTH / reduction),
      m_CellHeight(FRAME_HEIGHT / reduction),
      m_Image(columns * m_CellWidth, rows * m_CellHeight, false) {}

void ContactSheet::place(int column, int row, const assetgen::Image& frame) {
    const int n = m_Reduction;
    const double share = 1.0 / (n * n);
    for (int y = 0; y < m_CellHeight; ++y) {
        for (int x = 0; x < m_CellWidth; ++x) {
            assetgen::Color sum(0, 0, 0);
            for (int dy = 0; dy < n; ++dy)
                for (int dx = 0; dx < n; ++dx)
                    sum = sum + frame.get(x * n + dx, y * n + dy);
            m_Image.set(column * m_CellWidth + x, row * m_CellHeight + y,
                        assetgen::Color(sum.r * share, sum.g * share, sum.b * share));
        }
    }
}

void ContactSheet::save(const std::string& path) const {
    if (!assetgen::writePng(m_Image, path))
        throw std::runtime_error("cannot write '" + path + "'");
}

} // namespace preview
