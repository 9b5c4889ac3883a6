#pragma once

#include <QIcon>
#include <QPixmap>

namespace tallowick {

// The product's logo: an open check register with a tick, drawn at 79 x 115
// pixels for the splash window; also the windows' icon.
QPixmap logoPixmap();
QIcon logoIcon();

} // namespace tallowick
