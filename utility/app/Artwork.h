// The utility's pictures, drawn rather than shipped: the application icon (a chip card) and the
// logo on the About page.
#pragma once

#include <QPixmap>

namespace kestrel {

QPixmap application_icon(int size = 32);
QPixmap logo(int width = 96, int height = 60);

}  // namespace kestrel
