#pragma once

#include <QRect>
#include <QSize>

namespace tallowick {

// Window designs are measured in twips: 15 twips to a pixel at 96 dpi.
constexpr int px(int twips)
{
    return (twips + (twips >= 0 ? 7 : -7)) / 15;
}
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}
constexpr QSize twipsSize(int width, int height)
{
    return QSize(px(width), px(height));
}

} // namespace tallowick
