#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace tallowick {

// The product's logo: an open check register with a tick, drawn at 79 x 115
// pixels for the splash window; also the windows' icon.
QImage logoImage();
QPixmap logoPixmap();
QIcon logoIcon();

} // namespace tallowick
