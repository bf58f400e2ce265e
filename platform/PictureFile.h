#pragma once

#include <QString>

namespace glintfall {

class TABitmap;

// Writes the bitmap as a BMP file without ever leaving a damaged file behind: the bytes go to a
// temporary file in the same folder, which is synced and then renamed over the target. On any
// failure the temporary file is removed and an existing target stays as it was. False on failure.
bool WritePictureFile(const TABitmap& picture, const QString& path);

} // namespace glintfall
