#pragma once

#include <QString>

namespace glintfall {

class TABitmap;

// Writes the bitmap as a BMP file, replacing a file of that name. The new picture goes to a synced
// temporary file beside the file it replaces, which keeps its mode, and its owner and group where
// the process may; on any failure the old file stays as it was and nothing is left behind. A
// symbolic link, or a chain of them, is followed and kept. Only where no file can be made in its
// folder is a file written in place. A file the user may not write and anything that is not a
// regular file (a FIFO, a device) are refused and left alone. False on failure.
bool WritePictureFile(const TABitmap& picture, const QString& path);

} // namespace glintfall
